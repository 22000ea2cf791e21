// One configured frame hook module in a chain: the module's exports and the entry's context.
#pragma once

#include <string>
#include <vector>

#define MIRELK_FRAME_HOOK_HOST
#include "binding/hooks/frame_hook_module.h"

namespace mirelk {

struct THookModuleEntry {
    MirelkHookConfigureProc configure = nullptr;  // null when the module has none
    MirelkHookProcessProc process = nullptr;      // never null in a chain
    MirelkHookReleaseProc release = nullptr;      // null when the module has none
    void* context = nullptr;                      // set by Configure, handed to every call
    // The entry's own copies of the module name and arguments, and the null-terminated array
    // Configure receives: the module may keep pointers into both until the entry is released,
    // so neither changes after they are filled.
    std::vector<std::string> argumentTexts;
    std::vector<char*> argumentArray;
};

}  // namespace mirelk
