#include "component/task_threads.h"

#include <sched.h>
#include <sys/resource.h>

#include <thread>

#include "component/ffmpeg_task.h"
#include "component/thread_id.h"

namespace mirelk {

namespace {

struct TLiveThreads {
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;
};

TLiveThreads& LiveThreads()
{
    static TLiveThreads live;
    return live;
}

void CountThreadStarted()
{
    std::lock_guard<std::mutex> lock(LiveThreads().lock);
    ++LiveThreads().count;
}

void CountThreadEnded()
{
    // Notified under the lock: a waiter that sees the count reach zero cannot return (and the
    // program cannot end) before this thread has let go of the lock.
    std::lock_guard<std::mutex> lock(LiveThreads().lock);
    --LiveThreads().count;
    LiveThreads().changed.notify_all();
}

int NiceValue(TConvertPriority priority)
{
    switch (priority) {
    case tpLowest: return 15;
    case tpLower: return 10;
    default: return 0;
    }
}

}  // namespace

bool ApplyThreadPriority(std::uint32_t threadId, TConvertPriority priority)
{
    const pid_t thread = static_cast<pid_t>(threadId);
    sched_param parameters{};
    parameters.sched_priority = 0;
    if (priority == tpIdle) return ::sched_setscheduler(thread, SCHED_IDLE, &parameters) == 0;
    // A thread inherits its creator's policy: one made by an idle thread has to leave it first.
    if (::sched_getscheduler(thread) != SCHED_OTHER && ::sched_setscheduler(thread, SCHED_OTHER, &parameters) != 0)
        return false;
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), NiceValue(priority)) == 0;
}

int LiveTaskThreadCount()
{
    std::lock_guard<std::mutex> lock(LiveThreads().lock);
    return LiveThreads().count;
}

bool WaitForTaskThreads(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(LiveThreads().lock);
    return LiveThreads().changed.wait_for(lock, timeout, [] { return LiveThreads().count == 0; });
}

std::uint32_t TTaskThread::ThreadID() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_threadId;
}

void TTaskThread::Resume()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_resumed = true;
    m_changed.notify_all();
}

bool TTaskThread::Resumed() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_resumed;
}

bool TTaskThread::Ended() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_ended;
}

bool TTaskThread::WaitEnded(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [this] { return m_ended; });
}

void TTaskThread::PublishId(std::uint32_t id)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_threadId = id;
    m_changed.notify_all();
}

void TTaskThread::WaitForResume()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_resumed; });
}

void TTaskThread::MarkEnded()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_ended = true;
    m_changed.notify_all();
}

void TTaskThread::Launch(const std::shared_ptr<TTaskThread>& thread, std::function<void()> body)
{
    CountThreadStarted();
    try {
        std::thread([thread, body = std::move(body)]() mutable {
            thread->PublishId(CurrentThreadId());
            thread->WaitForResume();
            // Nothing may leave a thread's body: the process would end.
            try {
                body();
            } catch (...) {
            }
            // The body holds the task: let it go (the task may end here) before the thread
            // counts as ended.
            body = nullptr;
            thread->MarkEnded();
            CountThreadEnded();
        }).detach();
    } catch (...) {
        CountThreadEnded();
        throw;
    }
    std::unique_lock<std::mutex> lock(thread->m_lock);
    thread->m_changed.wait(lock, [&] { return thread->m_threadId != 0; });
}

std::shared_ptr<TFFmpegThread> TFFmpegThread::Create(std::shared_ptr<TFFmpeg> task, TConvertPriority priority)
{
    auto thread = std::make_shared<TFFmpegThread>(TPasskey{});
    Launch(thread, [task = std::move(task)] {
        if (task) task->Run();
    });
    ApplyThreadPriority(thread->ThreadID(), priority);
    return thread;
}

std::shared_ptr<TDoTerminateThread> TDoTerminateThread::Create(std::shared_ptr<TFFmpeg> task)
{
    auto thread = std::make_shared<TDoTerminateThread>(TPasskey{});
    Launch(thread, [task = std::move(task)] {
        if (task) task->DoTerminate();
    });
    ApplyThreadPriority(thread->ThreadID(), tpIdle);
    return thread;
}

}  // namespace mirelk
