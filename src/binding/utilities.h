// Small helpers used with the libraries; none of them needs a library loaded.
#pragma once

#include <cstdint>
#include <string>

namespace mirelk {

// "%.2f GB", "%.2f MB", "%.2f KB" above each boundary, else "%d Byte".
std::string FormatFileSize(std::int64_t size);
// Microseconds as "hh:mm:ss.mmm"; the hours are not wrapped at 24.
std::string FormatDuration(std::int64_t microseconds);
// The message for a file that cannot be opened, chosen by the library's error code.
std::string OpenErrorText(const std::string& fileName, int errorCode);
// The part of the text before the first delimiter (all of it when there is none). With remove,
// the text becomes what follows that delimiter, or empty.
std::string FetchToken(std::string& text, const std::string& delimiter, bool remove);
// Size in bytes, or -1 when there is no such file. 64 bits wide: files past 2 GiB are common.
std::int64_t GetFileSizeByName(const std::string& fileName);

}  // namespace mirelk
