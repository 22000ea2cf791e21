#include "engine/pipeline/frame_pool.h"

#include "binding/entry_points.h"

namespace mirelk {

namespace {

// Rows aligned as the library aligns the pictures it allocates, so that an encoder that takes
// a picture of its own row layout as it is still does; the scalers may read a little past the
// last row, as they may on the library's buffers.
constexpr int kAlign = 32;
constexpr int kPadding = 64;

}  // namespace

TPictureFramePool::~TPictureFramePool()
{
    // Buffers still held elsewhere keep the pool alive until they come back.
    if (m_pool != nullptr && av::av_buffer_pool_uninit != nullptr) av::av_buffer_pool_uninit(&m_pool);
}

bool TPictureFramePool::Take(AVFrame* frame, AVPixelFormat format, int width, int height)
{
    av::av_frame_unref(frame);
    const int size = av::av_image_get_buffer_size(format, width, height, kAlign);
    if (size < 0) return false;
    if (m_pool == nullptr || format != m_format || width != m_width || height != m_height) {
        if (m_pool != nullptr) av::av_buffer_pool_uninit(&m_pool);
        m_pool = av::av_buffer_pool_init(static_cast<std::size_t>(size) + kPadding, nullptr);
        if (m_pool == nullptr) return false;
        m_format = format;
        m_width = width;
        m_height = height;
    }
    AVBufferRef* buffer = av::av_buffer_pool_get(m_pool);
    if (buffer == nullptr) return false;
    frame->buf[0] = buffer;
    if (av::av_image_fill_arrays(frame->data, frame->linesize, buffer->data, format, width, height, kAlign) < 0) {
        av::av_frame_unref(frame);
        return false;
    }
    frame->format = format;
    frame->width = width;
    frame->height = height;
    return true;
}

}  // namespace mirelk
