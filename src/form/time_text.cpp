#include "form/time_text.h"

#include <cinttypes>
#include <cstdio>

namespace mirelk {

std::string TimeText(std::int64_t microseconds)
{
    char text[48];
    std::snprintf(text, sizeof text, "%" PRId64 ".%.3" PRId64, microseconds / 1000000, (microseconds / 1000) % 1000);
    return text;
}

}  // namespace mirelk
