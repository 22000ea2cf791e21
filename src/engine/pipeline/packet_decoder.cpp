// The decoding stage: decodes one packet of an input stream (or passes it on for stream copy)
// and feeds every output stream that takes that input stream.
#include <algorithm>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/audio_output.h"
#include "engine/pipeline/demuxer.h"
#include "engine/pipeline/output_stage.h"
#include "engine/pipeline/packet_decoder.h"

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

TPacketDecoder::TPacketDecoder(const TDecoderSettings& settings, const TPreprocessContext& preprocessing,
                               const TDemuxer& demuxer, std::vector<TOutputStream>& outputs)
    : m_settings(settings), m_demuxer(demuxer), m_outputs(outputs), m_frame(NewFrame()),
      m_subtitlePacket(NewPacket()), m_clippedPacket(NewPacket()), m_preprocessor(preprocessing)
{
}

const TTimeGate& TPacketDecoder::Gate(const TInputStream& stream) const { return m_demuxer.File(stream.fileIndex).gate; }

int TPacketDecoder::OutputPacket(const TInputStream& stream, int streamIndex, const AVPacket* packet)
{
    TStreamClock& clock = m_clocks.at(static_cast<std::size_t>(streamIndex));
    std::int64_t now = clock.Now();
    std::int64_t next = clock.Next() == AV_NOPTS_VALUE ? now : clock.Next();
    if (packet != nullptr && packet->dts != AV_NOPTS_VALUE)
        now = next = av::av_rescale_q(packet->dts, stream.stream->time_base, AV_TIME_BASE_Q);
    clock.Set(now, next);

    if (!stream.decodingNeeded) {
        if (packet == nullptr) return 0;
        now = next;
        next += CopiedPacketDuration(stream, *packet);
        clock.Set(now, next);
        EmulateRate(stream, now);
        if (stream.stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
            CopySubtitle(stream, streamIndex, *packet);
            return 0;
        }
        // A copy starts as it always did (at the key frame before the start), but ends with the
        // clip like the encoded streams.
        const std::int64_t start = m_settings.outputStart;
        const bool started = start == 0 || now >= start;
        const bool ended = now >= Gate(stream).end;
        for (TOutputStream& output : m_outputs) {
            if (output.sourceIndex != streamIndex || output.encodingNeeded) continue;
            if (ended)
                output.stage->EndClip();
            else if (started)
                output.stage->Copy(*packet, now);
        }
        return 0;
    }
    const int decoded = stream.stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE
                             ? DecodeSubtitle(stream, streamIndex, packet)
                             : DecodeAndDispatch(stream, streamIndex, packet);
    if (packet == nullptr) DrainEncoders(streamIndex);
    return decoded;
}

int TPacketDecoder::DecodeAndDispatch(const TInputStream& stream, int streamIndex, const AVPacket* packet)
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

int TPacketDecoder::ReceiveFrames(const TInputStream& stream, int streamIndex)
{
    // A damaged picture is one error among the pictures the decoder gives: the others still
    // come, up to a bound for a decoder that repeats its error.
    constexpr int kMostErrorsInARow = 64;
    AVCodecContext* decoder = stream.decoder.get();
    AVFrame* frame = m_frame.get();
    TStreamClock& clock = m_clocks.at(static_cast<std::size_t>(streamIndex));
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
        const std::int64_t pts = frame->best_effort_timestamp != AV_NOPTS_VALUE
                                     ? av::av_rescale_q(frame->best_effort_timestamp, timeBase, AV_TIME_BASE_Q)
                                     : clock.Next();
        std::int64_t duration = 0;
        if (decoder->codec_type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0) {
            duration = av::av_rescale(frame->nb_samples, 1000000, frame->sample_rate);
            ApplyVolume(*frame, m_settings.audioVolume);
        } else if (frame->pkt_duration > 0) {
            duration = av::av_rescale_q(frame->pkt_duration, timeBase, AV_TIME_BASE_Q);
        } else {
            const AVRational rate = stream.stream->avg_frame_rate.num > 0 ? stream.stream->avg_frame_rate
                                                                          : stream.stream->r_frame_rate;
            duration = rate.num > 0 ? av::av_rescale(1000000, rate.den, rate.num) : 0;
        }
        clock.Set(pts, pts + duration);
        if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) m_preprocessor.Process(*frame, pts);
        EmulateRate(stream, pts);
        DispatchFrame(streamIndex, *frame, pts);
        av::av_frame_unref(frame);
    }
}

