#include "engine/pipeline/video_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/transcode_run.h"
#include "engine/pipeline/video_statistics.h"

namespace mirelk {

TVideoOutput::TVideoOutput(TTranscodeRun& run, TOutputStream& output, TInputStream& source, int outputStreamNumber)
    : m_run(run), m_output(output), m_source(source), m_encoder(output.codec),
      m_outputStreamNumber(outputStreamNumber), m_toEncode(NewFrame()), m_packet(NewPacket())
{
    const TOptionState& o = run.Options();
    const AVCodecParameters* input = source.stream->codecpar;
    m_crop = o.cropTop || o.cropBottom || o.cropLeft || o.cropRight;
    m_pad = o.padTop || o.padBottom || o.padLeft || o.padRight;
    m_cropTop = o.cropTop;
    m_cropLeft = o.cropLeft;
    m_cropRight = o.cropRight;
    m_cropBottom = o.cropBottom;
    m_cropWidth = input->width - o.cropLeft - o.cropRight;
    m_cropHeight = input->height - o.cropTop - o.cropBottom;
    m_bands = TPadBands{o.padTop, o.padBottom, o.padLeft, o.padRight};
    m_padColor[0] = o.padColorY;
    m_padColor[1] = o.padColorU;
    m_padColor[2] = o.padColorV;
    m_scalerFlags = run.Request().avOptions.ScalerFlags();

    const std::string logName = TTwoPassLog::FileName(o.passLogFileName, outputStreamNumber);
    if (m_encoder->flags & AV_CODEC_FLAG_PASS1) m_passLog.OpenForWriting(logName);
    if (m_encoder->flags & AV_CODEC_FLAG_PASS2) {
        m_passStatistics = TTwoPassLog::ReadAll(logName);
        m_encoder->stats_in = m_passStatistics.data();
    }
    if (run.Request().usesVideoFilters) {
        m_filters = std::make_unique<TVideoFilterGraph>(run, source, output);
        m_filtered = NewFrame();
    }
}

TVideoOutput::~TVideoOutput()
{
    // The encoder must not keep pointing at the text this object owns.
    if (!m_passStatistics.empty() && m_encoder->stats_in == m_passStatistics.data()) m_encoder->stats_in = nullptr;
}

void TVideoOutput::BeforeEncoderOpens()
{
    const AVCodecParameters* input = m_source.stream->codecpar;
    if (m_encoder->pix_fmt == AV_PIX_FMT_NONE)
        m_encoder->pix_fmt = m_output.encoder->pix_fmts != nullptr ? m_output.encoder->pix_fmts[0]
                                                                   : static_cast<AVPixelFormat>(input->format);
    if (m_encoder->width <= 0 || m_encoder->height <= 0) {
        m_encoder->width = m_cropWidth + m_bands.left + m_bands.right;
        m_encoder->height = m_cropHeight + m_bands.top + m_bands.bottom;
    }
    if (m_pad && !CanPaintPadBands(m_encoder->pix_fmt))
        throw FFmpegException(Format("Cannot pad pictures of pixel format %s",
                                     av::av_get_pix_fmt_name(m_encoder->pix_fmt)));
}

int TVideoOutput::CopiesForRate()
{
    const TOptionState& o = m_run.Options();
    TRunCounters& counters = m_run.Counters();
    const double timeBase = av_q2d(m_encoder->time_base);
    const std::int64_t syncPts = m_run.InputStream(m_output.syncIndex).pts;
    const double target = static_cast<double>(syncPts - o.startTime) / 1000000.0 / timeBase;
    const int method = o.videoSyncMethod;
    int copies = 1;
    if (method > 0 || (method != 0 && timeBase > 0.001)) {
        const double delta = target - static_cast<double>(m_output.syncOpts);
        const AVOutputFormat* format = m_run.Request().outputs.at(m_output.fileIndex).context->oformat;
        if (delta < -1.1) {
            copies = 0;
        } else if (method == 2 || (method < 0 && (format->flags & AVFMT_VARIABLE_FPS))) {
            if (delta <= -0.6)
                copies = 0;
            else if (delta > 0.6)
                m_output.syncOpts = std::llround(target);
        } else if (delta > 1.1) {
            copies = static_cast<int>(std::lrint(delta));
        }
        const bool verbose = o.verbosity > 2;
        if (copies == 0) {
            ++counters.framesDropped;
            if (verbose) m_run.Log(kLevelInfo, "*** drop!");
        } else if (copies > 1) {
            counters.framesDuplicated += copies - 1;
            if (verbose) m_run.Log(kLevelInfo, Format("*** %d dup!", copies - 1));
        }
    } else {
        // Following the input time, but never back: an encoder takes no two pictures at one time.
        m_output.syncOpts = std::max<std::int64_t>(std::llround(target), m_output.syncOpts);
    }
    return std::min(copies, o.maxFrames[miVideo] - m_output.frameNumber);
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
    const int cropTop = crop ? m_cropTop : 0;
    const int cropLeft = crop ? m_cropLeft : 0;
    const int width = crop ? picture.width - m_cropLeft - m_cropRight : picture.width;
    const int height = crop ? picture.height - m_cropTop - m_cropBottom : picture.height;
    if (width <= 0 || height <= 0) {
        if (m_run.Options().exitOnError) throw FFmpegException("error cropping picture");
        m_run.Log(kLevelError, "error cropping picture");
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

    const int innerWidth = m_encoder->width - m_bands.left - m_bands.right;
    const int innerHeight = m_encoder->height - m_bands.top - m_bands.bottom;
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
                if (m_run.Options().exitOnError) throw FFmpegException("error cropping picture");
                m_run.Log(kLevelError, "error cropping picture");
                return false;
            }
        }
        return true;
    }

    if (!m_picture) {
        m_picture = NewFrame();
        m_picture->format = m_encoder->pix_fmt;
        m_picture->width = m_encoder->width;
        m_picture->height = m_encoder->height;
        if (av::av_frame_get_buffer(m_picture.get(), 0) < 0)
            throw FFmpegException(resample ? "Cannot allocate temp picture, check pix fmt" : "avpicture_alloc fail");
    }
    // The encoder may still hold the previous picture: write into a buffer of our own.
    if (av::av_frame_make_writable(m_picture.get()) < 0) throw FFmpegException("avpicture_alloc fail");
    const AVPixFmtDescriptor* target = av::av_pix_fmt_desc_get(m_encoder->pix_fmt);
    std::uint8_t* inner[4] = {};
    for (int plane = 0; plane < 4 && m_picture->data[plane] != nullptr; ++plane) {
        const bool chroma = (plane == 1 || plane == 2) && !(target->flags & AV_PIX_FMT_FLAG_RGB);
        const int rows = chroma ? m_bands.top >> target->log2_chroma_h : m_bands.top;
        const int columns = chroma ? m_bands.left >> target->log2_chroma_w : m_bands.left;
        inner[plane] = m_picture->data[plane] + static_cast<std::ptrdiff_t>(rows) * m_picture->linesize[plane] + columns;
    }
    if (resample) {
        if (!m_scaler || m_scalerSourceFormat != sourceFormat || m_scalerSourceWidth != width ||
            m_scalerSourceHeight != height) {
            m_scaler.reset(av::sws_getContext(width, height, sourceFormat, innerWidth, innerHeight, m_encoder->pix_fmt,
                                              m_scalerFlags, nullptr, nullptr, nullptr));
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
                       m_bands, m_padColor)) {
        if (m_run.Options().exitOnError) throw FFmpegException("error padding picture");
        m_run.Log(kLevelError, "error padding picture");
        return false;
    }
    av::av_frame_unref(m_toEncode.get());
    if (av::av_frame_ref(m_toEncode.get(), m_picture.get()) < 0) throw FFmpegException("av_mallocz fail");
    av::av_frame_copy_props(m_toEncode.get(), &picture);
    return true;
}

