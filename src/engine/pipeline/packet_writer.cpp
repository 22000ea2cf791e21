#include "engine/pipeline/packet_writer.h"

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

void TPacketWriter::Configure(const std::vector<TBitstreamFilterSpec>& filters, AVStream* stream)
{
    m_stream = stream;
    m_chain.clear();
    m_filtered.clear();
    const AVCodecParameters* parameters = stream->codecpar;
    AVRational timeBase = stream->time_base;
    for (const TBitstreamFilterSpec& spec : filters) {
        AVBSFContext* raw = nullptr;
        if (av::av_bsf_alloc(spec.filter, &raw) < 0) throw FFmpegException("av_mallocz fail");
        TBitstreamFilterPtr filter(raw);
        av::avcodec_parameters_copy(filter->par_in, parameters);
        filter->time_base_in = timeBase;
        const int result = av::av_bsf_init(filter.get());
        if (result < 0)
            throw FFmpegException(Format("%s failed for stream %d, codec %s: %s", spec.name.c_str(), stream->index,
                                         av::avcodec_get_name(parameters->codec_id),
                                         LibraryErrorText(result).c_str()));
        parameters = filter->par_out;
        timeBase = filter->time_base_out;
        if (m_chain.empty()) m_chainTimeBaseIn = filter->time_base_in;
        m_chainTimeBaseOut = filter->time_base_out;
        m_chain.push_back(std::move(filter));
        m_filtered.push_back(NewPacket());
    }
    if (!m_chain.empty()) av::avcodec_parameters_copy(stream->codecpar, parameters);
}

void TPacketWriter::Write(AVFormatContext* file, AVPacket* packet, const char* codecName,
                          const TErrorPolicy& errors)
{
    // The muxer may have changed the stream's clock when it wrote the header; the filters keep
    // the one they were made with.
    if (!m_chain.empty()) av::av_packet_rescale_ts(packet, m_stream->time_base, m_chainTimeBaseIn);
    Push(0, packet, file, codecName, errors);
}

void TPacketWriter::Flush(AVFormatContext* file, const char* codecName, const TErrorPolicy& errors)
{
    if (!m_chain.empty()) Push(0, nullptr, file, codecName, errors);
}

void TPacketWriter::Push(std::size_t filterIndex, AVPacket* packet, AVFormatContext* file, const char* codecName,
                         const TErrorPolicy& errors)
{
    if (filterIndex < m_chain.size()) {
        AVBSFContext* filter = m_chain[filterIndex].get();
        AVPacket* filtered = m_filtered[filterIndex].get();
        const int sent = av::av_bsf_send_packet(filter, packet);
        if (sent < 0) {
            const std::string message =
                Format("%s failed for stream %d, codec %s: %s", filter->filter->name,
                       packet != nullptr ? packet->stream_index : m_stream->index, codecName,
                       LibraryErrorText(sent).c_str());
            errors.Fault(message);
            Push(filterIndex + 1, packet, file, codecName, errors);
            return;
        }
        while (av::av_bsf_receive_packet(filter, filtered) == 0) {
            filtered->stream_index = m_stream->index;
            Push(filterIndex + 1, filtered, file, codecName, errors);
        }
        // The end goes on to the next filter once this one has given all it held.
        if (packet == nullptr) Push(filterIndex + 1, nullptr, file, codecName, errors);
        return;
    }
    if (packet == nullptr) return;
    if (!m_chain.empty()) av::av_packet_rescale_ts(packet, m_chainTimeBaseOut, m_stream->time_base);
    const std::int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (stamp != AV_NOPTS_VALUE) {
        const double end = static_cast<double>(stamp + packet->duration) * av_q2d(m_stream->time_base);
        if (end > m_writtenTime) m_writtenTime = end;
    }
    const int size = packet->size;
    packet->stream_index = m_stream->index;
    const int written = av::av_interleaved_write_frame(file, packet);
    // The muxer refuses a packet it cannot place (a time that goes back) before it takes any of
    // it: a stream kept only because the input had it loses that packet, not the file.
    if (written == AVERROR(EINVAL) && m_dropsRefusedPackets) {
        errors.Log(kLevelInfo, Format("A packet of output stream #%d was refused by the muxer and is left out: %s",
                                      m_stream->index, LibraryErrorText(written).c_str()));
        av::av_packet_unref(packet);
        return;
    }
    if (written < 0)
        throw FFmpegException(Format("av_interleaved_write_frame(): %s", LibraryErrorText(written).c_str()));
    m_writtenBytes += size;
    ++m_writtenPackets;
}

}  // namespace mirelk
