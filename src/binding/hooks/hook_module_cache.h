// The process-wide set of loaded frame hook modules. A module is opened at the first request
// that names it and then stays loaded for the life of the program, shared by every chain.
#pragma once

#include <string>

namespace mirelk {

struct THookModuleLoad {
    void* handle = nullptr;  // null when the module could not be loaded
    std::string error;       // the loader's text when handle is null
};

// Returns the module cached under this exact name, or opens and caches it: a name with a "/"
// is opened as that path (relative ones from the current directory), a bare name by the
// dynamic loader's default search. Safe to call from several threads.
THookModuleLoad LoadHookModule(const std::string& name);

}  // namespace mirelk
