#include "probe/video_frame_decoder.h"

#include <mutex>

#include "binding/entry_points.h"
#include "binding/loader.h"

namespace mirelk::probing {

TDecoderOpenResult TVideoFrameDecoder::Open(const AVStream* stream)
{
    m_codec.reset();
    m_stream = nullptr;
    const AVCodec* decoder = av::avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr) return TDecoderOpenResult::NoDecoder;

    TCodecContextPtr codec(av::avcodec_alloc_context3(decoder));
    if (codec == nullptr || av::avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0)
        return TDecoderOpenResult::OpenFailed;
    codec->pkt_timebase = stream->time_base;
    if (m_packet == nullptr) m_packet.reset(av::av_packet_alloc());
    if (m_frame == nullptr) m_frame.reset(av::av_frame_alloc());
    if (m_packet == nullptr || m_frame == nullptr) return TDecoderOpenResult::OpenFailed;

    int opened = 0;
    {
        // Tasks in other threads open and close codecs too.
        std::lock_guard<std::mutex> lock(CodecLock());
        opened = av::avcodec_open2(codec.get(), decoder, nullptr);
    }
    if (opened < 0) return TDecoderOpenResult::OpenFailed;
    m_codec = std::move(codec);
    m_stream = stream;
    return TDecoderOpenResult::Opened;
}

void TVideoFrameDecoder::Close()
{
    m_codec.reset();
    m_stream = nullptr;
    m_packet.reset();
    m_frame.reset();
}

void TVideoFrameDecoder::Flush()
{
    if (m_codec != nullptr) av::avcodec_flush_buffers(m_codec.get());
}

bool TVideoFrameDecoder::DecodeNextPicture(AVFormatContext* context)
{
    if (m_codec == nullptr) return false;
    bool draining = false;
    for (;;) {
        // A packet may hold several pictures: take what the decoder has before reading more.
        const int received = av::avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (received == 0) return true;
        // Once drained, whatever the decoder answers ends the stream: no packet can follow.
        if (received == AVERROR_EOF || draining) return false;
        // The decoder wants input (or dropped a damaged packet and wants the next one).
        if (av::av_read_frame(context, m_packet.get()) < 0) {
            av::avcodec_send_packet(m_codec.get(), nullptr);
            draining = true;
            continue;
        }
        // A packet the decoder rejects is skipped like one of another stream.
        if (m_packet->stream_index == m_stream->index) av::avcodec_send_packet(m_codec.get(), m_packet.get());
        av::av_packet_unref(m_packet.get());
    }
}

void TVideoFrameDecoder::ReleasePicture()
{
    if (m_frame != nullptr) av::av_frame_unref(m_frame.get());
}

}  // namespace mirelk::probing
