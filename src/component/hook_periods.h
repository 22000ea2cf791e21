// The text of hook periods: "start-end" in milliseconds, separated by commas.
#pragma once

#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"

namespace mirelk {

// The periods of the text in microseconds, sorted by their end. An entry is kept only when its
// start is not after its end and its end is not negative; a number that cannot be read is -1.
std::vector<THookPeriod> ParsePTSPeriods(const std::string& text);

}  // namespace mirelk
