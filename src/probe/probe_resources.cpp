#include "probe/probe_resources.h"

#include <mutex>

#include "binding/entry_points.h"
#include "binding/loader.h"

namespace mirelk::probing {

void TOpenedInputCloser::operator()(AVFormatContext* context) const
{
    if (av::avformat_close_input != nullptr) av::avformat_close_input(&context);
}

void TCodecContextFreer::operator()(AVCodecContext* context) const
{
    if (av::avcodec_free_context != nullptr) av::avcodec_free_context(&context);
}

void TDecoderContextCloser::operator()(AVCodecContext* context) const
{
    if (av::avcodec_free_context == nullptr) return;
    std::lock_guard<std::mutex> lock(CodecLock());
    av::avcodec_free_context(&context);
}

void TPacketFreer::operator()(AVPacket* packet) const
{
    if (av::av_packet_free != nullptr) av::av_packet_free(&packet);
}

void TFrameFreer::operator()(AVFrame* frame) const
{
    if (av::av_frame_free != nullptr) av::av_frame_free(&frame);
}

void TScalerFreer::operator()(SwsContext* scaler) const
{
    if (av::sws_freeContext != nullptr) av::sws_freeContext(scaler);
}

void TAVMemoryFreer::operator()(std::uint8_t* memory) const
{
    if (av::av_free != nullptr) av::av_free(memory);
}

void TIOContextCloser::operator()(AVIOContext* io) const
{
    if (av::avio_closep != nullptr) av::avio_closep(&io);
}

}  // namespace mirelk::probing
