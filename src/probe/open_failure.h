// The message for a file the prober cannot open.
#pragma once

#include <string>

namespace mirelk::probing {

// OpenErrorText of the library's code, except that the library reports a file no demuxer
// recognises with the same code as a recognised file whose header is broken; that case is told
// apart by probing the file's data (and name) again, and a file nothing claims becomes
// "Unknown format". A forced format was not probed, so its failures keep their code.
std::string OpenFailureText(const std::string& fileName, int errorCode, bool formatForced);

}  // namespace mirelk::probing
