#include "binding/bgr_conversion.h"

#include <cstring>

#include "binding/entry_points.h"

namespace mirelk {

namespace {

void CopyRowsInto(const std::uint8_t* rows, int stride, TBitmap24& bitmap)
{
    const auto rowBytes = static_cast<std::size_t>(bitmap.BytesPerLine());
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(bitmap.ScanLine(y), rows + static_cast<std::ptrdiff_t>(y) * stride, rowBytes);
}

void CopyRowsFrom(const TBitmap24& bitmap, std::uint8_t* rows, int stride)
{
    const auto rowBytes = static_cast<std::size_t>(bitmap.BytesPerLine());
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(rows + static_cast<std::ptrdiff_t>(y) * stride, bitmap.ScanLine(y), rowBytes);
}

class TCanvasLock {
public:
    explicit TCanvasLock(TBitmap24& bitmap) : m_bitmap(bitmap) { m_bitmap.LockCanvas(); }
    TCanvasLock(const TCanvasLock&) = delete;
    TCanvasLock& operator=(const TCanvasLock&) = delete;
    ~TCanvasLock() { m_bitmap.UnlockCanvas(); }

private:
    TBitmap24& m_bitmap;
};

}  // namespace

bool TBgrConversion::PreparePacked(int width, int height)
{
    if (m_packed != nullptr && m_packed->data[0] != nullptr && m_packed->width == width && m_packed->height == height)
        return true;
    if (m_packed == nullptr) m_packed.reset(av::av_frame_alloc());
    if (m_packed == nullptr) return false;
    av::av_frame_unref(m_packed.get());
    m_packed->format = AV_PIX_FMT_BGR24;
    m_packed->width = width;
    m_packed->height = height;
    return av::av_frame_get_buffer(m_packed.get(), 0) >= 0;
}

bool TBgrConversion::ToBitmap(const AVFrame& picture, TBitmap24& bitmap)
{
    const int width = picture.width;
    const int height = picture.height;
    if (width <= 0 || height <= 0 || picture.format < 0 || picture.data[0] == nullptr) return false;
    const auto format = static_cast<AVPixelFormat>(picture.format);
    const std::uint8_t* rows = picture.data[0];
    int stride = picture.linesize[0];
    if (format != AV_PIX_FMT_BGR24) {
        // On failure the cached call has freed the scaler it was given.
        m_toBgr.reset(av::sws_getCachedContext(m_toBgr.release(), width, height, format, width, height,
                                               AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (m_toBgr == nullptr || !PreparePacked(width, height)) return false;
        if (av::sws_scale(m_toBgr.get(), picture.data, picture.linesize, 0, height, m_packed->data,
                          m_packed->linesize) != height)
            return false;
        rows = m_packed->data[0];
        stride = m_packed->linesize[0];
    }
    const TCanvasLock canvas(bitmap);
    if (bitmap.Width() != width || bitmap.Height() != height) bitmap.SetSize(width, height);
    CopyRowsInto(rows, stride, bitmap);
    return true;
}

bool TBgrConversion::FromBitmap(const TBitmap24& bitmap, AVFrame& picture)
{
    const int width = picture.width;
    const int height = picture.height;
    if (bitmap.Width() != width || bitmap.Height() != height || width <= 0 || height <= 0) return false;
    const auto format = static_cast<AVPixelFormat>(picture.format);
    if (format == AV_PIX_FMT_BGR24) {
        CopyRowsFrom(bitmap, picture.data[0], picture.linesize[0]);
        return true;
    }
    m_fromBgr.reset(av::sws_getCachedContext(m_fromBgr.release(), width, height, AV_PIX_FMT_BGR24, width, height,
                                             format, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (m_fromBgr == nullptr || !PreparePacked(width, height)) return false;
    CopyRowsFrom(bitmap, m_packed->data[0], m_packed->linesize[0]);
    return av::sws_scale(m_fromBgr.get(), m_packed->data, m_packed->linesize, 0, height, picture.data,
                         picture.linesize) == height;
}

void TBgrConversion::Reset()
{
    m_toBgr.reset();
    m_fromBgr.reset();
    m_packed.reset();
}

}  // namespace mirelk
