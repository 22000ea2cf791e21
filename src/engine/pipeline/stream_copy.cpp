#include "engine/pipeline/stream_copy.h"

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/run_records.h"

namespace mirelk {

TStreamCopy::TStreamCopy(const TStreamCopySettings& settings, const TInputStream& source, const TOutputStream& output,
                         IPacketSink& sink)
    : TOutputStage(sink), m_settings(settings), m_from(source.stream), m_to(output.stream), m_copy(NewPacket())
{
}

void TStreamCopy::Copy(const AVPacket& packet, std::int64_t streamPts)
{
    // A copy starts at a key frame, unless asked to keep what comes before the first one.
    if (FramesWritten() == 0 && !(packet.flags & AV_PKT_FLAG_KEY) && !m_settings.copyInitialNonKeyFrames) return;
    const AVMediaType type = m_from->codecpar->codec_type;
    const TPayload payload = type == AVMEDIA_TYPE_AUDIO   ? TPayload::Audio
                             : type == AVMEDIA_TYPE_VIDEO ? TPayload::Video
                                                          : TPayload::Uncounted;
    AVPacket* copy = m_copy.get();
    if (av::av_packet_ref(copy, &packet) < 0) throw FFmpegException("av_mallocz fail");
    const AVRational from = m_from->time_base;
    const AVRational to = m_to->time_base;
    // The run's own time, from the packet's stream clock, where the packet carries no DTS.
    copy->dts = packet.dts != AV_NOPTS_VALUE ? av::av_rescale_q(packet.dts, from, to)
                                             : av::av_rescale_q(streamPts, AV_TIME_BASE_Q, to);
    copy->pts = packet.pts != AV_NOPTS_VALUE ? av::av_rescale_q(packet.pts, from, to) : AV_NOPTS_VALUE;
    // Into output time, which begins at a start given as an output option, as the encoded ones do.
    const std::int64_t start = av::av_rescale_q(m_settings.outputStart, AV_TIME_BASE_Q, to);
    copy->dts -= start;
    if (copy->pts != AV_NOPTS_VALUE) copy->pts -= start;
    copy->duration = av::av_rescale_q(packet.duration, from, to);
    copy->pos = -1;
    Sink().Write(copy, payload);
    av::av_packet_unref(copy);
    CountFrame();
}

}  // namespace mirelk
