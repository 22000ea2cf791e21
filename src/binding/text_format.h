// printf-style formatting into a std::string, for the program's own message texts.
#pragma once

#include <string>

namespace mirelk {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mirelk
