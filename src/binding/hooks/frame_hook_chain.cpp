#include "binding/hooks/frame_hook_chain.h"

#include <dlfcn.h>

#include <new>
#include <utility>

#include "binding/hooks/hook_module_cache.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"

namespace mirelk {
namespace {

template <typename Proc>
Proc LookUpExport(void* module, const char* name)
{
    return reinterpret_cast<Proc>(dlsym(module, name));
}

void LogError(const THookLogProc& log, const std::string& text)
{
    if (log) log(kLevelError, text);
}

}  // namespace

TFrameHookChain::TFrameHookChain() = default;

TFrameHookChain::~TFrameHookChain() { ReleaseFrameHooks(); }

TFrameHookChain::TFrameHookChain(TFrameHookChain&& other) noexcept
    : m_entries(std::exchange(other.m_entries, {}))
{
}

TFrameHookChain& TFrameHookChain::operator=(TFrameHookChain&& other) noexcept
{
    if (this != &other) {
        ReleaseFrameHooks();
        m_entries = std::exchange(other.m_entries, {});
    }
    return *this;
}

int TFrameHookChain::AddFrameHook(const std::vector<std::string>& items, const THookLogProc& log)
{
    if (items.empty()) return kHookInvalidArguments;
    try {
        const THookModuleLoad loaded = LoadHookModule(items[0]);
        if (loaded.handle == nullptr) {
            LogError(log, Format("%s\n", loaded.error.c_str()));
            return kHookModuleNotLoaded;
        }
        return AppendEntry(items, loaded.handle, log);
    } catch (const std::bad_alloc&) {
        return kHookOutOfMemory;
    }
}

int TFrameHookChain::AppendEntry(const std::vector<std::string>& items, void* module,
                                 const THookLogProc& log)
{
    const std::string& moduleName = items[0];
    auto entry = std::make_unique<THookModuleEntry>();
    entry->configure = LookUpExport<MirelkHookConfigureProc>(module, "Configure");
    entry->process = LookUpExport<MirelkHookProcessProc>(module, "Process");
    entry->release = LookUpExport<MirelkHookReleaseProc>(module, "Release");
    if (entry->process == nullptr) {
        LogError(log, Format("Failed to find Process entrypoint in %s\n", moduleName.c_str()));
        return kHookInvalidArguments;
    }
    const bool hasArguments = items.size() > 1;
    if (entry->configure == nullptr && hasArguments) {
        LogError(log, Format("Failed to find Configure entrypoint in %s\n", moduleName.c_str()));
        return kHookInvalidArguments;
    }
    // Room for the entry is made before Configure: once the module has accepted its context,
    // nothing may fail before the entry is in the chain, where it will be released.
    m_entries.reserve(m_entries.size() + 1);
    if (entry->configure != nullptr) {
        entry->argumentTexts = items;
        entry->argumentArray.reserve(items.size() + 1);
        for (std::string& text : entry->argumentTexts) entry->argumentArray.push_back(text.data());
        entry->argumentArray.push_back(nullptr);
        const int argumentCount = static_cast<int>(entry->argumentTexts.size());
        if (entry->configure(&entry->context, argumentCount, entry->argumentArray.data()) != 0) {
            LogError(log, Format("Failed to Configure %s\n", moduleName.c_str()));
            return kHookConfigureFailed;
        }
    }
    m_entries.push_back(std::move(entry));
    return kHookAdded;
}

void TFrameHookChain::ProcessFrameHooks(THookPicture& picture, int pixelFormat, int width,
                                        int height, std::int64_t pts) const
{
    for (const std::unique_ptr<THookModuleEntry>& entry : m_entries)
        entry->process(entry->context, &picture, pixelFormat, width, height, pts);
}

void TFrameHookChain::ReleaseFrameHooks()
{
    // Taken out first, so that the chain is already empty should a module's Release reach it.
    std::vector<std::unique_ptr<THookModuleEntry>> entries = std::exchange(m_entries, {});
    for (std::unique_ptr<THookModuleEntry>& entry : entries) {
        if (entry->release != nullptr) entry->release(entry->context);
        entry.reset();
    }
}

}  // namespace mirelk
