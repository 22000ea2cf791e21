// Deinterlacing by a vertical low-pass filter over every plane: no frame delay, 8-bit planar
// YUV and grey pictures only.
#pragma once

#include "binding/av_headers.h"

namespace mirelk {

// Filters source into target (same size and format, separate buffers); false for a format
// it cannot handle.
bool Deinterlace(const AVFrame& source, AVFrame& target);

}  // namespace mirelk
