#include "component/hook_periods.h"

#include <algorithm>
#include <charconv>

namespace mirelk {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::int64_t MillisecondsOrMinusOne(const std::string& text)
{
    const std::string number = Trimmed(text);
    std::int64_t value = -1;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc() || end != number.data() + number.size()) return -1;
    return value;
}

}  // namespace

std::vector<THookPeriod> ParsePTSPeriods(const std::string& text)
{
    std::vector<THookPeriod> periods;
    const std::string all = Trimmed(text);
    if (all.empty()) return periods;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = all.find(',', start);
        const std::string entry = Trimmed(all.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        const std::size_t dash = entry.find('-');
        if (dash != std::string::npos) {
            const std::int64_t from = MillisecondsOrMinusOne(entry.substr(0, dash));
            const std::int64_t to = MillisecondsOrMinusOne(entry.substr(dash + 1));
            if (from <= to && to >= 0) periods.push_back({from * 1000, to * 1000});
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::stable_sort(periods.begin(), periods.end(),
                     [](const THookPeriod& a, const THookPeriod& b) { return a.end < b.end; });
    return periods;
}

}  // namespace mirelk
