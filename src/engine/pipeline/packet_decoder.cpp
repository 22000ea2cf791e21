// The decoding stage: decodes one packet of an input stream (or passes it on for stream copy)
// and feeds every output stream that takes that input stream.
#include <algorithm>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/audio_output.h"
#include "engine/pipeline/subtitle_output.h"
#include "engine/pipeline/packet_decoder.h"
#include "engine/pipeline/transcode_run.h"
#include "engine/pipeline/video_output.h"

namespace mirelk {

namespace {

// Length of one packet of a copied stream, in microseconds.
std::int64_t CopiedPacketDuration(const TInputStream& stream, const AVPacket& packet)
{
    const AVRational timeBase = stream.stream->time_base;
    if (packet.duration > 0) return av::av_rescale_q(packet.duration, timeBase, AV_TIME_BASE_Q);
    const AVCodecParameters* parameters = stream.stream->codecpar;
    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
        const AVRational rate = stream.stream->avg_frame_rate.num > 0 ? stream.stream->avg_frame_rate
                                                                      : stream.stream->r_frame_rate;
        return rate.num > 0 ? av::av_rescale(1000000, rate.den, rate.num) : 0;
    }
    if (parameters->codec_type == AVMEDIA_TYPE_AUDIO && parameters->sample_rate > 0)
        return av::av_rescale(1000000, parameters->frame_size, parameters->sample_rate);
    return 0;
}

}  // namespace

TPacketDecoder::TPacketDecoder(TTranscodeRun& run, std::vector<TOutputStream>& outputs)
    : m_run(run), m_outputs(outputs), m_copyPacket(NewPacket()), m_clippedPacket(NewPacket()), m_preprocessor(run)
{
}

const TOptionState& TPacketDecoder::Options() const { return m_run.Options(); }

int TPacketDecoder::OutputPacket(TInputStream& stream, int streamIndex, const AVPacket* packet)
{
    if (stream.nextPts == AV_NOPTS_VALUE) stream.nextPts = stream.pts;
    if (packet != nullptr && packet->dts != AV_NOPTS_VALUE)
        stream.pts = stream.nextPts = av::av_rescale_q(packet->dts, stream.stream->time_base, AV_TIME_BASE_Q);

    if (!stream.decodingNeeded) {
        if (packet == nullptr) return 0;
        stream.pts = stream.nextPts;
        stream.nextPts += CopiedPacketDuration(stream, *packet);
        EmulateRate(stream);
        if (stream.stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
            CopySubtitle(stream, streamIndex, *packet);
            return 0;
        }
        // A copy starts as it always did (at the key frame before the start), but ends with the
        // clip like the encoded streams.
        const std::int64_t start = Options().startTime;
        const bool started = start == 0 || stream.pts >= start;
        const bool ended = stream.pts >= m_run.Gate(stream).end;
        for (TOutputStream& output : m_outputs) {
            if (output.sourceIndex != streamIndex || output.encodingNeeded) continue;
            if (ended)
                output.reachedEnd = true;
            else if (started)
                CopyPacket(stream, output, *packet);
        }
        return 0;
    }
    const int decoded = stream.stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE
                             ? DecodeSubtitle(stream, streamIndex, packet)
                             : DecodeAndDispatch(stream, streamIndex, packet);
    if (packet == nullptr) DrainEncoders(streamIndex);
    return decoded;
}

int TPacketDecoder::DecodeAndDispatch(TInputStream& stream, int streamIndex, const AVPacket* packet)
{
    AVCodecContext* decoder = stream.decoder.get();
    int sent = av::avcodec_send_packet(decoder, packet);
    int failure = 0;
    // A decoder that still holds pictures (a frame-threaded one after a damaged packet) takes
    // the next packet once they are taken.
    for (int tries = 0; sent == AVERROR(EAGAIN) && tries < 2; ++tries) {
        const int received = ReceiveFrames(stream, streamIndex);
        if (received < 0) failure = received;
        sent = av::avcodec_send_packet(decoder, packet);
    }
    // A decoder already drained has nothing more to give.
    if (sent < 0 && sent != AVERROR_EOF) return failure < 0 ? failure : sent;
    const int received = ReceiveFrames(stream, streamIndex);
    return received < 0 ? received : failure;
}

