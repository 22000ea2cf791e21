// A task's connections to its owner (log, progress, termination), put behind a gate when the
// task starts a thread, so that an owner that lets go of a task whose thread is late can cut
// them: after Disconnect no call reaches the owner any more, and a call in progress has
// returned.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/custom_ffmpeg.h"

namespace mirelk {

class TFFmpeg;

class TTaskCallbacks : public std::enable_shared_from_this<TTaskCallbacks> {
public:
    using TLogCallback = TCustomFFmpeg::TLogCallback;
    using TProgressCallback = decltype(TCustomFFmpeg::OnProgress);
    using TTerminateCallback = std::function<void(TFFmpeg& task)>;

    // Moves each connected callback behind the gate and leaves a forwarder in its place.
    // Unconnected callbacks stay empty (the engine does other work when no one takes its
    // progress), and forwarders already in place stay. Called while no thread of the task
    // exists (the thread that is made afterwards sees what it did), and possibly under the
    // owner's lock: so it never takes the lock the callbacks run under.
    void TakeOver(TLogCallback& log, TProgressCallback& progress, TTerminateCallback& terminate);
    // Waits for a call in progress (one from this very thread does not count) and lets no
    // later call through. Must not be called while holding a lock that the callbacks take.
    void Disconnect();
    bool Connected() const;
    // Runs a call that reaches the owner through the gate: not at all once disconnected (false).
    // A template, so that the per-picture calls of hooks and previews allocate nothing.
    template <typename Function>
    bool Call(Function&& call)
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (!m_connected) return false;
        const TCallScope scope(*this);
        call();
        return true;
    }

private:
    struct TLogForwarder {
        std::shared_ptr<TTaskCallbacks> gate;
        void operator()(TCustomFFmpeg& task, int level, const std::string& text) const;
    };
    struct TProgressForwarder {
        std::shared_ptr<TTaskCallbacks> gate;
        void operator()(TCustomFFmpeg& task, const TProgressRecord& record) const;
    };
    struct TTerminateForwarder {
        std::shared_ptr<TTaskCallbacks> gate;
        void operator()(TFFmpeg& task) const;
    };

    // Counts the calls in progress (all on the thread that holds the lock).
    struct TCallScope {
        explicit TCallScope(TTaskCallbacks& gate) : gate(gate) { ++gate.m_callDepth; }
        ~TCallScope() { --gate.m_callDepth; }
        TCallScope(const TCallScope&) = delete;
        TCallScope& operator=(const TCallScope&) = delete;
        TTaskCallbacks& gate;
    };

    // Held while a callback runs. Recursive: a callback may make its task log, or let go of
    // its own task.
    mutable std::recursive_mutex m_lock;
    // Keeps TakeOver and Disconnect apart; taken after m_lock, never before it.
    std::mutex m_swapLock;
    bool m_connected = true;
    int m_callDepth = 0;
    TLogCallback m_log;
    TProgressCallback m_progress;
    TTerminateCallback m_terminate;
};

}  // namespace mirelk
