// The conversion component's task: an engine object that runs its conversion in the calling
// thread or in a worker thread of its own, can be stopped, paused and resumed, and reports its
// termination exactly once per run, also when it never got to run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "component/task_callbacks.h"
#include "component/task_threads.h"
#include "engine/custom_ffmpeg.h"

namespace mirelk {

class TTaskCallbacks;

// A task that runs in a thread must be owned by a std::shared_ptr: each of its threads holds
// the task until the thread's body has ended. Its owner lets go of it through Retire (the
// TTaskOwner does so when it is destroyed). Its callbacks must not hold the task's shared_ptr,
// or the task keeps itself alive.
class TFFmpeg : public TCustomFFmpeg, public std::enable_shared_from_this<TFFmpeg> {
public:
    using TTerminateCallback = std::function<void(TFFmpeg& task)>;

    TFFmpeg();
    ~TFFmpeg() override;

    // Starts a run. Returns nothing when the task is running or has reported its termination
    // already, or when it ran in the calling thread (threaded false; the call returns when the
    // run has terminated). Threaded: returns the worker thread, suspended at the priority; the
    // caller records its id in ThreadID and then resumes it. Throws FFmpegException when the
    // task has no output or no input file (after CleanUp), or is not owned by a shared_ptr for
    // a threaded run.
    std::shared_ptr<TFFmpegThread> Start(bool threaded, TConvertPriority priority);
    // The body of a run: the transcode, its failure reported, CleanUp and the termination.
    void Run();
    // Reports the termination to OnTerminate.
    virtual void DoTerminate();
    // A running task ends at its next pass (a paused one is let go for it); a task that was
    // never started reports its termination from a thread of its own; otherwise nothing.
    void Stop();
    // Hold and release a run in a worker thread at the top of its next pass. A task without a
    // worker thread is not affected.
    void Pause();
    void Resume();
    // For the owner that lets go of the task: asks a run to stop, lets its thread go if it was
    // never resumed, and waits for the task's threads at most 10 times 100 ms; then cuts the
    // callbacks, so none reaches the owner afterwards. True when no thread of the task is left;
    // a thread that is late keeps the task alive until it ends. Must not be called while
    // holding a lock that the task's callbacks take.
    bool Retire();
    // Whether no thread of the task runs any more, and waiting for that without a limit: for an
    // owner whose Retire found a thread late. Not from one of the task's own threads.
    bool ThreadsEnded() const;
    void WaitForThreads() const;

    // Runs a call that reaches the task's owner (a hook, a preview), unless the owner has let go
    // of the task already (Retire): then nothing is called and the result is false. The call
    // must not wait for the main thread without giving up once StopRequested is set, as the
    // owner may wait on the main thread for the call to end.
    template <typename Call>
    bool CallOwner(Call&& call)
    {
        return m_callbacks->Call(std::forward<Call>(call));
    }

    // The pause gate of the transcode loop.
    void PassGate() override;

    // A run was started and its termination not reported yet.
    std::atomic<bool> Running{false};
    // The termination was reported; the task does not start again.
    std::atomic<bool> TerminateDelivered{false};
    // The run ended by an exception; its message is in ErrorMessage.
    std::atomic<bool> ExceptionRaised{false};
    // The thread that runs the task, recorded by whoever starts it.
    std::atomic<std::uint32_t> ThreadID{0};
    // Called with the task when its termination is reported, in the thread that reports it.
    TTerminateCallback OnTerminate;

    // The worker thread while a threaded run has not reported its termination.
    std::shared_ptr<TFFmpegThread> WorkerThread() const;
    // The gate is closed by Pause.
    bool Paused() const;
    // The run waits at its closed gate now.
    bool HeldAtGate() const;

private:
    void ReportRunFailure(const std::string& message);
    // Delivers the termination of a task that never ran, from a thread of its own when the task
    // is shared, else in the calling thread.
    void DeliverTerminationOfUnstartedTask();

    mutable std::mutex m_stateLock;
    std::condition_variable m_gateChanged;
    bool m_paused = false;
    bool m_heldAtGate = false;
    bool m_terminationPending = false;
    std::shared_ptr<TFFmpegThread> m_workerThread;
    // The threads Retire waits for: the last worker thread and the termination thread.
    std::shared_ptr<TTaskThread> m_lastWorker;
    std::shared_ptr<TTaskThread> m_terminator;
    std::shared_ptr<TTaskCallbacks> m_callbacks;
};

}  // namespace mirelk
