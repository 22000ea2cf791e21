// --info --json: a file described as one JSON object (its format, duration, bit rate and size,
// every stream with its type, codec, picture size, frame rate, channels and sample rate, and the
// tags), read with the prober. The field names are documented in the README.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace mirelk {

// The description of a file; for a file that cannot be opened, {"event": "info", "file": ...,
// "error": the prober's message}, and error is set to that message. The libraries must be loaded.
nlohmann::json DescribeFile(const std::string& fileName, std::string& error);

}  // namespace mirelk
