// Which running task a library line belongs to, found in constant time whatever the length of
// the list: by the thread that logged it, else by the engine object that owns the codec
// context it came from (a codec's own worker threads belong to no task). Entries are made as
// tasks start; an entry is believed only while its task runs in that thread, so a thread id
// the system has given again, or a task that has ended, names no task.
#pragma once

#include <cstdint>
#include <unordered_map>

namespace mirelk {

class TVantrelTask;

class TTaskLookup {
public:
    // The task runs in the thread from now on (the main thread's id for a run there).
    void Started(TVantrelTask& task, std::uint32_t threadId);
    // The task leaves the list: it is never named again.
    void Forget(const TVantrelTask& task);
    void Clear();
    // The running task the line belongs to, or null.
    TVantrelTask* Find(std::uint32_t threadId, const void* owner) const;

private:
    std::unordered_map<std::uint32_t, TVantrelTask*> m_byThread;
    std::unordered_map<const void*, TVantrelTask*> m_byOwner;
};

}  // namespace mirelk
