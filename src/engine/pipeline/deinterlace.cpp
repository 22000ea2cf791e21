#include "engine/pipeline/deinterlace.h"

#include <algorithm>
#include <cstdint>

#include "binding/entry_points.h"
#include "engine/pipeline/picture_bands.h"

namespace mirelk {

namespace {

// Each output row mixes five input rows, (-1 4 2 4 -1) / 8, mirrored at the edges.
void FilterPlane(const std::uint8_t* source, int sourceStride, std::uint8_t* target, int targetStride, int width,
                 int height)
{
    const auto row = [&](int y) { return source + static_cast<std::ptrdiff_t>(std::clamp(y, 0, height - 1)) * sourceStride; };
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* above2 = row(y - 2);
        const std::uint8_t* above = row(y - 1);
        const std::uint8_t* middle = row(y);
        const std::uint8_t* below = row(y + 1);
        const std::uint8_t* below2 = row(y + 2);
        std::uint8_t* out = target + static_cast<std::ptrdiff_t>(y) * targetStride;
        for (int x = 0; x < width; ++x) {
            const int sum = -above2[x] + 4 * above[x] + 2 * middle[x] + 4 * below[x] - below2[x];
            out[x] = static_cast<std::uint8_t>(std::clamp((sum + 4) >> 3, 0, 255));
        }
    }
}

}  // namespace

bool Deinterlace(const AVFrame& source, AVFrame& target)
{
    const AVPixelFormat format = static_cast<AVPixelFormat>(source.format);
    // The same family of formats the pad painter handles: 8-bit planar luma and chroma.
    if (!CanPaintPadBands(format)) return false;
    const AVPixFmtDescriptor* descriptor = av::av_pix_fmt_desc_get(format);
    for (int component = 0; component < descriptor->nb_components; ++component) {
        const int plane = descriptor->comp[component].plane;
        const int shiftX = component == 0 ? 0 : descriptor->log2_chroma_w;
        const int shiftY = component == 0 ? 0 : descriptor->log2_chroma_h;
        FilterPlane(source.data[plane], source.linesize[plane], target.data[plane], target.linesize[plane],
                    AV_CEIL_RSHIFT(source.width, shiftX), AV_CEIL_RSHIFT(source.height, shiftY));
    }
    return true;
}

}  // namespace mirelk
