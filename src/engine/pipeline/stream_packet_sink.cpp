#include "engine/pipeline/stream_packet_sink.h"

namespace mirelk {

void TStreamPacketSink::Write(AVPacket* packet, TPayload payload)
{
    if (payload == TPayload::Video) m_counters->videoSize += packet->size;
    if (payload == TPayload::Audio) m_counters->audioSize += packet->size;
    m_writer.Write(m_file, packet, m_codecName, m_errors);
}

std::int64_t TStreamPacketSink::PayloadBytes(TPayload payload) const
{
    if (m_counters == nullptr) return 0;
    return payload == TPayload::Video ? m_counters->videoSize : payload == TPayload::Audio ? m_counters->audioSize : 0;
}

void TStreamPacketSink::Flush() { m_writer.Flush(m_file, m_codecName, m_errors); }

}  // namespace mirelk
