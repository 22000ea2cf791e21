// The one way packets reach a muxer: through the stream's bitstream filters, then the
// interleaving writer.
#pragma once

#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "engine/options/option_state.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/error_policy.h"

namespace mirelk {

class TPacketWriter {
public:
    // Builds the stream's filter chain from its input parameters; the stream's parameters
    // become what the chain puts out. Call before the header is written.
    void Configure(const std::vector<TBitstreamFilterSpec>& filters, AVStream* stream);
    // Filters a packet (times in the stream's time base) and writes it; the packet is left
    // empty. A filter failure is a fault the policy answers (the packet then goes on
    // unfiltered); a write failure always raises.
    void Write(AVFormatContext* file, AVPacket* packet, const char* codecName, const TErrorPolicy& errors);
    // For a stream kept only because the input had it: a packet the muxer refuses is told and
    // left out instead of failing the run.
    void DropRefusedPackets() { m_dropsRefusedPackets = true; }
    // At the end of the stream: what the filters still hold goes to the muxer.
    void Flush(AVFormatContext* file, const char* codecName, const TErrorPolicy& errors);
    // End of what was written so far, in seconds of the stream.
    double WrittenTime() const { return m_writtenTime; }
    // Bytes and packets handed to the muxer so far.
    std::int64_t WrittenBytes() const { return m_writtenBytes; }
    std::int64_t WrittenPackets() const { return m_writtenPackets; }

private:
    // A null packet is the end of the stream.
    void Push(std::size_t filterIndex, AVPacket* packet, AVFormatContext* file, const char* codecName,
              const TErrorPolicy& errors);

    std::vector<TBitstreamFilterPtr> m_chain;
    std::vector<TPacketPtr> m_filtered;  // one per filter, reused
    AVStream* m_stream = nullptr;
    // The clocks of what enters the first filter and leaves the last.
    AVRational m_chainTimeBaseIn{0, 1};
    AVRational m_chainTimeBaseOut{0, 1};
    double m_writtenTime = 0.0;
    std::int64_t m_writtenBytes = 0;
    std::int64_t m_writtenPackets = 0;
    bool m_dropsRefusedPackets = false;
};

}  // namespace mirelk
