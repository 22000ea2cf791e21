#include "form/form_text.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace mirelk::form {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

char LowerCasedChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string Trimmed(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

std::string LowerCased(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = LowerCasedChar(c);
    return lower;
}

bool EqualsIgnoringCase(std::string_view left, std::string_view right)
{
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (LowerCasedChar(left[i]) != LowerCasedChar(right[i])) return false;
    return true;
}

std::optional<int> IntegerOf(std::string_view text)
{
    std::string number = Trimmed(text);
    // from_chars takes a minus but no plus sign.
    if (!number.empty() && number.front() == '+') {
        number.erase(0, 1);
        if (number.empty() || number.front() == '-') return std::nullopt;
    }
    int value = 0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value, 10);
    if (number.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

int IntegerOr(std::string_view text, int fallback) { return IntegerOf(text).value_or(fallback); }

int ThousandTimesOr(std::string_view text, int fallback)
{
    const std::int64_t product = static_cast<std::int64_t>(IntegerOr(text, fallback)) * 1000;
    if (product > std::numeric_limits<int>::max() || product < std::numeric_limits<int>::min())
        return fallback * 1000;
    return static_cast<int>(product);
}

std::string OnOneLine(std::string_view text)
{
    std::string line(text);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') c = ' ';
    return line;
}

}  // namespace mirelk::form
