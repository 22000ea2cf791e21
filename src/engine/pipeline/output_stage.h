// What the run asks of an encoded output stream's stage (sound, pictures or subtitles). The
// run holds one stage per encoded output stream and talks to it through this only.
#pragma once

#include <cstdint>

#include "binding/av_headers.h"

namespace mirelk {

class TOutputStage {
public:
    virtual ~TOutputStage() = default;
    // Before the encoder opens: fills in what the options left open.
    virtual void BeforeEncoderOpens() {}
    // After the encoder and the decoders are open.
    virtual void Open() {}
    // One decoded block of sound or pre-processed picture of the source stream.
    virtual void Process(const AVFrame& /*decoded*/) {}
    // One decoded subtitle with its packet's presentation time (source stream time base).
    virtual void ProcessSubtitle(const AVSubtitle& /*subtitle*/, std::int64_t /*packetPts*/) {}
    // End of the input: what the stage still holds, then the encoder's delay.
    virtual void Drain() {}
};

}  // namespace mirelk
