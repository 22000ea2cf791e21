#include "engine/pipeline/audio_output.h"

#include <algorithm>
#include <cmath>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/run_records.h"

namespace mirelk {

namespace {

// The silence put before one block is bounded as it was for 16-bit samples: 131072 bytes.
int SilenceCeiling(int channels) { return 131072 / (2 * std::max(channels, 1)); }

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b) { return av::av_channel_layout_compare(&a, &b) == 0; }

}  // namespace

TAudioOutput::TAudioOutput(TAudioOutputContext context, const TInputStream& source, const TOutputStream& output,
                           IPacketSink& sink)
    : TOutputStage(sink), m_context(std::move(context)), m_source(source), m_stream(output.stream),
      m_encoder(output.codec), m_packet(NewPacket())
{
}

void TAudioOutput::BeforeEncoderOpens(const AVCodec& encoder)
{
    m_codec = &encoder;
    if (m_encoder->sample_fmt == AV_SAMPLE_FMT_NONE)
        m_encoder->sample_fmt = encoder.sample_fmts != nullptr ? encoder.sample_fmts[0]
                                                                : static_cast<AVSampleFormat>(m_source.stream->codecpar->format);
    if (m_encoder->sample_rate <= 0) m_encoder->sample_rate = m_source.stream->codecpar->sample_rate;
    m_encoder->time_base = AVRational{1, m_encoder->sample_rate};
}

void TAudioOutput::Open()
{
    m_variableFrames = m_encoder->frame_size <= 1 ||
                       (m_codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    m_fifo.reset(av::av_audio_fifo_alloc(m_encoder->sample_fmt, m_encoder->ch_layout.nb_channels,
                                         std::max(m_encoder->frame_size, 1024)));
    if (!m_fifo) throw FFmpegException("av_fifo_init fail");
    m_converted = NewFrame();
    m_silence = NewFrame();
    m_toEncode = NewFrame();
}

void TAudioOutput::EnsureCapacity(TFramePtr& frame, AVSampleFormat format, const AVChannelLayout& layout, int rate,
                                  int samples)
{
    // Grown only, so that a steady stream of blocks allocates nothing after the first.
    if (frame->data[0] != nullptr && frame->format == format && frame->nb_samples >= samples &&
        SameLayout(frame->ch_layout, layout)) {
        return;
    }
    av::av_frame_unref(frame.get());
    frame->format = format;
    frame->sample_rate = rate;
    frame->nb_samples = std::max(samples, 1);
    if (av::av_channel_layout_copy(&frame->ch_layout, &layout) < 0 || av::av_frame_get_buffer(frame.get(), 0) < 0)
        throw FFmpegException("av_malloc failed");
}

void TAudioOutput::ConfigureConverter(const AVFrame& decoded)
{
    const AVSampleFormat format = static_cast<AVSampleFormat>(decoded.format);
    if (m_converterConfigured && format == m_inFormat && decoded.sample_rate == m_inRate &&
        SameLayout(decoded.ch_layout, *m_inLayout))
        return;
    m_inFormat = format;
    m_inRate = decoded.sample_rate;
    if (!m_inLayout.CopyFrom(decoded.ch_layout)) throw FFmpegException("av_malloc failed");
    m_converterConfigured = true;
    m_converter.reset();
    const int async = m_settings.syncMethod;
    const bool same = format == m_encoder->sample_fmt && m_inRate == m_encoder->sample_rate &&
                      SameLayout(*m_inLayout, m_encoder->ch_layout);
    if (same && async <= 1) return;

    SwrContext* raw = nullptr;
    const int made = av::swr_alloc_set_opts2(&raw, &m_encoder->ch_layout, m_encoder->sample_fmt,
                                             m_encoder->sample_rate, m_inLayout.Get(), format, m_inRate, 0, nullptr);
    m_converter.reset(raw);
    if (made >= 0) {
        av::av_opt_set(raw, "filter_size", "16", 0);
        av::av_opt_set(raw, "phase_shift", "10", 0);
        av::av_opt_set(raw, "linear_interp", "0", 0);
        av::av_opt_set(raw, "cutoff", "0.8", 0);
        // Drift compensation needs the resampler even at equal rates.
        if (async > 1) av::av_opt_set(raw, "flags", "res", 0);
    }
    if (made < 0 || av::swr_init(raw) < 0)
        throw FFmpegException(Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                     m_inLayout->nb_channels, m_inRate, m_encoder->ch_layout.nb_channels,
                                     m_encoder->sample_rate));
}

