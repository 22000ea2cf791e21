#include "binding/log_levels.h"

#include "binding/entry_points.h"
#include "binding/loader.h"

namespace mirelk {

int EngineToLibraryLevel(int engineLevel)
{
    if (engineLevel < kLevelError) return AV_LOG_QUIET;
    switch (engineLevel) {
    case kLevelError: return AV_LOG_ERROR;
    case kLevelInfo: return AV_LOG_INFO;
    case kLevelDebug: return AV_LOG_DEBUG;
    default: return AV_LOG_TRACE;
    }
}

int LibraryToEngineLevel(int libraryLevel)
{
    if (libraryLevel <= AV_LOG_QUIET) return kLevelQuiet;
    if (libraryLevel <= AV_LOG_ERROR) return kLevelError;
    // Warnings count as notices: they show at the default level.
    if (libraryLevel <= AV_LOG_INFO) return kLevelInfo;
    if (libraryLevel <= AV_LOG_DEBUG) return kLevelDebug;
    return kLevelAll;
}

std::atomic<int>& CachedLibraryLevel()
{
    static std::atomic<int> level{kLevelInfo};
    return level;
}

void SetLibraryLogLevel(int engineLevel)
{
    if (FFLoader().LibLoaded(libAVUtil) && av::av_log_set_level != nullptr) {
        av::av_log_set_level(EngineToLibraryLevel(engineLevel));
        CachedLibraryLevel() = LibraryToEngineLevel(av::av_log_get_level());
    } else {
        CachedLibraryLevel() = engineLevel;
    }
}

}  // namespace mirelk
