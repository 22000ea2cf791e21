// The owning reference of a task for its list. Letting go of it (destruction, Reset, moving
// another task in) retires the task: a run is asked to stop, and its thread waited for up to one
// second; a thread that takes longer keeps the task alive until it ends and reports to no one.
#pragma once

#include <memory>

#include "component/ffmpeg_task.h"

namespace mirelk {

class TTaskOwner {
public:
    TTaskOwner() = default;
    explicit TTaskOwner(std::shared_ptr<TFFmpeg> task);
    ~TTaskOwner();
    TTaskOwner(TTaskOwner&& other) noexcept = default;
    TTaskOwner& operator=(TTaskOwner&& other) noexcept;
    TTaskOwner(const TTaskOwner&) = delete;
    TTaskOwner& operator=(const TTaskOwner&) = delete;

    // Retires the task held, if any; returns what Retire said (true without a task).
    bool Reset();

    TFFmpeg* get() const { return m_task.get(); }
    TFFmpeg* operator->() const { return m_task.get(); }
    TFFmpeg& operator*() const { return *m_task; }
    explicit operator bool() const { return m_task != nullptr; }
    // The task itself, for what has to keep it (a thread does so on its own).
    const std::shared_ptr<TFFmpeg>& Shared() const { return m_task; }

private:
    std::shared_ptr<TFFmpeg> m_task;
};

}  // namespace mirelk
