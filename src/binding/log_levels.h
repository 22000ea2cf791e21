// The program's log level scale (-1 quiet, 0 error, 1 info, 2 debug, 3 all) and the libraries'
// own scale, which counts in other steps (AV_LOG_QUIET -8 to AV_LOG_TRACE 56).
#pragma once

#include <atomic>

namespace mirelk {

inline constexpr int kLevelQuiet = -1;
inline constexpr int kLevelError = 0;
inline constexpr int kLevelInfo = 1;
inline constexpr int kLevelDebug = 2;
inline constexpr int kLevelAll = 3;

int EngineToLibraryLevel(int engineLevel);
int LibraryToEngineLevel(int libraryLevel);

// The library level last set, on the program's scale, read by the library log callback
// before it takes any lock.
std::atomic<int>& CachedLibraryLevel();

// Sets the libraries' level (when libavutil is bound) and the cache.
void SetLibraryLogLevel(int engineLevel);

}  // namespace mirelk