void TAudioOutput::Synchronise(std::int64_t time, int blockSamples, double shift, int& skip, int& silence)
{
    skip = 0;
    silence = 0;
    const TAudioOutputSettings& options = m_settings;
    const std::int64_t syncTime = m_context.SyncTime(time);
    const double outRate = m_encoder->sample_rate;
    const double seconds = m_context.clock.OutputSeconds(syncTime) + shift;
    const int queued = av::av_audio_fifo_size(m_fifo.get());
    if (options.syncMethod == 0) {
        m_position = std::llround(seconds * outRate) - queued;
        return;
    }
    const double delta = seconds * outRate - static_cast<double>(m_position) - queued;
    if (std::fabs(delta) <= 50) return;
    const double inputDelta = delta * m_inRate / outRate;
    const bool verbose = options.verbose;
    const TErrorPolicy& log = m_context.errors;
    if (m_isStart || std::fabs(delta) > options.driftThreshold * outRate) {
        const int sampleDelta = static_cast<int>(inputDelta);
        if (sampleDelta < 0) {
            skip = std::min(-sampleDelta, blockSamples);
            if (verbose) log.Log(kLevelInfo, Format("discarding %d audio samples", static_cast<int>(-delta)));
            if (skip < blockSamples) m_isStart = false;
        } else {
            silence = sampleDelta;
            const int ceiling = SilenceCeiling(m_inLayout->nb_channels);
            if (silence + blockSamples <= ceiling)
                m_isStart = false;
            else
                silence = std::max(ceiling - blockSamples, 0);
            if (verbose) log.Log(kLevelInfo, Format("adding %d audio samples of silence", static_cast<int>(delta)));
        }
    } else if (options.syncMethod > 1 && m_converter) {
        const int compensation = std::clamp(static_cast<int>(delta), -options.syncMethod, options.syncMethod);
        if (verbose)
            log.Log(kLevelInfo, Format("compensating audio timestamp drift:%f compensation:%d in:%d", delta,
                                         compensation, m_encoder->sample_rate));
        av::swr_set_compensation(m_converter.get(), compensation, m_encoder->sample_rate);
    }
}

bool TAudioOutput::ClipBlock(const AVFrame& decoded, std::int64_t pts, int& first, int& last)
{
    first = 0;
    last = decoded.nb_samples;
    const TTimeGate& gate = m_context.clock.gate;
    if (pts >= gate.end) {
        EndClip();
        return false;
    }
    if (decoded.sample_rate <= 0) return !m_context.clock.BeforeStart(pts);
    const std::int64_t length = av::av_rescale(decoded.nb_samples, 1000000, decoded.sample_rate);
    if (pts < gate.start) {
        if (gate.start - pts >= length) return false;
        first = static_cast<int>(av::av_rescale(gate.start - pts, decoded.sample_rate, 1000000));
    }
    if (gate.end != INT64_MAX && gate.end - pts <= length) {
        const std::int64_t kept = av::av_rescale(gate.end - pts, decoded.sample_rate, 1000000);
        last = static_cast<int>(std::min<std::int64_t>(kept, last));
        EndClip();
    }
    return first < last;
}

