#include "engine/options/option_lines.h"

namespace mirelk {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string TrimBlanks(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::vector<TOptionLine> OptionLines(const std::string& text)
{
    const std::string trimmed = TrimBlanks(text);
    std::vector<TOptionLine> lines;
    std::size_t start = 0;
    while (start < trimmed.size()) {
        std::size_t end = trimmed.find_first_of("\r\n", start);
        if (end == std::string::npos) end = trimmed.size();
        const std::string line = trimmed.substr(start, end - start);
        // CR LF is one break, not two.
        start = end + (trimmed.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        const std::size_t equals = line.find('=');
        lines.push_back({line.substr(0, equals), equals == std::string::npos ? std::string() : line.substr(equals + 1)});
    }
    return lines;
}

}  // namespace mirelk
