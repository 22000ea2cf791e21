#include "binding/av_owners.h"

#include <mutex>

#include "binding/loader.h"

namespace mirelk {

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
