#include "cli/plain_text.h"

namespace mirelk {

bool ReadToEnd(std::FILE* stream, std::string& text)
{
    char buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, count);
    return std::ferror(stream) == 0;
}

std::vector<std::string> Pieces(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace mirelk
