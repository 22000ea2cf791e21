// The run's packet sink of one output stream: counts the bytes in the run's totals and writes
// through the stream's packet writer (its bitstream filters, then the muxer).
#pragma once

#include <cstdint>

#include "engine/pipeline/error_policy.h"
#include "engine/pipeline/packet_sink.h"
#include "engine/pipeline/packet_writer.h"

namespace mirelk {

// Byte counts of what the encoders produced, for the report.
struct TRunCounters {
    std::int64_t videoSize = 0;
    std::int64_t audioSize = 0;
    std::int64_t extraSize = 0;
};

class TStreamPacketSink final : public IPacketSink {
public:
    // Where the packets go once the header is written; codecName names the stream's codec in
    // the writer's messages.
    void Bind(AVFormatContext* file, const char* codecName, TRunCounters& counters, TErrorPolicy errors)
    {
        m_file = file;
        m_codecName = codecName;
        m_counters = &counters;
        m_errors = std::move(errors);
    }
    TPacketWriter& Writer() { return m_writer; }
    const TPacketWriter& Writer() const { return m_writer; }

    void Write(AVPacket* packet, TPayload payload) override;
    std::int64_t PayloadBytes(TPayload payload) const override;
    double WrittenTime() const override { return m_writer.WrittenTime(); }
    // At the end of the stream: what the bitstream filters still hold goes to the muxer.
    void Flush();

private:
    TPacketWriter m_writer;
    AVFormatContext* m_file = nullptr;
    const char* m_codecName = "copy";
    TRunCounters* m_counters = nullptr;
    TErrorPolicy m_errors;
};

}  // namespace mirelk
