// A call that a worker hands to the main thread and waits for, and may stop waiting for once a
// flag of its own is set (its run is being stopped). The main thread runs it only when the
// worker still waits, so what the call refers to is alive whenever it runs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace mirelk {

class TMainThreadCall {
public:
    explicit TMainThreadCall(const std::function<void()>& call) : m_call(call) {}

    // On the main thread: runs the call unless the worker has given up on it.
    void Run()
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_state != stPending) return;
            m_state = stRunning;
        }
        struct TDone {
            TMainThreadCall& call;
            ~TDone()
            {
                {
                    std::lock_guard<std::mutex> lock(call.m_lock);
                    call.m_state = stDone;
                }
                call.m_changed.notify_all();
            }
        } done{*this};
        m_call();
    }

    // On the worker: waits until the call has run (true), or until the flag is set before it
    // began (false; it will not run then). A call that has begun is waited for: the main thread
    // is running it and does not wait for this worker.
    bool Wait(const std::atomic<bool>* abandon)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        for (;;) {
            if (m_state == stDone) return true;
            if (m_state == stPending && abandon != nullptr && abandon->load()) {
                m_state = stAbandoned;
                return false;
            }
            if (abandon == nullptr || m_state == stRunning)
                m_changed.wait(lock);
            else
                m_changed.wait_for(lock, std::chrono::milliseconds(20));
        }
    }

private:
    enum TState { stPending, stRunning, stDone, stAbandoned };

    // Refers to the worker's call, which lives as long as the worker waits.
    const std::function<void()>& m_call;
    std::mutex m_lock;
    std::condition_variable m_changed;
    TState m_state = stPending;
};

}  // namespace mirelk
