#include "binding/system_functions.h"

#include <algorithm>
#include <cmath>

#include "binding/entry_points.h"

namespace mirelk {

double RationalToDouble(AVRational value) { return static_cast<double>(value.num) / value.den; }

void FreePacket(AVPacket* packet)
{
    if (packet != nullptr) av::av_packet_unref(packet);
}

int Clip(int value, int minimum, int maximum)
{
    if (value < minimum) return minimum;
    if (value > maximum) return maximum;
    return value;
}

std::string LibraryErrorText(int errorCode)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av::av_strerror(errorCode, text, sizeof text) < 0)
        return "Error number " + std::to_string(errorCode) + " occurred";
    return text;
}

AVRational DoubleToRational(double value, std::int64_t maximum)
{
    const int exponent =
        std::clamp(static_cast<int>(std::log(std::fabs(value) + 1e-20) / std::log(2.0)), 0, 61);
    const std::int64_t denominator = std::int64_t{1} << (61 - exponent);
    const auto numerator = static_cast<std::int64_t>(value * static_cast<double>(denominator) + 0.5);
    AVRational result{0, 1};
    av::av_reduce(&result.num, &result.den, numerator, denominator, maximum);
    return result;
}

}  // namespace mirelk
