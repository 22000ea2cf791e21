// The codec libraries' log output, which arrives in pieces through one program-wide callback
// from whatever thread is working, assembled into lines per thread and handed to every
// registered receiver with the id of the thread that produced it.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mirelk {

// One line is at most this long, a context prefix included; what goes beyond it is cut.
inline constexpr std::size_t kLibraryLogBufferSize = 2048;

class TLogReceiver {
public:
    virtual ~TLogReceiver() = default;
    // One finished library line (without its line feed), at the program's level scale. Called
    // under the routing lock: the receiver must not wait for another thread that may log.
    virtual void ReceiveLibraryLine(std::uint32_t threadId, int engineLevel, const std::string& text) = 0;
    // The same, with the owner of the codec context the line came from (its opaque field; the
    // engine puts its task object there), or null: a codec's own worker threads belong to no
    // task, but their contexts do.
    virtual void ReceiveLibraryLine(std::uint32_t threadId, const void* owner, int engineLevel, const std::string& text)
    {
        (void)owner;
        ReceiveLibraryLine(threadId, engineLevel, text);
    }
};

// A receiver gets every line from its registration until its unregistration; once
// UnregisterLogReceiver has returned, no other thread is inside it any more.
void RegisterLogReceiver(TLogReceiver& receiver);
void UnregisterLogReceiver(TLogReceiver& receiver);

// Drops the unfinished text of every thread.
void ClearPendingLibraryLog();

// The callback itself, as the library calls it.
void LibraryLogCallback(void* context, int level, const char* format, va_list args);
// Installs the callback in the library (when libavutil is bound; false otherwise), and puts the
// library's own callback back.
bool InstallLibraryLogCallback();
void RemoveLibraryLogCallback();

}  // namespace mirelk