int TPacketDecoder::ReceiveFrames(TInputStream& stream, int streamIndex)
{
    // A damaged picture is one error among the pictures the decoder gives: the others still
    // come, up to a bound for a decoder that repeats its error.
    constexpr int kMostErrorsInARow = 64;
    AVCodecContext* decoder = stream.decoder.get();
    AVFrame* frame = stream.frame.get();
    int failure = 0;
    for (int errors = 0;;) {
        const int received = av::avcodec_receive_frame(decoder, frame);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return failure;
        if (received < 0) {
            failure = received;
            if (++errors >= kMostErrorsInARow) return failure;
            continue;
        }
        errors = 0;
        const AVRational timeBase = stream.stream->time_base;
        if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
            stream.pts = av::av_rescale_q(frame->best_effort_timestamp, timeBase, AV_TIME_BASE_Q);
        else
            stream.pts = stream.nextPts;
        std::int64_t duration = 0;
        if (decoder->codec_type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0) {
            duration = av::av_rescale(frame->nb_samples, 1000000, frame->sample_rate);
            ApplyVolume(*frame, Options().audioVolume);
        } else if (frame->pkt_duration > 0) {
            duration = av::av_rescale_q(frame->pkt_duration, timeBase, AV_TIME_BASE_Q);
        } else {
            const AVRational rate = stream.stream->avg_frame_rate.num > 0 ? stream.stream->avg_frame_rate
                                                                          : stream.stream->r_frame_rate;
            duration = rate.num > 0 ? av::av_rescale(1000000, rate.den, rate.num) : 0;
        }
        stream.nextPts = stream.pts + duration;
        if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) m_preprocessor.Process(stream, *frame);
        EmulateRate(stream);
        DispatchFrame(stream, streamIndex, *frame);
        av::av_frame_unref(frame);
    }
}

void TPacketDecoder::DispatchFrame(TInputStream& stream, int streamIndex, const AVFrame& frame)
{
    // Each output is given the frame at its decoded time, whatever the one before made of it.
    const std::int64_t decodedPts = stream.pts;
    for (TOutputStream& output : m_outputs) {
        if (output.sourceIndex != streamIndex || !output.encodingNeeded) continue;
        stream.pts = decodedPts;
        output.stage->Process(frame);
    }
}

std::int64_t TTranscodeRun::OutputEnd(const TInputStream& stream) const
{
    const std::int64_t end = Gate(stream).end;
    const std::int64_t start = Options().startTime;
    if (end == INT64_MAX || (start < 0 && end > INT64_MAX + start)) return INT64_MAX;
    return end - start;
}

int TPacketDecoder::DecodeSubtitle(TInputStream& stream, int streamIndex, const AVPacket* packet)
{
    if (packet == nullptr) return 0;
    TSubtitle subtitle;
    int gotSubtitle = 0;
    AVPacket* copy = m_copyPacket.get();
    const int referenced = av::av_packet_ref(copy, packet);
    if (referenced < 0) return referenced;
    const int result = av::avcodec_decode_subtitle2(stream.decoder.get(), subtitle.Get(), &gotSubtitle, copy);
    av::av_packet_unref(copy);
    if (result < 0) return result;
    if (!gotSubtitle) return 0;
    AVSubtitle clipped = *subtitle;  // shares the subtitle's pictures and texts
    std::int64_t packetPts = packet->pts;
    bool ended = false;
    if (packetPts != AV_NOPTS_VALUE && !ClipSubtitle(stream, clipped, packetPts, ended)) {
        if (ended)
            for (TOutputStream& output : m_outputs)
                if (output.sourceIndex == streamIndex && output.encodingNeeded) output.reachedEnd = true;
        return 0;
    }
    for (TOutputStream& output : m_outputs)
        if (output.sourceIndex == streamIndex && output.encodingNeeded)
            output.stage->ProcessSubtitle(clipped, packetPts);
    return 0;
}

bool TPacketDecoder::ClipSubtitle(const TInputStream& stream, AVSubtitle& subtitle, std::int64_t& packetPts,
                                  bool& ended) const
{
    const AVRational timeBase = stream.stream->time_base;
    const std::int64_t at = av::av_rescale_q(packetPts, timeBase, AV_TIME_BASE_Q);
    const std::int64_t shown = at + 1000 * static_cast<std::int64_t>(subtitle.start_display_time);
    // A subtitle of no known length stays up until the next one.
    const bool lengthKnown =
        subtitle.end_display_time > subtitle.start_display_time && subtitle.end_display_time != UINT32_MAX;
    const std::int64_t hidden = lengthKnown ? at + 1000 * static_cast<std::int64_t>(subtitle.end_display_time) : shown;
    std::int64_t from = shown;
    std::int64_t to = hidden;
    if (!m_run.Gate(stream).Cut(from, to, lengthKnown, ended)) return false;
    if (from != shown) {
        // Shown from the start of the clip on, for the rest of its time.
        packetPts = av::av_rescale_q_rnd(from, AV_TIME_BASE_Q, timeBase, AV_ROUND_UP);
        subtitle.start_display_time = 0;
        subtitle.pts = av::av_rescale_q(packetPts, timeBase, AV_TIME_BASE_Q);
    }
    if (from != shown || to != hidden) {
        const std::int64_t base = av::av_rescale_q(packetPts, timeBase, AV_TIME_BASE_Q);
        subtitle.end_display_time = static_cast<std::uint32_t>(std::max<std::int64_t>(to - base, 0) / 1000);
    }
    // Into output time, which begins at a start given as an output option, as the pictures' does.
    packetPts -= av::av_rescale_q(Options().startTime, AV_TIME_BASE_Q, timeBase);
    return true;
}

