// Finding a decoder or an encoder by the name an option gave.
#pragma once

#include <functional>
#include <string>

#include "binding/av_headers.h"

namespace mirelk {

// Throws FFmpegException "Unknown decoder 'x'" / "Invalid encoder type 'x'" and the like. An
// encoder the libraries no longer have is replaced by its successor, and notice is told so.
const AVCodec* FindCodecByName(const std::string& name, AVMediaType type, bool encoder,
                               const std::function<void(const std::string&)>& notice);

}  // namespace mirelk
