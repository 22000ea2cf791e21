#include "component/task_owner.h"

#include <utility>

namespace mirelk {

TTaskOwner::TTaskOwner(std::shared_ptr<TFFmpeg> task) : m_task(std::move(task)) {}

TTaskOwner::~TTaskOwner() { Reset(); }

TTaskOwner& TTaskOwner::operator=(TTaskOwner&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_task = std::move(other.m_task);
    }
    return *this;
}

bool TTaskOwner::Reset()
{
    if (!m_task) return true;
    const bool allEnded = m_task->Retire();
    m_task.reset();
    return allEnded;
}

}  // namespace mirelk