void TVideoOutput::Process(const AVFrame& picture)
{
    // A cover stands for the whole file, not for a moment of it: it belongs to any clip, at its
    // start, and nothing follows it.
    if (m_source.stream->disposition & AV_DISPOSITION_ATTACHED_PIC) {
        if (m_run.BeforeStart(m_source, m_source.pts)) m_source.pts = m_run.Gate(m_source).start;
        m_output.reachedEnd = true;
    }
    if (!m_filters) {
        if (!m_run.BeforeStart(m_source, m_source.pts)) Encode(picture);
        return;
    }
    if (m_filters->Push(picture, m_source.pts)) EncodeFiltered();
}

void TVideoOutput::EncodeFiltered()
{
    AVFrame* filtered = m_filtered.get();
    std::int64_t pts = 0;
    while (m_filters->Pull(filtered, pts)) {
        m_source.pts = pts;
        if (!m_run.BeforeStart(m_source, pts)) Encode(*filtered);
        av::av_frame_unref(filtered);
    }
}

void TVideoOutput::Encode(const AVFrame& picture)
{
    if (m_source.pts >= m_run.Gate(m_source).end) {
        m_output.reachedEnd = true;
        return;
    }
    int copies = CopiesForRate();
    // No copy for the rate lands at or after the end of the clip.
    const std::int64_t end = m_run.OutputEnd(m_source);
    if (end != INT64_MAX) {
        const std::int64_t endSlot = av::av_rescale_q_rnd(end, AV_TIME_BASE_Q, m_encoder->time_base, AV_ROUND_UP);
        if (m_output.syncOpts >= endSlot) m_output.reachedEnd = true;
        const std::int64_t slotsLeft = std::max<std::int64_t>(endSlot - m_output.syncOpts, 0);
        copies = static_cast<int>(std::min<std::int64_t>(copies, slotsLeft));
    }
    if (copies <= 0) return;
    if (!PrepareFrame(picture)) return;
    const TOptionState& o = m_run.Options();
    AVFrame* frame = m_toEncode.get();
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->key_frame = 0;
    frame->interlaced_frame = picture.interlaced_frame;
    if (m_encoder->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
        frame->top_field_first = o.topFieldFirst != -1 ? o.topFieldFirst : picture.top_field_first;
    frame->quality = (m_encoder->flags & AV_CODEC_FLAG_QSCALE) ? m_encoder->global_quality : 0;
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0) m_run.Host().PassGate();
        if (m_run.Host().StopAsked()) break;
        frame->pts = m_output.syncOpts;
        Send(frame);
        ++m_output.syncOpts;
        ++m_output.frameNumber;
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
            m_output.quality = static_cast<float>(quality) / FF_QP2LAMBDA;
            pictureType = stats[4];
            if (stats[5] > 0 && statsSize >= 16) {
                std::uint64_t errors[3] = {};
                std::memcpy(errors, stats + 8, std::min<std::size_t>(sizeof errors, statsSize - 8));
                lumaError = static_cast<double>(errors[0]);
                for (int i = 0; i < 3; ++i) m_output.lastErrors[i] = errors[i];
            }
        }
        const int size = m_packet->size;
        m_run.Counters().videoSize += size;
        m_run.Host().PreviewPicture(*m_toEncode, m_run.HookFrameNumber(),
                                    av::av_rescale_q(m_packet->pts, m_encoder->time_base, AV_TIME_BASE_Q));
        av::av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_output.stream->time_base);
        m_run.WriteFrame(m_output, m_packet.get());
        av::av_packet_unref(m_packet.get());
        if (m_encoder->stats_out != nullptr) m_passLog.Append(m_encoder->stats_out);
        if (!m_run.Options().videoStatsFileName.empty())
            m_run.Statistics().WriteFrameLine(m_output, m_encoder, size, pictureType, m_run.Counters().videoSize,
                                              lumaError);
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
