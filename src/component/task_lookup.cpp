#include "component/task_lookup.h"

#include <iterator>

#include "component/vantrel.h"

namespace mirelk {

void TTaskLookup::Started(TVantrelTask& task, std::uint32_t threadId)
{
    if (threadId != 0) m_byThread[threadId] = &task;
    // The engine object is what the task's codec contexts carry as their owner.
    m_byOwner[static_cast<const TCustomFFmpeg*>(&task)] = &task;
}

void TTaskLookup::Forget(const TVantrelTask& task)
{
    std::erase_if(m_byThread, [&task](const auto& entry) { return entry.second == &task; });
    m_byOwner.erase(static_cast<const TCustomFFmpeg*>(&task));
}

void TTaskLookup::Clear()
{
    m_byThread.clear();
    m_byOwner.clear();
}

TVantrelTask* TTaskLookup::Find(std::uint32_t threadId, const void* owner) const
{
    const auto byThread = m_byThread.find(threadId);
    if (byThread != m_byThread.end()) {
        TVantrelTask* task = byThread->second;
        if (task->ThreadID == threadId && task->Running) return task;
    }
    if (owner == nullptr) return nullptr;
    const auto byOwner = m_byOwner.find(owner);
    if (byOwner == m_byOwner.end() || !byOwner->second->Running) return nullptr;
    return byOwner->second;
}

}  // namespace mirelk
