// Four functions the libraries also define, provided here so that they work whatever is loaded.
#pragma once

#include <cstdint>
#include <string>

#include "binding/av_headers.h"

namespace mirelk {

double RationalToDouble(AVRational value);
// Releases what a packet holds; needs libavcodec loaded. A null packet is ignored.
void FreePacket(AVPacket* packet);
int Clip(int value, int minimum, int maximum);
// The libraries' text for an error code (needs libavutil loaded).
std::string LibraryErrorText(int errorCode);
// A double as a rational whose terms do not exceed maximum (needs libavutil loaded).
AVRational DoubleToRational(double value, std::int64_t maximum);

}  // namespace mirelk
