#include "engine/files/open_files.h"

#include "binding/entry_points.h"
#include "binding/loader.h"

namespace mirelk {

void TInputContextCloser::operator()(AVFormatContext* context) const { av::avformat_close_input(&context); }

void TCodecContextDeleter::operator()(AVCodecContext* context) const
{
    // Closing a codec is not safe beside another thread opening one.
    std::lock_guard<std::mutex> lock(CodecLock());
    av::avcodec_free_context(&context);
}

void TOutputContextCloser::operator()(AVFormatContext* context) const
{
    if (context->oformat != nullptr && !(context->oformat->flags & AVFMT_NOFILE)) av::avio_closep(&context->pb);
    av::avformat_free_context(context);
}

}  // namespace mirelk
