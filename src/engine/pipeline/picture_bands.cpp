#include "engine/pipeline/picture_bands.h"

#include <cstring>

#include "binding/entry_points.h"

namespace mirelk {

bool CanPaintPadBands(AVPixelFormat format)
{
    const AVPixFmtDescriptor* descriptor = av::av_pix_fmt_desc_get(format);
    if (descriptor == nullptr || (descriptor->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) ||
        (!(descriptor->flags & AV_PIX_FMT_FLAG_PLANAR) && descriptor->nb_components > 1))
        return false;
    for (int i = 0; i < descriptor->nb_components; ++i)
        if (descriptor->comp[i].depth != 8 || descriptor->comp[i].step != 1) return false;
    return descriptor->nb_components <= 3;
}

bool PaintPadBands(std::uint8_t* const data[4], const int linesize[4], AVPixelFormat format, int width, int height,
                   const TPadBands& bands, const int color[3])
{
    if (!CanPaintPadBands(format)) return false;
    const AVPixFmtDescriptor* descriptor = av::av_pix_fmt_desc_get(format);
    for (int component = 0; component < descriptor->nb_components; ++component) {
        const int plane = descriptor->comp[component].plane;
        const int shiftX = component == 0 ? 0 : descriptor->log2_chroma_w;
        const int shiftY = component == 0 ? 0 : descriptor->log2_chroma_h;
        const int planeWidth = AV_CEIL_RSHIFT(width, shiftX);
        const int planeHeight = AV_CEIL_RSHIFT(height, shiftY);
        const int top = bands.top >> shiftY;
        const int bottom = bands.bottom >> shiftY;
        const int left = bands.left >> shiftX;
        const int right = bands.right >> shiftX;
        const std::uint8_t value = static_cast<std::uint8_t>(color[component] & 0xFF);
        for (int y = 0; y < planeHeight; ++y) {
            std::uint8_t* row = data[plane] + static_cast<std::ptrdiff_t>(y) * linesize[plane];
            if (y < top || y >= planeHeight - bottom) {
                std::memset(row, value, static_cast<std::size_t>(planeWidth));
                continue;
            }
            if (left > 0) std::memset(row, value, static_cast<std::size_t>(left));
            if (right > 0) std::memset(row + planeWidth - right, value, static_cast<std::size_t>(right));
        }
    }
    return true;
}

}  // namespace mirelk
