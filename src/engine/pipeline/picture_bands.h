// Painting the pad bands around a picture in the pad colour.
#pragma once

#include <cstdint>

#include "binding/av_headers.h"

namespace mirelk {

struct TPadBands {
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;
};

// Fills the bands of a planar 8-bit YUV (or grey) picture of the given full size with the
// colour (Y, U, V); false for a pixel format it cannot paint.
bool PaintPadBands(std::uint8_t* const data[4], const int linesize[4], AVPixelFormat format, int width, int height,
                   const TPadBands& bands, const int color[3]);

// Whether PaintPadBands can paint pictures of this format.
bool CanPaintPadBands(AVPixelFormat format);

}  // namespace mirelk
