#include "binding/av_owners.h"

#include <mutex>

#include "binding/entry_points.h"
#include "binding/loader.h"

namespace mirelk {

void TInputContextCloser::operator()(AVFormatContext* context) const
{
    if (av::avformat_close_input != nullptr) av::avformat_close_input(&context);
}

void TFormatContextFreer::operator()(AVFormatContext* context) const
{
    if (av::avformat_free_context != nullptr) av::avformat_free_context(context);
}

void TOutputContextCloser::operator()(AVFormatContext* context) const
{
    if (av::avformat_free_context == nullptr) return;
    if (context->oformat != nullptr && !(context->oformat->flags & AVFMT_NOFILE)) av::avio_closep(&context->pb);
    av::avformat_free_context(context);
}

void TCodecContextCloser::operator()(AVCodecContext* context) const
{
    if (av::avcodec_free_context == nullptr) return;
    std::lock_guard<std::mutex> lock(CodecLock());
    av::avcodec_free_context(&context);
}

void TCodecContextFreer::operator()(AVCodecContext* context) const
{
    if (av::avcodec_free_context != nullptr) av::avcodec_free_context(&context);
}

void TFrameFreer::operator()(AVFrame* frame) const
{
    if (av::av_frame_free != nullptr) av::av_frame_free(&frame);
}

void TPacketFreer::operator()(AVPacket* packet) const
{
    if (av::av_packet_free != nullptr) av::av_packet_free(&packet);
}

void TScalerFreer::operator()(SwsContext* scaler) const
{
    if (av::sws_freeContext != nullptr) av::sws_freeContext(scaler);
}

void TResamplerFreer::operator()(SwrContext* resampler) const
{
    if (av::swr_free != nullptr) av::swr_free(&resampler);
}

void TAudioFifoFreer::operator()(AVAudioFifo* fifo) const
{
    if (av::av_audio_fifo_free != nullptr) av::av_audio_fifo_free(fifo);
}

void TBitstreamFilterFreer::operator()(AVBSFContext* context) const
{
    if (av::av_bsf_free != nullptr) av::av_bsf_free(&context);
}

void TFilterGraphFreer::operator()(AVFilterGraph* graph) const
{
    if (av::avfilter_graph_free != nullptr) av::avfilter_graph_free(&graph);
}

void TFilterInOutFreer::operator()(AVFilterInOut* list) const
{
    if (av::avfilter_inout_free != nullptr) av::avfilter_inout_free(&list);
}

void TAVMemoryFreer::operator()(std::uint8_t* memory) const
{
    if (av::av_free != nullptr) av::av_free(memory);
}

void TIOContextCloser::operator()(AVIOContext* io) const
{
    if (av::avio_closep != nullptr) av::avio_closep(&io);
}

TSubtitle::~TSubtitle()
{
    if (av::avsubtitle_free != nullptr) av::avsubtitle_free(&m_subtitle);
}

TChannelLayout::~TChannelLayout() { Clear(); }

void TChannelLayout::Clear()
{
    if (av::av_channel_layout_uninit != nullptr) av::av_channel_layout_uninit(&m_layout);
}

bool TChannelLayout::CopyFrom(const AVChannelLayout& other)
{
    Clear();
    if (av::av_channel_layout_copy(&m_layout, &other) >= 0) return true;
    Clear();
    return false;
}

}  // namespace mirelk