void TPacketDecoder::DrainEncoders(int streamIndex)
{
    for (TOutputStream& output : m_outputs) {
        if (output.sourceIndex == streamIndex && output.encodingNeeded) output.stage->Drain();
    }
}

void TPacketDecoder::EmulateRate(const TInputStream& stream) const
{
    if (!Options().rateEmulation) return;
    const std::int64_t elapsed = av::av_gettime_relative() - stream.readStart;
    if (stream.pts > elapsed + 1000) av::av_usleep(static_cast<unsigned>((stream.pts - elapsed) / 1000 * 1000));
}

void TPacketDecoder::CopySubtitle(TInputStream& stream, int streamIndex, const AVPacket& packet)
{
    // Cut to the clip as decoded subtitles are: a subtitle shown across the start is shown from
    // it, one across the end until it.
    const AVRational timeBase = stream.stream->time_base;
    const std::int64_t shown = packet.pts != AV_NOPTS_VALUE ? av::av_rescale_q(packet.pts, timeBase, AV_TIME_BASE_Q)
                                                           : stream.pts;
    const bool lengthKnown = packet.duration > 0;
    std::int64_t from = shown;
    std::int64_t to = shown + (lengthKnown ? av::av_rescale_q(packet.duration, timeBase, AV_TIME_BASE_Q) : 0);
    bool ended = false;
    if (!m_run.Gate(stream).Cut(from, to, lengthKnown, ended)) {
        for (TOutputStream& output : m_outputs)
            if (output.sourceIndex == streamIndex && !output.encodingNeeded && ended) output.reachedEnd = true;
        return;
    }
    AVPacket* clipped = m_clippedPacket.get();
    if (av::av_packet_ref(clipped, &packet) < 0) throw FFmpegException("av_mallocz fail");
    if (from != shown) {
        clipped->pts = clipped->dts = av::av_rescale_q_rnd(from, AV_TIME_BASE_Q, timeBase, AV_ROUND_UP);
        stream.pts = from;
    }
    if (lengthKnown) clipped->duration = av::av_rescale_q(to - from, AV_TIME_BASE_Q, timeBase);
    for (TOutputStream& output : m_outputs)
        if (output.sourceIndex == streamIndex && !output.encodingNeeded) CopyPacket(stream, output, *clipped);
    av::av_packet_unref(clipped);
}

void TPacketDecoder::CopyPacket(TInputStream& stream, TOutputStream& output, const AVPacket& packet)
{
    // A copy starts at a key frame, unless asked to keep what comes before the first one.
    if (output.frameNumber == 0 && !(packet.flags & AV_PKT_FLAG_KEY) && !Options().copyInitialNonKeyFrames) return;
    const AVMediaType type = stream.stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_AUDIO) m_run.Counters().audioSize += packet.size;
    if (type == AVMEDIA_TYPE_VIDEO) {
        m_run.Counters().videoSize += packet.size;
        ++output.syncOpts;
    }
    AVPacket* copy = m_copyPacket.get();
    if (av::av_packet_ref(copy, &packet) < 0) throw FFmpegException("av_mallocz fail");
    const AVRational from = stream.stream->time_base;
    const AVRational to = output.stream->time_base;
    // The run's own time, from the packet's stream clock, where the packet carries no DTS.
    copy->dts = packet.dts != AV_NOPTS_VALUE ? av::av_rescale_q(packet.dts, from, to)
                                             : av::av_rescale_q(stream.pts, AV_TIME_BASE_Q, to);
    copy->pts = packet.pts != AV_NOPTS_VALUE ? av::av_rescale_q(packet.pts, from, to) : AV_NOPTS_VALUE;
    // Into output time, which begins at a start given as an output option, as the encoded ones do.
    const std::int64_t start = av::av_rescale_q(Options().startTime, AV_TIME_BASE_Q, to);
    copy->dts -= start;
    if (copy->pts != AV_NOPTS_VALUE) copy->pts -= start;
    copy->duration = av::av_rescale_q(packet.duration, from, to);
    copy->pos = -1;
    m_run.WriteFrame(output, copy);
    av::av_packet_unref(copy);
    ++output.frameNumber;
}

}  // namespace mirelk
