// Pictures a stage writes into, on buffers taken from a pool: a buffer an encoder or a filter
// still holds is never copied or written over, and one they gave back is used again.
#pragma once

#include <memory>

#include "binding/av_headers.h"

namespace mirelk {

class TPictureFramePool {
public:
    TPictureFramePool() = default;
    ~TPictureFramePool();
    TPictureFramePool(const TPictureFramePool&) = delete;
    TPictureFramePool& operator=(const TPictureFramePool&) = delete;

    // Makes frame (emptied first) a picture of the format and size on a buffer of its own;
    // false when there is no memory for one.
    bool Take(AVFrame* frame, AVPixelFormat format, int width, int height);

private:
    AVBufferPool* m_pool = nullptr;
    AVPixelFormat m_format = AV_PIX_FMT_NONE;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace mirelk
