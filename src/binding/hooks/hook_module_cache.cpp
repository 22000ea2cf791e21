#include "binding/hooks/hook_module_cache.h"

#include <dlfcn.h>

#include <mutex>
#include <unordered_map>

namespace mirelk {
namespace {

class THookModuleCache {
public:
    THookModuleLoad Load(const std::string& name)
    {
        // dlopen of an empty name hands out the program itself, which no one meant to name.
        if (name.empty()) return {nullptr, "No frame hook module name given"};
        // Held across the opening, so that two tasks naming the same new module open it once.
        std::lock_guard<std::mutex> lock(m_lock);
        // Linux file names differ by letter case, so only the same spelling is the same module.
        if (auto found = m_modules.find(name); found != m_modules.end()) return {found->second, {}};
        // Every symbol the module needs is resolved now, so that a missing one fails here with
        // the loader's text instead of ending the program in the middle of a picture.
        void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* reason = dlerror();
            return {nullptr, reason != nullptr ? reason : "Cannot load " + name};
        }
        m_modules.emplace(name, handle);
        return {handle, {}};
    }

private:
    std::mutex m_lock;
    // The handles are never closed: chains of running tasks hold addresses inside the modules.
    std::unordered_map<std::string, void*> m_modules;
};

THookModuleCache& Cache()
{
    static THookModuleCache cache;
    return cache;
}

}  // namespace

THookModuleLoad LoadHookModule(const std::string& name) { return Cache().Load(name); }

}  // namespace mirelk
