#include "engine/pipeline/subtitle_output.h"

#include <cstring>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/run_records.h"

namespace mirelk {

namespace {
constexpr std::size_t kSubtitleBufferSize = 65536;
}

TSubtitleOutput::TSubtitleOutput(TErrorPolicy errors, const TInputStream& source, const TOutputStream& output,
                                 IPacketSink& sink)
    : TOutputStage(sink), m_errors(std::move(errors)), m_source(source), m_output(output), m_packet(NewPacket())
{
}

void TSubtitleOutput::ProcessSubtitle(const AVSubtitle& subtitle, std::int64_t packetPts)
{
    if (packetPts == AV_NOPTS_VALUE) {
        m_errors.Fault("Subtitle packets must have a pts");
        return;
    }
    if (m_buffer.empty()) m_buffer.resize(kSubtitleBufferSize);
    // Text longer than an encoded subtitle may be cannot fit; some encoders take minutes to find
    // that out on a text of megabytes.
    std::size_t textSize = 0;
    for (unsigned i = 0; i < subtitle.num_rects; ++i) {
        const AVSubtitleRect* rect = subtitle.rects[i];
        textSize += (rect->text != nullptr ? std::strlen(rect->text) : 0) + (rect->ass != nullptr ? std::strlen(rect->ass) : 0);
    }
    if (textSize > m_buffer.size()) {
        Refuse(Format("Subtitle encoding failed: a text of %zu bytes is longer than a subtitle may be (%zu bytes)",
                      textSize, m_buffer.size()),
               packetPts);
        return;
    }
    AVCodecContext* encoder = m_output.codec;
    // DVB subtitles take two packets: one draws the subtitle, the second clears it.
    const bool dvb = encoder->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
    const int packets = dvb ? 2 : 1;
    AVSubtitle toEncode = subtitle;
    for (int i = 0; i < packets; ++i) {
        if (dvb && i == 1) toEncode.num_rects = 0;
        const int size = av::avcodec_encode_subtitle(encoder, m_buffer.data(), static_cast<int>(m_buffer.size()), &toEncode);
        if (size < 0) {
            Refuse("Subtitle encoding failed: " + LibraryErrorText(size), packetPts);
            return;
        }
        if (av::av_new_packet(m_packet.get(), size) < 0) throw FFmpegException("av_mallocz fail");
        std::copy(m_buffer.begin(), m_buffer.begin() + size, m_packet->data);
        m_packet->pts = av::av_rescale_q(packetPts, m_source.stream->time_base, m_output.stream->time_base);
        if (dvb) {
            const std::uint32_t displayMs = i == 0 ? subtitle.start_display_time : subtitle.end_display_time;
            m_packet->pts += av::av_rescale_q(90 * static_cast<std::int64_t>(displayMs), AVRational{1, 90000},
                                              m_output.stream->time_base);
        } else if (subtitle.end_display_time > subtitle.start_display_time) {
            // How long the text stays up, which text subtitle formats store with the packet.
            m_packet->duration = av::av_rescale_q(subtitle.end_display_time - subtitle.start_display_time,
                                                  AVRational{1, 1000}, m_output.stream->time_base);
        }
        m_packet->dts = m_packet->pts;
        m_packet->flags |= AV_PKT_FLAG_KEY;
        Sink().Write(m_packet.get(), TPayload::Uncounted);
        av::av_packet_unref(m_packet.get());
        CountFrame();
    }
}

void TSubtitleOutput::Refuse(const std::string& message, std::int64_t packetPts)
{
    if (!m_output.optional) throw FFmpegException(message);
    // A subtitle the output keeps only because the input had it loses this one cue.
    const double seconds =
        static_cast<double>(av::av_rescale_q(packetPts, m_source.stream->time_base, AV_TIME_BASE_Q)) / 1000000.0;
    m_errors.Log(kLevelInfo, Format("%s (the subtitle at %.3f s of stream #%d.%d is left out)", message.c_str(),
                                    seconds, m_source.fileIndex, m_source.streamIndex));
}

}  // namespace mirelk
