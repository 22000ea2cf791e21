#include "component/log_routing.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "component/thread_id.h"

namespace mirelk {

namespace {

constexpr std::size_t kMaxLineLength = kLibraryLogBufferSize - 1;

struct TRoutingState {
    // Recursive: a receiver may itself make the library log, or unregister.
    std::recursive_mutex lock;
    std::vector<TLogReceiver*> receivers;
    // Receivers unregistered while lines were being handed out leave an empty slot, removed
    // when the handing out is over.
    int routingDepth = 0;
    bool emptySlots = false;
    // The unfinished line of each thread, with the owner it has so far; a thread without one
    // has no entry.
    struct TPendingLine {
        std::string text;
        const void* owner = nullptr;
    };
    std::unordered_map<std::uint32_t, TPendingLine> pending;
};

TRoutingState& Routing()
{
    static TRoutingState state;
    return state;
}

// Messages may carry a colour in the bits above the level.
int MessageLevel(int level) { return level >= 0 ? (level & 0xff) : level; }

void AppendCut(std::string& line, std::string_view text)
{
    if (line.size() < kMaxLineLength) line.append(text.substr(0, kMaxLineLength - line.size()));
}

// "[name @ 0xADDRESS]" for a context that has a class, else nothing.
std::string ContextPrefix(void* context)
{
    if (context == nullptr) return {};
    const AVClass* contextClass = *static_cast<const AVClass* const*>(context);
    if (contextClass == nullptr) return {};
    const char* name = contextClass->item_name != nullptr ? contextClass->item_name(context) : nullptr;
    if (name == nullptr) name = contextClass->class_name != nullptr ? contextClass->class_name : "";
    char prefix[kLibraryLogBufferSize];
    std::snprintf(prefix, sizeof prefix, "[%s @ 0x%0*" PRIXPTR "]", name, static_cast<int>(2 * sizeof(void*)),
                  reinterpret_cast<std::uintptr_t>(contextClass));
    return prefix;
}

// The owner a codec context carries; nothing for other contexts.
const void* OwnerOf(void* context)
{
    if (context == nullptr) return nullptr;
    const AVClass* contextClass = *static_cast<const AVClass* const*>(context);
    if (contextClass == nullptr || contextClass->class_name == nullptr ||
        std::strcmp(contextClass->class_name, "AVCodecContext") != 0)
        return nullptr;
    return static_cast<const AVCodecContext*>(context)->opaque;
}

// Adds the piece to the line; each line feed finishes a line, which goes to the finished ones.
void AppendPiece(std::string& line, std::string_view piece, std::vector<std::string>& finished)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t lineFeed = piece.find('\n', start);
        if (lineFeed == std::string_view::npos) {
            AppendCut(line, piece.substr(start));
            return;
        }
        AppendCut(line, piece.substr(start, lineFeed - start));
        finished.push_back(std::move(line));
        line.clear();
        start = lineFeed + 1;
    }
}

void HandOut(TRoutingState& state, std::uint32_t threadId, const void* owner, int engineLevel,
             const std::vector<std::string>& lines)
{
    ++state.routingDepth;
    for (const std::string& line : lines)
        // By index: a receiver may register another one meanwhile.
        for (std::size_t i = 0; i < state.receivers.size(); ++i) {
            if (state.receivers[i] == nullptr) continue;
            // The library called us from C: nothing may be thrown back into it, and one
            // receiver's failure is no reason to keep the line from the others.
            try {
                state.receivers[i]->ReceiveLibraryLine(threadId, owner, engineLevel, line);
            } catch (...) {
            }
        }
    --state.routingDepth;
    if (state.routingDepth == 0 && state.emptySlots) {
        std::erase(state.receivers, nullptr);
        state.emptySlots = false;
    }
}

void RouteMessage(void* context, int engineLevel, const char* format, va_list args)
{
    char message[kLibraryLogBufferSize];
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(message, sizeof message, format, copy);
    va_end(copy);
    if (length < 0) return;
    // A message cut at the buffer has lost its end, line feed included: it ends its line here,
    // so that what follows does not run on into it.
    const bool cut = static_cast<std::size_t>(length) >= sizeof message;
    const std::string_view piece(message, cut ? sizeof message - 1 : static_cast<std::size_t>(length));

    const std::uint32_t threadId = CurrentThreadId();
    TRoutingState& state = Routing();
    std::lock_guard<std::recursive_mutex> lock(state.lock);
    const auto entry = state.pending.find(threadId);
    std::string line;
    const void* owner = OwnerOf(context);
    if (entry == state.pending.end() || entry->second.text.empty()) {
        AppendCut(line, ContextPrefix(context));
    } else {
        line = std::move(entry->second.text);
        if (entry->second.owner != nullptr) owner = entry->second.owner;
    }
    std::vector<std::string> finished;
    AppendPiece(line, piece, finished);
    if (cut && !line.empty()) {
        finished.push_back(std::move(line));
        line.clear();
    }
    if (line.empty()) {
        if (entry != state.pending.end()) state.pending.erase(entry);
    } else if (entry != state.pending.end()) {
        entry->second = {std::move(line), owner};
    } else {
        state.pending.emplace(threadId, TRoutingState::TPendingLine{std::move(line), owner});
    }
    // The thread's entry is settled before any receiver runs, so a receiver that logs itself
    // continues from there.
    if (!finished.empty()) HandOut(state, threadId, owner, engineLevel, finished);
}

}  // namespace

void RegisterLogReceiver(TLogReceiver& receiver)
{
    TRoutingState& state = Routing();
    std::lock_guard<std::recursive_mutex> lock(state.lock);
    if (std::find(state.receivers.begin(), state.receivers.end(), &receiver) == state.receivers.end())
        state.receivers.push_back(&receiver);
}

void UnregisterLogReceiver(TLogReceiver& receiver)
{
    TRoutingState& state = Routing();
    std::lock_guard<std::recursive_mutex> lock(state.lock);
    const auto found = std::find(state.receivers.begin(), state.receivers.end(), &receiver);
    if (found == state.receivers.end()) return;
    if (state.routingDepth > 0) {
        *found = nullptr;
        state.emptySlots = true;
    } else {
        state.receivers.erase(found);
    }
}

void ClearPendingLibraryLog()
{
    TRoutingState& state = Routing();
    std::lock_guard<std::recursive_mutex> lock(state.lock);
    state.pending.clear();
}

void LibraryLogCallback(void* context, int level, const char* format, va_list args)
{
    // Suppressed output costs this comparison and nothing else.
    const int engineLevel = LibraryToEngineLevel(MessageLevel(level));
    if (CachedLibraryLevel().load(std::memory_order_relaxed) < engineLevel) return;
    if (format == nullptr) return;
    // Called from C: a message that cannot be routed (no memory for it) is dropped, not thrown.
    try {
        RouteMessage(context, engineLevel, format, args);
    } catch (...) {
    }
}

bool InstallLibraryLogCallback()
{
    if (av::av_log_set_callback == nullptr) return false;
    av::av_log_set_callback(LibraryLogCallback);
    return true;
}

void RemoveLibraryLogCallback()
{
    if (av::av_log_set_callback != nullptr && av::av_log_default_callback != nullptr)
        av::av_log_set_callback(av::av_log_default_callback);
}

}  // namespace mirelk
