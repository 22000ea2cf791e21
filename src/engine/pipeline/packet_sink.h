// Where an output stage's encoded packets go. The run gives each output stream one sink: it
// counts the bytes for the report and writes through the stream's bitstream filters.
#pragma once

#include <cstdint>

#include "binding/av_headers.h"

namespace mirelk {

// Which total of the report a packet's bytes count in.
enum class TPayload { Video, Audio, Uncounted };

class IPacketSink {
public:
    // Counts the packet's bytes in the payload's total, then writes it (times in the output
    // stream's time base); the packet is left empty.
    virtual void Write(AVPacket* packet, TPayload payload) = 0;
    // Bytes of the payload the whole run wrote so far.
    virtual std::int64_t PayloadBytes(TPayload payload) const = 0;
    // End of what was written so far, in seconds of the stream.
    virtual double WrittenTime() const = 0;

protected:
    ~IPacketSink() = default;
};

}  // namespace mirelk
