#include "engine/pipeline/video_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/run_records.h"
#include "engine/pipeline/run_request.h"
#include "engine/pipeline/video_statistics.h"

namespace mirelk {

TVideoOutput::TVideoOutput(TVideoOutputContext context, const TInputStream& source, const TOutputStream& output,
                           IPacketSink& sink)
    : TOutputStage(sink), m_context(std::move(context)), m_source(source), m_stream(output.stream),
      m_encoder(output.codec),
      m_toEncode(NewFrame()), m_packet(NewPacket())
{
    const TPictureSettings& picture = m_settings.picture;
    const AVCodecParameters* input = source.stream->codecpar;
    m_crop = picture.Crops();
    m_pad = picture.Pads();
    m_cropWidth = input->width - picture.crop.left - picture.crop.right;
    m_cropHeight = input->height - picture.crop.top - picture.crop.bottom;

    if (m_encoder->flags & AV_CODEC_FLAG_PASS1) m_passLog.OpenForWriting(m_settings.passLogName);
    if (m_encoder->flags & AV_CODEC_FLAG_PASS2) {
        m_passStatistics = TTwoPassLog::ReadAll(m_settings.passLogName);
        m_encoder->stats_in = m_passStatistics.data();
    }
    if (m_settings.filtered) {
        m_filters = std::make_unique<TVideoFilterGraph>(picture, source, output, m_context.errors.Logger(),
                                                        [this] { return NothingMoreWanted(); });
        m_filtered = NewFrame();
    }
}

TVideoOutput::~TVideoOutput()
{
    // The encoder must not keep pointing at the text this object owns.
    if (!m_passStatistics.empty() && m_encoder->stats_in == m_passStatistics.data()) m_encoder->stats_in = nullptr;
}

void TVideoOutput::BeforeEncoderOpens(const AVCodec& encoder)
{
    const AVCodecParameters* input = m_source.stream->codecpar;
    if (m_encoder->pix_fmt == AV_PIX_FMT_NONE) m_encoder->pix_fmt = DefaultPixelFormat(&encoder, input->format);
    if (m_encoder->width <= 0 || m_encoder->height <= 0) {
        const TPadBands& bands = m_settings.picture.pad;
        m_encoder->width = m_cropWidth + bands.left + bands.right;
        m_encoder->height = m_cropHeight + bands.top + bands.bottom;
    }
    if (m_pad && !CanPaintPadBands(m_encoder->pix_fmt))
        throw FFmpegException(Format("Cannot pad pictures of pixel format %s",
                                     av::av_get_pix_fmt_name(m_encoder->pix_fmt)));
}

void TVideoOutput::Open()
{
    TFrameRateSync::TSettings rate;
    rate.timeBase = m_encoder->time_base;
    rate.method = m_settings.syncMethod;
    rate.variableRateFormat = m_settings.variableRateFormat;
    rate.outputStart = m_context.clock.outputStart;
    rate.verbose = m_settings.verbose;
    m_rate.emplace(rate, m_context.errors.Logger());
}

int TVideoOutput::CopiesWanted(std::int64_t pts)
{
    const std::int64_t syncTime = m_context.SyncTime(pts);
    const int copies = m_rate->CopiesFor(syncTime);
    return std::min(copies, m_settings.maxFrames - FramesWritten());
}

bool TVideoOutput::NothingMoreWanted() const
{
    if (m_context.host->StopAsked()) return true;
    const bool allPictures = FramesWritten() >= m_settings.maxFrames;
    const bool allTime = m_settings.recordingTime != INT64_MAX &&
                         OutputTime() >= static_cast<double>(m_settings.recordingTime) / 1000000.0;
    return allPictures || allTime;
}

bool TVideoOutput::PrepareFrame(const AVFrame& picture)
{
    const bool filtered = m_filters != nullptr;
    // The part of the picture that goes on: a view past the cropped bands.
    const std::uint8_t* source[4] = {};
    int sourceStride[4] = {};
    const AVPixelFormat sourceFormat = static_cast<AVPixelFormat>(picture.format);
    const AVPixFmtDescriptor* descriptor = av::av_pix_fmt_desc_get(sourceFormat);
    if (descriptor == nullptr) return false;
    const bool crop = m_crop && !filtered;
    const TPadBands& cropped = m_settings.picture.crop;
    const int cropTop = crop ? cropped.top : 0;
    const int cropLeft = crop ? cropped.left : 0;
    const int width = crop ? picture.width - cropped.left - cropped.right : picture.width;
    const int height = crop ? picture.height - cropped.top - cropped.bottom : picture.height;
    if (width <= 0 || height <= 0) {
        m_context.errors.Fault("error cropping picture");
        return false;
    }
    for (int plane = 0; plane < 4 && picture.data[plane] != nullptr; ++plane) {
        const bool chroma = (plane == 1 || plane == 2) && !(descriptor->flags & AV_PIX_FMT_FLAG_RGB);
        const int rows = chroma ? cropTop >> descriptor->log2_chroma_h : cropTop;
        const int columns = chroma ? cropLeft >> descriptor->log2_chroma_w : cropLeft;
        int step = descriptor->comp[0].step;
        for (int c = 0; c < descriptor->nb_components; ++c)
            if (descriptor->comp[c].plane == plane) step = descriptor->comp[c].step;
        source[plane] = picture.data[plane] + static_cast<std::ptrdiff_t>(rows) * picture.linesize[plane] +
                        static_cast<std::ptrdiff_t>(columns) * step;
        sourceStride[plane] = picture.linesize[plane];
    }

    const TPadBands& bands = m_settings.picture.pad;
    const int innerWidth = m_encoder->width - bands.left - bands.right;
    const int innerHeight = m_encoder->height - bands.top - bands.bottom;
    const bool resample = width != innerWidth || height != innerHeight || sourceFormat != m_encoder->pix_fmt;
    if (!resample && !m_pad) {
        // The picture goes on as it is (or as a cropped view): no pixel is copied.
        av::av_frame_unref(m_toEncode.get());
        if (av::av_frame_ref(m_toEncode.get(), &picture) < 0) throw FFmpegException("av_mallocz fail");
        if (cropTop != 0 || cropLeft != 0 || width != picture.width || height != picture.height) {
            m_toEncode->crop_top = static_cast<std::size_t>(cropTop);
            m_toEncode->crop_left = static_cast<std::size_t>(cropLeft);
            m_toEncode->crop_bottom = static_cast<std::size_t>(picture.height - height - cropTop);
            m_toEncode->crop_right = static_cast<std::size_t>(picture.width - width - cropLeft);
            if (av::av_frame_apply_cropping(m_toEncode.get(), AV_FRAME_CROP_UNALIGNED) < 0) {
                m_context.errors.Fault("error cropping picture");
                return false;
            }
        }
        return true;
    }

    // The encoder may still hold the previous picture: this one goes into a buffer of its own.
    if (!m_picture) m_picture = NewFrame();
    if (!m_pool.Take(m_picture.get(), m_encoder->pix_fmt, m_encoder->width, m_encoder->height))
        throw FFmpegException(resample ? "Cannot allocate temp picture, check pix fmt" : "avpicture_alloc fail");
    const AVPixFmtDescriptor* target = av::av_pix_fmt_desc_get(m_encoder->pix_fmt);
    std::uint8_t* inner[4] = {};
    for (int plane = 0; plane < 4 && m_picture->data[plane] != nullptr; ++plane) {
        const bool chroma = (plane == 1 || plane == 2) && !(target->flags & AV_PIX_FMT_FLAG_RGB);
        const int rows = chroma ? bands.top >> target->log2_chroma_h : bands.top;
        const int columns = chroma ? bands.left >> target->log2_chroma_w : bands.left;
        inner[plane] = m_picture->data[plane] + static_cast<std::ptrdiff_t>(rows) * m_picture->linesize[plane] + columns;
    }
    if (resample) {
        if (!m_scaler || m_scalerSourceFormat != sourceFormat || m_scalerSourceWidth != width ||
            m_scalerSourceHeight != height) {
            m_scaler.reset(av::sws_getContext(width, height, sourceFormat, innerWidth, innerHeight, m_encoder->pix_fmt,
                                              m_settings.picture.scalerFlags, nullptr, nullptr, nullptr));
            if (!m_scaler) throw FFmpegException("Cannot get resampling context");
            m_scalerSourceFormat = sourceFormat;
            m_scalerSourceWidth = width;
            m_scalerSourceHeight = height;
        }
        av::sws_scale(m_scaler.get(), source, sourceStride, 0, height, inner, m_picture->linesize);
    } else {
        av::av_image_copy(inner, m_picture->linesize, source, sourceStride, sourceFormat, width, height);
    }
    if (m_pad &&
        !PaintPadBands(m_picture->data, m_picture->linesize, m_encoder->pix_fmt, m_encoder->width, m_encoder->height,
                       bands, m_settings.picture.padColor)) {
        m_context.errors.Fault("error padding picture");
        return false;
    }
    av::av_frame_unref(m_toEncode.get());
    if (av::av_frame_ref(m_toEncode.get(), m_picture.get()) < 0) throw FFmpegException("av_mallocz fail");
    av::av_frame_copy_props(m_toEncode.get(), &picture);
    return true;
}

void TVideoOutput::Process(const AVFrame& picture, std::int64_t pts)
{
    const TStageClock& clock = m_context.clock;
    // A cover stands for the whole file, not for a moment of it: it belongs to any clip, at its
    // start, and nothing follows it.
    if (m_source.stream->disposition & AV_DISPOSITION_ATTACHED_PIC) {
        if (clock.BeforeStart(pts)) pts = clock.gate.start;
        EndClip();
    }
    if (!m_filters) {
        if (!clock.BeforeStart(pts)) Encode(picture, pts);
        return;
    }
    if (m_filters->Push(picture, pts)) EncodeFiltered();
}

void TVideoOutput::EncodeFiltered()
{
    AVFrame* filtered = m_filtered.get();
    std::int64_t pts = 0;
    while (m_filters->Pull(filtered, pts)) {
        if (!m_context.clock.BeforeStart(pts)) Encode(*filtered, pts);
        av::av_frame_unref(filtered);
    }
}

void TVideoOutput::Encode(const AVFrame& picture, std::int64_t pts)
{
    if (pts >= m_context.clock.gate.end) {
        EndClip();
        return;
    }
    int copies = CopiesWanted(pts);
    // No copy for the rate lands at or after the end of the clip.
    const std::int64_t end = m_context.clock.OutputEnd();
    if (end != INT64_MAX) {
        const std::int64_t endSlot = av::av_rescale_q_rnd(end, AV_TIME_BASE_Q, m_encoder->time_base, AV_ROUND_UP);
        if (Position() >= endSlot) EndClip();
        const std::int64_t slotsLeft = std::max<std::int64_t>(endSlot - Position(), 0);
        copies = static_cast<int>(std::min<std::int64_t>(copies, slotsLeft));
    }
    if (copies <= 0) return;
    if (!PrepareFrame(picture)) return;
    IRunHost& host = *m_context.host;
    AVFrame* frame = m_toEncode.get();
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->key_frame = 0;
    frame->interlaced_frame = picture.interlaced_frame;
    if (m_encoder->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
        frame->top_field_first = m_settings.topFieldFirst != -1 ? m_settings.topFieldFirst : picture.top_field_first;
    frame->quality = (m_encoder->flags & AV_CODEC_FLAG_QSCALE) ? m_encoder->global_quality : 0;
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0) host.PassGate();
        if (host.StopAsked()) break;
        frame->pts = Position();
        Send(frame);
        m_rate->Advance();
        CountFrame();
        ReceivePackets();
    }
    av::av_frame_unref(m_toEncode.get());
}