void TAudioOutput::Process(const AVFrame& decoded, std::int64_t pts)
{
    int first = 0;
    int last = 0;
    if (!ClipBlock(decoded, pts, first, last)) return;
    ConfigureConverter(decoded);
    int skip = 0;
    int silence = 0;
    // The block's time is that of its first sample in the clip.
    Synchronise(pts, last - first, m_inRate > 0 ? static_cast<double>(first) / m_inRate : 0.0, skip, silence);
    if (skip >= last - first) return;
    skip += first;
    if (silence > 0) FeedSilence(silence);

    const std::uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
    const bool planar = av::av_sample_fmt_is_planar(m_inFormat) != 0;
    const int bytesPerSample = av::av_get_bytes_per_sample(m_inFormat);
    const int channels = m_inLayout->nb_channels;
    const int planeCount = planar ? channels : 1;
    const int stride = planar ? bytesPerSample : bytesPerSample * channels;
    for (int plane = 0; plane < planeCount && plane < AV_NUM_DATA_POINTERS; ++plane)
        planes[plane] = decoded.extended_data[plane] + static_cast<std::ptrdiff_t>(skip) * stride;
    Feed(planes, last - skip);
    EncodeAvailable();
}

void TAudioOutput::FeedSilence(int samples)
{
    EnsureCapacity(m_silence, m_inFormat, *m_inLayout, m_inRate, samples);
    av::av_samples_set_silence(m_silence->extended_data, 0, samples, m_inLayout->nb_channels, m_inFormat);
    Feed(const_cast<const std::uint8_t* const*>(m_silence->extended_data), samples);
}

void TAudioOutput::Feed(const std::uint8_t* const* planes, int samples)
{
    if (!m_converter) {
        // The FIFO only reads from the planes; its interface is not const-correct.
        void* writable[AV_NUM_DATA_POINTERS] = {};
        for (int plane = 0; plane < AV_NUM_DATA_POINTERS; ++plane)
            writable[plane] = const_cast<std::uint8_t*>(planes[plane]);
        if (av::av_audio_fifo_write(m_fifo.get(), writable, samples) < samples)
            throw FFmpegException("av_fifo_realloc2() failed");
        return;
    }
    const int capacity = av::swr_get_out_samples(m_converter.get(), samples);
    EnsureCapacity(m_converted, m_encoder->sample_fmt, m_encoder->ch_layout, m_encoder->sample_rate, capacity);
    const int converted = av::swr_convert(m_converter.get(), m_converted->extended_data, capacity,
                                          const_cast<const std::uint8_t**>(planes), samples);
    if (converted < 0) {
        m_context.errors.Fault("av_audio_convert() failed");
        return;
    }
    if (converted > 0 &&
        av::av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(m_converted->extended_data), converted) < converted)
        throw FFmpegException("av_fifo_realloc2() failed");
}

void TAudioOutput::EncodeAvailable()
{
    if (m_variableFrames) {
        const int available = av::av_audio_fifo_size(m_fifo.get());
        if (available > 0) EncodeFrame(available);
        return;
    }
    while (av::av_audio_fifo_size(m_fifo.get()) >= m_encoder->frame_size) EncodeFrame(m_encoder->frame_size);
}

void TAudioOutput::EncodeFrame(int samples)
{
    EnsureCapacity(m_toEncode, m_encoder->sample_fmt, m_encoder->ch_layout, m_encoder->sample_rate, samples);
    m_toEncode->nb_samples = samples;
    const int read = av::av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_toEncode->extended_data), samples);
    if (read < samples) {
        // Frame-sized encoders take whole frames: the last one is completed with silence.
        av::av_samples_set_silence(m_toEncode->extended_data, std::max(read, 0), samples - std::max(read, 0),
                                   m_encoder->ch_layout.nb_channels, m_encoder->sample_fmt);
    }
    // Time stamps count samples and never go back, even when the input's clock jitters.
    m_toEncode->pts = std::max(m_position, m_nextFramePts);
    m_nextFramePts = m_toEncode->pts + samples;
    m_position += samples;
    SendToEncoder(m_toEncode.get());
}

