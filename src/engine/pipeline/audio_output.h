// Audio output of one encoded stream: keeps the output on the input's time line (trimming,
// silence, drift compensation), converts layout, rate and sample format, frames the samples
// for the encoder and writes what it encodes.
#pragma once

#include <cstdint>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/output_stage.h"

namespace mirelk {

class TTranscodeRun;
struct TOutputStream;
struct TInputStream;

class TAudioOutput final : public TOutputStage {
public:
    TAudioOutput(TTranscodeRun& run, TOutputStream& output, TInputStream& source);
    TAudioOutput(const TAudioOutput&) = delete;
    TAudioOutput& operator=(const TAudioOutput&) = delete;

    // Fills in what the options left open (the sample format) from what the encoder takes.
    void BeforeEncoderOpens() override;
    // After the encoder and the decoder are open.
    void Open() override;
    // One decoded block of the source stream (its volume already applied).
    void Process(const AVFrame& decoded) override;
    // End of the input: what the converter and the FIFO still hold, then the encoder's delay.
    void Drain() override;

private:
    void ConfigureConverter(const AVFrame& decoded);
    // The samples of a block inside the clip, [first, last); false when none are.
    bool ClipBlock(const AVFrame& decoded, int& first, int& last);
    // Keeps the output in step with the input: returns the input samples to skip at the front
    // of the block (whose first sample lies shift seconds after the stream's time), and the
    // silence to put before it.
    void Synchronise(int blockSamples, double shift, int& skip, int& silence);
    void Feed(const std::uint8_t* const* planes, int samples);
    void FeedSilence(int samples);
    void EncodeAvailable();
    void EncodeFrame(int samples);
    void SendToEncoder(AVFrame* frame);
    void EnsureCapacity(TFramePtr& frame, AVSampleFormat format, const AVChannelLayout& layout, int rate,
                        int samples);

    TTranscodeRun& m_run;
    TOutputStream& m_output;
    TInputStream& m_source;
    AVCodecContext* m_encoder = nullptr;

    TResamplerPtr m_converter;
    bool m_converterConfigured = false;
    AVSampleFormat m_inFormat = AV_SAMPLE_FMT_NONE;
    int m_inRate = 0;
    TChannelLayout m_inLayout;
    TAudioFifoPtr m_fifo;
    TFramePtr m_converted;  // converter output, reused
    TFramePtr m_silence;    // silence in the input's format, reused
    TFramePtr m_toEncode;   // one encoder frame, reused
    TPacketPtr m_packet;
    std::int64_t m_nextPts = 0;
    bool m_variableFrames = false;
};

// Scales every sample of a decoded block by volume / 256, clamping integer samples.
void ApplyVolume(AVFrame& frame, int volume);

}  // namespace mirelk