void TVideoOutput::Send(AVFrame* frame)
{
    const int sent = av::avcodec_send_frame(m_encoder, frame);
    if (sent < 0 && sent != AVERROR_EOF) throw FFmpegException("Video encoding failed");
}

void TVideoOutput::ReceivePackets()
{
    for (;;) {
        const int received = av::avcodec_receive_packet(m_encoder, m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
        if (received < 0) throw FFmpegException("Video encoding failed");
        std::size_t statsSize = 0;
        const std::uint8_t* stats = av::av_packet_get_side_data(m_packet.get(), AV_PKT_DATA_QUALITY_STATS, &statsSize);
        int pictureType = AV_PICTURE_TYPE_NONE;
        double lumaError = -1;
        if (stats != nullptr && statsSize >= 5) {
            std::int32_t quality = 0;
            std::memcpy(&quality, stats, sizeof quality);
            m_quality = static_cast<float>(quality) / FF_QP2LAMBDA;
            pictureType = stats[4];
            if (stats[5] > 0 && statsSize >= 16) {
                std::uint64_t errors[3] = {};
                std::memcpy(errors, stats + 8, std::min<std::size_t>(sizeof errors, statsSize - 8));
                lumaError = static_cast<double>(errors[0]);
                for (int i = 0; i < 3; ++i) m_lastErrors[i] = errors[i];
            }
        }
        const int size = m_packet->size;
        m_context.host->PreviewPicture(*m_toEncode, m_context.pictureNumber(),
                                       av::av_rescale_q(m_packet->pts, m_encoder->time_base, AV_TIME_BASE_Q));
        av::av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_stream->time_base);
        Sink().Write(m_packet.get(), TPayload::Video);
        av::av_packet_unref(m_packet.get());
        if (m_encoder->stats_out != nullptr) m_passLog.Append(m_encoder->stats_out);
        if (m_context.statistics != nullptr)
            m_context.statistics->WriteFrameLine(FramesWritten(), m_quality, Position(), m_encoder, size, pictureType,
                                                 Sink().PayloadBytes(TPayload::Video), lumaError);
    }
}

void TVideoOutput::Drain()
{
    if (m_filters) {
        m_filters->Close();
        EncodeFiltered();
    }
    Send(nullptr);
    ReceivePackets();
}

}  // namespace mirelk
