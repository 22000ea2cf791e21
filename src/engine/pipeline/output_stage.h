// What the run asks of an output stream's stage (sound, pictures, subtitles, or a copy). The
// run holds one stage per output stream and talks to it through this only; what the loop and
// the report need to know of an output they learn from its queries.
#pragma once

#include <cstdint>

#include "binding/av_headers.h"
#include "engine/pipeline/error_policy.h"
#include "engine/pipeline/frame_sink.h"
#include "engine/pipeline/packet_sink.h"
#include "engine/pipeline/stage_clock.h"

namespace mirelk {

// What an encoding stage keeps in step with, and how it answers a fault it can go on after.
struct TEncodingStageContext {
    TStageClock clock;
    // The clock of the stream the output keeps in step with, when that is another stream than
    // its source; null: each picture's or block's own time.
    const TStreamClock* syncClock = nullptr;
    TErrorPolicy errors;

    // The time the output keeps in step with for data of the source at pts.
    std::int64_t SyncTime(std::int64_t pts) const { return syncClock != nullptr ? syncClock->Now() : pts; }
};

class TOutputStage : public IFrameSink {
public:
    explicit TOutputStage(IPacketSink& sink) : m_sink(sink) {}
    virtual ~TOutputStage() = default;
    TOutputStage(const TOutputStage&) = delete;
    TOutputStage& operator=(const TOutputStage&) = delete;

    // Before the encoder opens, with the encoder it opens with: fills in what the options left open.
    virtual void BeforeEncoderOpens(const AVCodec& /*encoder*/) {}
    // After the encoder and the decoders are open.
    virtual void Open() {}
    // One decoded block of sound or pre-processed picture of the source stream.
    void Process(const AVFrame& /*decoded*/, std::int64_t /*pts*/) override {}
    // One decoded subtitle with its packet's presentation time (source stream time base).
    virtual void ProcessSubtitle(const AVSubtitle& /*subtitle*/, std::int64_t /*packetPts*/) {}
    // One packet of a copied stream, with the stream's time (microseconds) for a packet
    // without a decoding time.
    virtual void Copy(const AVPacket& /*packet*/, std::int64_t /*streamPts*/) {}
    // End of the input: what the stage still holds, then the encoder's delay.
    void Drain() override {}
    // Its source reached the end of the clip: nothing more of it is wanted.
    void EndClip() { m_reachedEnd = true; }

    bool ReachedEnd() const { return m_reachedEnd; }
    // Pictures, blocks, subtitles or packets written.
    int FramesWritten() const { return m_framesWritten; }
    // How far the output has come, in seconds of output time.
    virtual double OutputTime() const { return m_sink.WrittenTime(); }
    // Quantiser of the last coded picture, -1 while unknown or not coded.
    virtual float Quality() const { return -1.0f; }
    // Squared errors of the last coded picture's planes, where the encoder measures them.
    virtual const std::uint64_t* LastErrors() const { return kNoErrors; }
    // Pictures the output rate repeated or left out.
    virtual int FramesDuplicated() const { return 0; }
    virtual int FramesDropped() const { return 0; }

protected:
    IPacketSink& Sink() const { return m_sink; }
    void CountFrame() { ++m_framesWritten; }

private:
    static constexpr std::uint64_t kNoErrors[3] = {0, 0, 0};
    IPacketSink& m_sink;
    int m_framesWritten = 0;
    bool m_reachedEnd = false;
};

}  // namespace mirelk
