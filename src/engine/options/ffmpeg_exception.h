// The engine's one exception class: a failure with the system's own English message.
#pragma once

#include <stdexcept>
#include <string>

namespace mirelk {

class FFmpegException : public std::runtime_error {
public:
    explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace mirelk
