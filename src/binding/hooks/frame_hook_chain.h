// A task's chain of configured frame hook modules: built from its "vhook" options, run on
// decoded pictures in the order the options were given, released when the task cleans up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "binding/hooks/hook_module_entry.h"

namespace mirelk {

using THookPicture = MirelkHookPicture;
// (engine level, text); receives the failures of AddFrameHook.
using THookLogProc = std::function<void(int level, const std::string& text)>;

// Results of AddFrameHook.
inline constexpr int kHookAdded = 0;
inline constexpr int kHookModuleNotLoaded = -1;     // the loader's text is logged
inline constexpr int kHookInvalidArguments = -2;    // no items, or a required export is missing
inline constexpr int kHookOutOfMemory = -12;
inline constexpr int kHookConfigureFailed = -22;

class TFrameHookChain {
public:
    TFrameHookChain();
    // Releases every entry.
    ~TFrameHookChain();
    TFrameHookChain(TFrameHookChain&& other) noexcept;
    // Releases this chain's entries first.
    TFrameHookChain& operator=(TFrameHookChain&& other) noexcept;
    TFrameHookChain(const TFrameHookChain&) = delete;
    TFrameHookChain& operator=(const TFrameHookChain&) = delete;

    // items[0] names the module file, the rest are its arguments. Loads the module (or takes
    // it from the process-wide cache), binds its exports, configures a new entry and appends
    // it. Returns one of the kHook* results; every failure but the empty list and the lack of
    // memory is logged at engine level 0 through log (which may be empty). A refused entry
    // leaves the chain as it was; its module stays loaded.
    int AddFrameHook(const std::vector<std::string>& items, const THookLogProc& log);
    // Runs every entry, first to last, on the picture in place.
    void ProcessFrameHooks(THookPicture& picture, int pixelFormat, int width, int height,
                           std::int64_t pts) const;
    // Calls each entry's Release (where the module has one), first to last, and empties the
    // chain. The modules stay loaded.
    void ReleaseFrameHooks();

    std::size_t Count() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }

private:
    int AppendEntry(const std::vector<std::string>& items, void* module, const THookLogProc& log);

    std::vector<std::unique_ptr<THookModuleEntry>> m_entries;
};

}  // namespace mirelk