void TAudioOutput::SendToEncoder(AVFrame* frame)
{
    const int sent = av::avcodec_send_frame(m_encoder, frame);
    if (sent < 0 && sent != AVERROR_EOF) throw FFmpegException("Audio encoding failed");
    for (;;) {
        const int received = av::avcodec_receive_packet(m_encoder, m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) break;
        if (received < 0) throw FFmpegException("Audio encoding failed");
        // The encoder's delay may still hold blocks past the frame limit ("aframes").
        if (FramesWritten() >= m_settings.maxFrames) {
            av::av_packet_unref(m_packet.get());
            continue;
        }
        av::av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_stream->time_base);
        m_packet->flags |= AV_PKT_FLAG_KEY;
        Sink().Write(m_packet.get(), TPayload::Audio);
        av::av_packet_unref(m_packet.get());
        CountFrame();
    }
}

void TAudioOutput::Drain()
{
    if (!m_fifo) return;
    if (m_converter) {
        // What the resampler still holds.
        const int capacity = std::max(av::swr_get_out_samples(m_converter.get(), 0), 0);
        if (capacity > 0) {
            EnsureCapacity(m_converted, m_encoder->sample_fmt, m_encoder->ch_layout, m_encoder->sample_rate, capacity);
            const int flushed = av::swr_convert(m_converter.get(), m_converted->extended_data, capacity, nullptr, 0);
            if (flushed > 0)
                av::av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(m_converted->extended_data), flushed);
        }
    }
    EncodeAvailable();
    const int left = av::av_audio_fifo_size(m_fifo.get());
    if (left > 0) {
        const bool shortLastFrame = (m_codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
        EncodeFrame(shortLastFrame ? left : m_encoder->frame_size);
    }
    SendToEncoder(nullptr);
}

void ApplyVolume(AVFrame& frame, int volume)
{
    if (volume == 256) return;
    const AVSampleFormat format = av::av_get_packed_sample_fmt(static_cast<AVSampleFormat>(frame.format));
    const bool planar = av::av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame.format)) != 0;
    const int channels = frame.ch_layout.nb_channels;
    const int planes = planar ? channels : 1;
    const int perPlane = frame.nb_samples * (planar ? 1 : channels);
    const auto scaleInteger = [volume](auto* samples, int count, long long low, long long high) {
        for (int i = 0; i < count; ++i) {
            const long long scaled = (static_cast<long long>(samples[i]) * volume + 128) >> 8;
            samples[i] = static_cast<std::remove_reference_t<decltype(samples[i])>>(std::clamp(scaled, low, high));
        }
    };
    for (int plane = 0; plane < planes; ++plane) {
        std::uint8_t* data = frame.extended_data[plane];
        switch (format) {
        case AV_SAMPLE_FMT_U8:
            for (int i = 0; i < perPlane; ++i) {
                const int scaled = (((data[i] - 128) * volume + 128) >> 8) + 128;
                data[i] = static_cast<std::uint8_t>(std::clamp(scaled, 0, 255));
            }
            break;
        case AV_SAMPLE_FMT_S16:
            scaleInteger(reinterpret_cast<std::int16_t*>(data), perPlane, -32768, 32767);
            break;
        case AV_SAMPLE_FMT_S32:
            scaleInteger(reinterpret_cast<std::int32_t*>(data), perPlane, INT32_MIN, INT32_MAX);
            break;
        case AV_SAMPLE_FMT_S64: {
            auto* samples = reinterpret_cast<std::int64_t*>(data);
            for (int i = 0; i < perPlane; ++i) samples[i] = samples[i] / 256 * volume;
            break;
        }
        case AV_SAMPLE_FMT_FLT: {
            auto* samples = reinterpret_cast<float*>(data);
            for (int i = 0; i < perPlane; ++i) samples[i] = samples[i] * static_cast<float>(volume) / 256.0f;
            break;
        }
        case AV_SAMPLE_FMT_DBL: {
            auto* samples = reinterpret_cast<double*>(data);
            for (int i = 0; i < perPlane; ++i) samples[i] = samples[i] * volume / 256.0;
            break;
        }
        default:
            break;
        }
    }
}

}  // namespace mirelk
