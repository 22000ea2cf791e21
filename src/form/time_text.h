// How the option form and the main window show a time: whole seconds, a point and three digits
// of milliseconds ("12.045").
#pragma once

#include <cstdint>
#include <string>

namespace mirelk {

std::string TimeText(std::int64_t microseconds);

}  // namespace mirelk
