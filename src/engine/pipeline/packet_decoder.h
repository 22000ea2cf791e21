// The decoding stage of a run: decodes (or copies) one packet of an input stream and hands the
// result to every output stream that takes that input stream; with no packet, drains.
#pragma once

#include <cstdint>
#include <vector>

#include "binding/av_owners.h"
#include "engine/pipeline/run_records.h"
#include "engine/pipeline/video_preprocess.h"

namespace mirelk {

class TTranscodeRun;
struct TOptionState;

class TPacketDecoder {
public:
    TPacketDecoder(TTranscodeRun& run, std::vector<TOutputStream>& outputs);

    // 0, or the library's error code when decoding failed.
    int OutputPacket(TInputStream& stream, int streamIndex, const AVPacket* packet);
    // Pictures decoded so far, as the hook modules count them.
    int HookFrameNumber() const { return m_preprocessor.HookFrameNumber(); }

private:
    const TOptionState& Options() const;
    int DecodeAndDispatch(TInputStream& stream, int streamIndex, const AVPacket* packet);
    // Takes every picture or block the decoder has ready and hands each on; 0, or the last
    // decoding error met on the way.
    int ReceiveFrames(TInputStream& stream, int streamIndex);
    int DecodeSubtitle(TInputStream& stream, int streamIndex, const AVPacket* packet);
    // Cuts a subtitle (at packetPts, in the stream's time base) to the stream's clip, moving its
    // time when it began before the start, and gives its time in output time; false when nothing
    // of it is in the clip, with ended set when it begins at or after the end.
    bool ClipSubtitle(const TInputStream& stream, AVSubtitle& subtitle, std::int64_t& packetPts, bool& ended) const;
    void DispatchFrame(TInputStream& stream, int streamIndex, const AVFrame& frame);
    void CopyPacket(TInputStream& stream, TOutputStream& output, const AVPacket& packet);
    // A copied subtitle packet, cut to the clip, to every output that copies the stream.
    void CopySubtitle(TInputStream& stream, int streamIndex, const AVPacket& packet);
    void DrainEncoders(int streamIndex);
    void EmulateRate(const TInputStream& stream) const;

    TTranscodeRun& m_run;
    std::vector<TOutputStream>& m_outputs;
    TPacketPtr m_copyPacket;  // reused for every copied packet
    TPacketPtr m_clippedPacket;  // a copied subtitle cut to the clip, reused
    TVideoPreprocessor m_preprocessor;
};

}  // namespace mirelk
