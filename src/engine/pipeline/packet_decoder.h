// The decoding stage of a run: decodes (or copies) one packet of an input stream and hands the
// result to every output stream that takes that input stream; with no packet, drains.
#pragma once

#include <cstdint>
#include <vector>

#include "binding/av_owners.h"
#include "engine/pipeline/run_records.h"
#include "engine/pipeline/stage_clock.h"
#include "engine/pipeline/video_preprocess.h"

namespace mirelk {

class TDemuxer;

// The options the decoding stage reads.
struct TDecoderSettings {
    int audioVolume = 256;
    bool rateEmulation = false;
    // Where output time begins, in microseconds of run time.
    std::int64_t outputStart = 0;
};

class TPacketDecoder {
public:
    // Hands what it decodes to the stages of outputs; takes the clips of the demuxer's files.
    TPacketDecoder(const TDecoderSettings& settings, const TPreprocessContext& preprocessing, const TDemuxer& demuxer,
                   std::vector<TOutputStream>& outputs);

    // One clock per input stream, all at their start; before any stage reads one.
    void StartClocks(std::size_t streamCount) { m_clocks.assign(streamCount, TStreamClock()); }
    const TStreamClock& Clock(int streamIndex) const { return m_clocks.at(static_cast<std::size_t>(streamIndex)); }
    const std::vector<TStreamClock>& Clocks() const { return m_clocks; }

    // 0, or the library's error code when decoding failed.
    int OutputPacket(const TInputStream& stream, int streamIndex, const AVPacket* packet);
    // Pictures decoded so far, as the hook modules count them.
    int HookFrameNumber() const { return m_preprocessor.HookFrameNumber(); }

private:
    const TTimeGate& Gate(const TInputStream& stream) const;
    int DecodeAndDispatch(const TInputStream& stream, int streamIndex, const AVPacket* packet);
    // Takes every picture or block the decoder has ready and hands each on; 0, or the last
    // decoding error met on the way.
    int ReceiveFrames(const TInputStream& stream, int streamIndex);
    int DecodeSubtitle(const TInputStream& stream, int streamIndex, const AVPacket* packet);
    // Cuts a subtitle (at packetPts, in the stream's time base) to the stream's clip, moving its
    // time when it began before the start, and gives its time in output time; false when nothing
    // of it is in the clip, with ended set when it begins at or after the end.
    bool ClipSubtitle(const TInputStream& stream, AVSubtitle& subtitle, std::int64_t& packetPts, bool& ended) const;
    void DispatchFrame(int streamIndex, const AVFrame& frame, std::int64_t pts);
    // A copied subtitle packet, cut to the clip, to every output that copies the stream.
    void CopySubtitle(const TInputStream& stream, int streamIndex, const AVPacket& packet);
    void DrainEncoders(int streamIndex);
    void EmulateRate(const TInputStream& stream, std::int64_t pts) const;

    TDecoderSettings m_settings;
    const TDemuxer& m_demuxer;
    std::vector<TOutputStream>& m_outputs;
    std::vector<TStreamClock> m_clocks;
    TFramePtr m_frame;  // reused for every decoded picture or block
    TPacketPtr m_subtitlePacket;  // reused for every decoded subtitle packet
    TPacketPtr m_clippedPacket;  // a copied subtitle cut to the clip, reused
    TVideoPreprocessor m_preprocessor;
};

}  // namespace mirelk
