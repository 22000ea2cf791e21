// Reading the demuxer's tags.
#pragma once

#include <string>

#include "binding/av_headers.h"

namespace mirelk::probing {

// The value of a tag, its key matched without regard to case; empty when absent.
std::string MetadataValue(const AVDictionary* metadata, const char* key);

}  // namespace mirelk::probing
