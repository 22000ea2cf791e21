#include "component/task_threads.h"

#include <sched.h>
#include <sys/resource.h>

#include <list>
#include <thread>
#include <vector>

#include "component/ffmpeg_task.h"
#include "component/thread_id.h"

namespace mirelk {

namespace {

// Every task thread of the program, from its launch until someone has joined it: no thread is
// ever detached. A thread whose body has ended moves itself to the ended ones, and the next
// launch, wait or reap joins it (it has only its return left to do by then).
struct TLiveThreads {
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;
    std::list<std::thread> running;
    std::vector<std::thread> ended;
    // At the program's end every thread is waited for and joined (a joinable std::thread may not
    // be destroyed); components have asked their tasks to stop by then.
    ~TLiveThreads()
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return count == 0; });
        for (std::thread& thread : ended)
            if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) thread.join();
    }
};

TLiveThreads& LiveThreads()
{
    static TLiveThreads live;
    return live;
}

void CountThreadEnded(std::list<std::thread>::iterator slot)
{
    // Notified under the lock: a waiter that sees the count reach zero cannot return (and the
    // program cannot end) before this thread has let go of the lock.
    TLiveThreads& live = LiveThreads();
    std::lock_guard<std::mutex> lock(live.lock);
    if (slot->joinable()) live.ended.push_back(std::move(*slot));
    live.running.erase(slot);
    --live.count;
    live.changed.notify_all();
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
    bool none = false;
    {
        std::unique_lock<std::mutex> lock(LiveThreads().lock);
        none = LiveThreads().changed.wait_for(lock, timeout, [] { return LiveThreads().count == 0; });
    }
    JoinEndedTaskThreads();
    return none;
}

void JoinEndedTaskThreads()
{
    std::vector<std::thread> ended;
    {
        std::lock_guard<std::mutex> lock(LiveThreads().lock);
        std::swap(ended, LiveThreads().ended);
    }
    for (std::thread& thread : ended) {
        if (thread.get_id() == std::this_thread::get_id()) {
            // Never the case today (an ended thread calls nothing more), but a thread cannot
            // join itself: it is left to the next one.
            std::lock_guard<std::mutex> lock(LiveThreads().lock);
            LiveThreads().ended.push_back(std::move(thread));
            continue;
        }
        thread.join();
    }
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
    JoinEndedTaskThreads();
    {
        TLiveThreads& live = LiveThreads();
        std::lock_guard<std::mutex> lock(live.lock);
        const auto slot = live.running.emplace(live.running.end());
        try {
            // Made under the lock, so the slot holds the thread before the thread can leave it.
            *slot = std::thread([thread, slot, body = std::move(body)]() mutable {
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
                CountThreadEnded(slot);
            });
        } catch (...) {
            live.running.erase(slot);
            throw;
        }
        ++live.count;
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
