// A small main-thread event loop for programs without a desktop toolkit (the command-line
// program and the tests): the thread that creates it is the main thread; calls posted from
// other threads run when that thread pumps the loop.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "binding/host_interfaces.h"

namespace mirelk {

class TEventLoop : public IMainThreadDispatcher {
public:
    TEventLoop();
    bool IsMainThread() const override;
    using IMainThreadDispatcher::RunInMainThread;
    bool RunInMainThread(const std::function<void()>& call, const std::atomic<bool>* abandon) override;
    void PostDelayed(int milliseconds, std::function<void()> call) override;

    // Runs what is due, waiting up to the given time for something to arrive; main thread only.
    void PumpFor(std::chrono::milliseconds wait);
    // Pumps until the predicate holds (checked after every call run) or the time is up;
    // returns the predicate's last value.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

private:
    struct TTimed {
        std::chrono::steady_clock::time_point due;
        std::function<void()> call;
    };

    std::thread::id m_mainThread;
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::deque<std::function<void()>> m_calls;
    std::vector<TTimed> m_timed;
};

}  // namespace mirelk
