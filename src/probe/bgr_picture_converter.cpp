#include "probe/bgr_picture_converter.h"

#include <cstring>

#include "binding/entry_points.h"

namespace mirelk::probing {

namespace {

void CopyRows(const std::uint8_t* source, int sourceLineSize, int width, int height, TBitmap24& bitmap)
{
    const std::size_t rowBytes = static_cast<std::size_t>(3) * width;
    for (int y = 0; y < height; ++y)
        std::memcpy(bitmap.ScanLine(y), source + static_cast<std::ptrdiff_t>(y) * sourceLineSize, rowBytes);
}

}  // namespace

bool TBgrPictureConverter::PrepareOutput(int width, int height)
{
    if (m_output != nullptr && m_output->data[0] != nullptr && m_output->width == width &&
        m_output->height == height)
        return true;
    if (m_output == nullptr) m_output.reset(av::av_frame_alloc());
    if (m_output == nullptr) return false;
    av::av_frame_unref(m_output.get());
    m_output->format = AV_PIX_FMT_BGR24;
    m_output->width = width;
    m_output->height = height;
    return av::av_frame_get_buffer(m_output.get(), 0) >= 0;
}

bool TBgrPictureConverter::Convert(const AVFrame& picture, TBitmap24& bitmap)
{
    const int width = picture.width;
    const int height = picture.height;
    if (width <= 0 || height <= 0 || picture.format < 0 || picture.data[0] == nullptr) return false;
    const auto format = static_cast<AVPixelFormat>(picture.format);

    if (format == AV_PIX_FMT_BGR24) {
        bitmap.SetSize(width, height);
        CopyRows(picture.data[0], picture.linesize[0], width, height, bitmap);
        return true;
    }

    // On failure the cached call has freed the scaler it was given.
    m_scaler.reset(av::sws_getCachedContext(m_scaler.release(), width, height, format, width, height,
                                            AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (m_scaler == nullptr || !PrepareOutput(width, height)) return false;
    if (av::sws_scale(m_scaler.get(), picture.data, picture.linesize, 0, height, m_output->data,
                      m_output->linesize) != height)
        return false;

    bitmap.SetSize(width, height);
    CopyRows(m_output->data[0], m_output->linesize[0], width, height, bitmap);
    return true;
}

void TBgrPictureConverter::Reset()
{
    m_scaler.reset();
    m_output.reset();
}

}  // namespace mirelk::probing