void TPacketDecoder::DispatchFrame(int streamIndex, const AVFrame& frame, std::int64_t pts)
{
    // Each output is given the frame at its decoded time.
    for (TOutputStream& output : m_outputs) {
        if (output.sourceIndex != streamIndex || !output.encodingNeeded) continue;
        output.stage->Process(frame, pts);
    }
}

int TPacketDecoder::DecodeSubtitle(const TInputStream& stream, int streamIndex, const AVPacket* packet)
{
    if (packet == nullptr) return 0;
    TSubtitle subtitle;
    int gotSubtitle = 0;
    AVPacket* copy = m_subtitlePacket.get();
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
                if (output.sourceIndex == streamIndex && output.encodingNeeded) output.stage->EndClip();
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
    if (!Gate(stream).Cut(from, to, lengthKnown, ended)) return false;
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
    packetPts -= av::av_rescale_q(m_settings.outputStart, AV_TIME_BASE_Q, timeBase);
    return true;
}

void TPacketDecoder::DrainEncoders(int streamIndex)
{
    for (TOutputStream& output : m_outputs) {
        if (output.sourceIndex == streamIndex && output.encodingNeeded) output.stage->Drain();
    }
}

void TPacketDecoder::EmulateRate(const TInputStream& stream, std::int64_t pts) const
{
    if (!m_settings.rateEmulation) return;
    const std::int64_t elapsed = av::av_gettime_relative() - stream.readStart;
    if (pts > elapsed + 1000) av::av_usleep(static_cast<unsigned>((pts - elapsed) / 1000 * 1000));
}

void TPacketDecoder::CopySubtitle(const TInputStream& stream, int streamIndex, const AVPacket& packet)
{
    // Cut to the clip as decoded subtitles are: a subtitle shown across the start is shown from
    // it, one across the end until it.
    const AVRational timeBase = stream.stream->time_base;
    TStreamClock& clock = m_clocks.at(static_cast<std::size_t>(streamIndex));
    const std::int64_t shown = packet.pts != AV_NOPTS_VALUE ? av::av_rescale_q(packet.pts, timeBase, AV_TIME_BASE_Q)
                                                           : clock.Now();
    const bool lengthKnown = packet.duration > 0;
    std::int64_t from = shown;
    std::int64_t to = shown + (lengthKnown ? av::av_rescale_q(packet.duration, timeBase, AV_TIME_BASE_Q) : 0);
    bool ended = false;
    if (!Gate(stream).Cut(from, to, lengthKnown, ended)) {
        for (TOutputStream& output : m_outputs)
            if (output.sourceIndex == streamIndex && !output.encodingNeeded && ended) output.stage->EndClip();
        return;
    }
    AVPacket* clipped = m_clippedPacket.get();
    if (av::av_packet_ref(clipped, &packet) < 0) throw FFmpegException("av_mallocz fail");
    if (from != shown) {
        clipped->pts = clipped->dts = av::av_rescale_q_rnd(from, AV_TIME_BASE_Q, timeBase, AV_ROUND_UP);
        clock.Set(from, clock.Next());
    }
    if (lengthKnown) clipped->duration = av::av_rescale_q(to - from, AV_TIME_BASE_Q, timeBase);
    for (TOutputStream& output : m_outputs)
        if (output.sourceIndex == streamIndex && !output.encodingNeeded) output.stage->Copy(*clipped, clock.Now());
    av::av_packet_unref(clipped);
}

}  // namespace mirelk
