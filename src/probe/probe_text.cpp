#include "probe/probe_text.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <ctime>

#include "binding/text_format.h"

namespace mirelk::probing {

std::string MicrosecondsAsSeconds(std::int64_t microseconds)
{
    const bool negative = microseconds < 0;
    // Unsigned, so that the most negative value has a magnitude too.
    const std::uint64_t magnitude =
        negative ? static_cast<std::uint64_t>(-(microseconds + 1)) + 1 : static_cast<std::uint64_t>(microseconds);
    return Format("%s%llu.%.6llu", negative ? "-" : "", static_cast<unsigned long long>(magnitude / 1000000),
                  static_cast<unsigned long long>(magnitude % 1000000));
}

std::string StandardLocalTimeText(std::int64_t secondsSinceEpoch)
{
    tzset();
    // `timezone` is the standard time's distance west of UTC, in seconds.
    const std::time_t local = static_cast<std::time_t>(secondsSinceEpoch - timezone);
    std::tm parts{};
    if (gmtime_r(&local, &parts) == nullptr) return std::string();
    return Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                  parts.tm_hour, parts.tm_min, parts.tm_sec);
}

bool SameTextIgnoringCase(const std::string& left, const std::string& right)
{
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool IsStillPictureFormat(const std::string& shortName)
{
    static const std::string kPipeSuffix = "_pipe";
    if (SameTextIgnoringCase(shortName, "image2")) return true;
    return shortName.size() > kPipeSuffix.size() &&
           shortName.compare(shortName.size() - kPipeSuffix.size(), kPipeSuffix.size(), kPipeSuffix) == 0;
}

int LeadingNumber(const std::string& text)
{
    std::size_t position = 0;
    while (position < text.size() && std::isspace(static_cast<unsigned char>(text[position]))) ++position;
    long long value = 0;
    bool any = false;
    for (; position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])); ++position) {
        any = true;
        value = std::min<long long>(value * 10 + (text[position] - '0'), INT_MAX);
    }
    return any ? static_cast<int>(value) : 0;
}

}  // namespace mirelk::probing
