// Audio output of one encoded stream: keeps the output on the input's time line (trimming,
// silence, drift compensation), converts layout, rate and sample format, frames the samples
// for the encoder and writes what it encodes.
#pragma once

#include <climits>
#include <cstdint>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/error_policy.h"
#include "engine/pipeline/output_stage.h"
#include "engine/pipeline/stage_clock.h"

namespace mirelk {

struct TOutputStream;
struct TInputStream;

// The options an audio output reads.
struct TAudioOutputSettings {
    // 0 follows the input's times, 1 fills gaps and trims overlaps, more also compensates drift
    // by up to that many samples a second.
    int syncMethod = 0;
    // The gap (seconds) past which a gap is filled or trimmed instead of compensated.
    float driftThreshold = 0.1f;
    int maxFrames = INT_MAX;
    // Silence, trimming and compensation are told.
    bool verbose = false;
};

struct TAudioOutputContext : TEncodingStageContext {
    TAudioOutputSettings settings;
};

class TAudioOutput final : public TOutputStage {
public:
    TAudioOutput(TAudioOutputContext context, const TInputStream& source, const TOutputStream& output,
                 IPacketSink& sink);

    // Fills in what the options left open (the sample format) from what the encoder takes.
    void BeforeEncoderOpens(const AVCodec& encoder) override;
    // After the encoder and the decoder are open.
    void Open() override;
    // One decoded block of the source stream at pts (its volume already applied).
    void Process(const AVFrame& decoded, std::int64_t pts) override;
    // End of the input: what the converter and the FIFO still hold, then the encoder's delay.
    void Drain() override;

private:
    void ConfigureConverter(const AVFrame& decoded);
    // The samples of a block at pts inside the clip, [first, last); false when none are.
    bool ClipBlock(const AVFrame& decoded, std::int64_t pts, int& first, int& last);
    // Keeps the output in step with the input: returns the input samples to skip at the front
    // of the block (whose first sample lies shift seconds after time), and the silence to put
    // before it.
    void Synchronise(std::int64_t time, int blockSamples, double shift, int& skip, int& silence);
    void Feed(const std::uint8_t* const* planes, int samples);
    void FeedSilence(int samples);
    void EncodeAvailable();
    void EncodeFrame(int samples);
    void SendToEncoder(AVFrame* frame);
    void EnsureCapacity(TFramePtr& frame, AVSampleFormat format, const AVChannelLayout& layout, int rate,
                        int samples);

    TAudioOutputContext m_context;
    const TAudioOutputSettings& m_settings = m_context.settings;
    const TInputStream& m_source;
    // The muxer may change the stream's time base when it writes the header.
    const AVStream* m_stream = nullptr;
    AVCodecContext* m_encoder = nullptr;
    const AVCodec* m_codec = nullptr;

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
    // Output position in samples, and the time of the next frame, which never goes back.
    std::int64_t m_position = 0;
    std::int64_t m_nextFramePts = 0;
    bool m_variableFrames = false;
    // Until the first gap of this output has been filled or trimmed.
    bool m_isStart = true;
};

// Scales every sample of a decoded block by volume / 256, clamping integer samples.
void ApplyVolume(AVFrame& frame, int volume);

}  // namespace mirelk
