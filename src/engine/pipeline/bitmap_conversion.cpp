#include "engine/pipeline/bitmap_conversion.h"

#include <cstring>

#include "binding/entry_points.h"

namespace mirelk {

void TSwsDeleter::operator()(SwsContext* context) const { av::sws_freeContext(context); }

namespace {

bool EnsureBgrFrame(TFramePtr& frame, int width, int height)
{
    if (!frame) frame = NewFrame();
    if (frame->data[0] != nullptr && frame->width == width && frame->height == height) return true;
    av::av_frame_unref(frame.get());
    frame->format = AV_PIX_FMT_BGR24;
    frame->width = width;
    frame->height = height;
    return av::av_frame_get_buffer(frame.get(), 0) >= 0;
}

}  // namespace

bool TBitmapConversion::ToBitmap(const AVFrame& picture)
{
    const int width = picture.width;
    const int height = picture.height;
    if (width <= 0 || height <= 0) return false;
    if (!m_bitmap) m_bitmap = std::make_unique<TBitmap24>(width, height);
    if (m_bitmap->Width() != width || m_bitmap->Height() != height) m_bitmap->SetSize(width, height);
    const std::uint8_t* rows = picture.data[0];
    int stride = picture.linesize[0];
    if (picture.format != AV_PIX_FMT_BGR24) {
        if (!EnsureBgrFrame(m_bgr, width, height)) return false;
        m_toBgr.reset(av::sws_getCachedContext(m_toBgr.release(), width, height,
                                               static_cast<AVPixelFormat>(picture.format), width, height,
                                               AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_toBgr) return false;
        av::sws_scale(m_toBgr.get(), picture.data, picture.linesize, 0, height, m_bgr->data, m_bgr->linesize);
        rows = m_bgr->data[0];
        stride = m_bgr->linesize[0];
    }
    m_bitmap->LockCanvas();
    for (int y = 0; y < height; ++y)
        std::memcpy(m_bitmap->ScanLine(y), rows + static_cast<std::ptrdiff_t>(y) * stride,
                    static_cast<std::size_t>(m_bitmap->BytesPerLine()));
    m_bitmap->UnlockCanvas();
    return true;
}

bool TBitmapConversion::FromBitmap(AVFrame& picture)
{
    if (!m_bitmap || m_bitmap->Width() != picture.width || m_bitmap->Height() != picture.height) return false;
    const int width = picture.width;
    const int height = picture.height;
    std::uint8_t* rows = picture.data[0];
    int stride = picture.linesize[0];
    const bool direct = picture.format == AV_PIX_FMT_BGR24;
    if (!direct) {
        if (!EnsureBgrFrame(m_bgr, width, height)) return false;
        rows = m_bgr->data[0];
        stride = m_bgr->linesize[0];
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(rows + static_cast<std::ptrdiff_t>(y) * stride, m_bitmap->ScanLine(y),
                    static_cast<std::size_t>(m_bitmap->BytesPerLine()));
    if (direct) return true;
    m_fromBgr.reset(av::sws_getCachedContext(m_fromBgr.release(), width, height, AV_PIX_FMT_BGR24, width, height,
                                             static_cast<AVPixelFormat>(picture.format), SWS_BICUBIC, nullptr, nullptr,
                                             nullptr));
    if (!m_fromBgr) return false;
    av::sws_scale(m_fromBgr.get(), m_bgr->data, m_bgr->linesize, 0, height, picture.data, picture.linesize);
    return true;
}

void TBitmapConversion::Reset()
{
    m_bitmap.reset();
    m_toBgr.reset();
    m_fromBgr.reset();
    m_bgr.reset();
}

}  // namespace mirelk
