#include "probe/probe_log.h"

#include "binding/entry_points.h"
#include "binding/log_levels.h"

namespace mirelk::probing {

void ProbeLog(int engineLevel, const std::string& text)
{
    // The text is passed as an argument, never as the format: file names may contain '%'.
    if (av::av_log != nullptr) av::av_log(nullptr, EngineToLibraryLevel(engineLevel), "%s", text.c_str());
}

}  // namespace mirelk::probing
