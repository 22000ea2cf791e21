// The threads a task runs in: the worker thread that runs a task's conversion, and the thread
// that reports the termination of a task that never ran. Both start suspended, so that their
// kernel id is known and their priority set before they run, and both end by themselves; each
// keeps its task alive until its body has ended, so no thread outlives the task it uses. None is
// detached: a thread whose body has ended is joined by the next launch, wait or join below.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace mirelk {

class TFFmpeg;

// The priorities a conversion may run at; the higher ones of the platform are not offered.
enum TConvertPriority { tpIdle, tpLowest, tpLower, tpNormal };

// Gives a thread the scheduling of the priority: tpIdle the idle policy, the others the normal
// policy with nice 15, 10 and 0. False when the system refused (a thread that inherited a low
// priority may not be allowed to go back up without the privilege for it).
bool ApplyThreadPriority(std::uint32_t threadId, TConvertPriority priority);

// Task threads of the whole program whose body has not ended yet.
int LiveTaskThreadCount();
// Waits until every task thread's body has ended, at most the timeout; true when none is left.
// For the end of the program (and of a test): no task thread may run into static destruction.
bool WaitForTaskThreads(std::chrono::milliseconds timeout);
// Joins every task thread whose body has ended (they have only their return left to do).
void JoinEndedTaskThreads();

class TTaskThread {
public:
    virtual ~TTaskThread() = default;
    TTaskThread(const TTaskThread&) = delete;
    TTaskThread& operator=(const TTaskThread&) = delete;

    std::uint32_t ThreadID() const;
    // Lets the suspended thread run its body; later calls do nothing.
    void Resume();
    bool Resumed() const;
    // The body has run (or will never run) and the thread no longer holds its task.
    bool Ended() const;
    // Waits at most the timeout for Ended; returns Ended.
    bool WaitEnded(std::chrono::milliseconds timeout) const;

protected:
    TTaskThread() = default;
    // Creates the platform thread, which waits until Resume and then runs the body. Returns
    // once the thread's id is known. Throws std::system_error when no thread can be created.
    static void Launch(const std::shared_ptr<TTaskThread>& thread, std::function<void()> body);

private:
    void PublishId(std::uint32_t id);
    void WaitForResume();
    void MarkEnded();

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::uint32_t m_threadId = 0;
    bool m_resumed = false;
    bool m_ended = false;
};

// Runs the task's conversion (its Run) once resumed.
class TFFmpegThread final : public TTaskThread {
    struct TPasskey {
        explicit TPasskey() = default;
    };

public:
    // Suspended, at the given priority.
    static std::shared_ptr<TFFmpegThread> Create(std::shared_ptr<TFFmpeg> task, TConvertPriority priority);
    explicit TFFmpegThread(TPasskey) {}
};

// Reports a task's termination (its DoTerminate) once resumed.
class TDoTerminateThread final : public TTaskThread {
    struct TPasskey {
        explicit TPasskey() = default;
    };

public:
    // Suspended, at the idle priority: the report is no hurry.
    static std::shared_ptr<TDoTerminateThread> Create(std::shared_ptr<TFFmpeg> task);
    explicit TDoTerminateThread(TPasskey) {}
};

}  // namespace mirelk
