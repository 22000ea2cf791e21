// A copy of what an opened input tells about itself (format, times, tags, programs, streams and
// their parameters) without its file, buffers or read packets: a prober can go on answering
// from it after the input itself was closed.
#pragma once

#include <memory>

#include "binding/av_headers.h"
#include "binding/av_owners.h"

namespace mirelk::probing {

// Null when the memory for it cannot be had.
TFormatContextPtr CopyDescription(const AVFormatContext& input);

}  // namespace mirelk::probing
