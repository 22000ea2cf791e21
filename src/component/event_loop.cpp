#include "component/event_loop.h"

#include <algorithm>
#include <memory>

#include "binding/main_thread_call.h"

namespace mirelk {

TEventLoop::TEventLoop() : m_mainThread(std::this_thread::get_id()) {}

bool TEventLoop::IsMainThread() const { return std::this_thread::get_id() == m_mainThread; }

bool TEventLoop::RunInMainThread(const std::function<void()>& call, const std::atomic<bool>* abandon)
{
    if (IsMainThread()) {
        call();
        return true;
    }
    auto handed = std::make_shared<TMainThreadCall>(call);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back([handed] { handed->Run(); });
    }
    m_arrived.notify_all();
    return handed->Wait(abandon);
}

void TEventLoop::PostDelayed(int milliseconds, std::function<void()> call)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_timed.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds), std::move(call)});
    }
    m_arrived.notify_all();
}

void TEventLoop::PumpFor(std::chrono::milliseconds wait)
{
    std::vector<std::function<void()>> due;
    {
        std::unique_lock<std::mutex> lock(m_lock);
        const auto until = std::chrono::steady_clock::now() + wait;
        const auto ready = [&] {
            const auto now = std::chrono::steady_clock::now();
            return !m_calls.empty() ||
                   std::any_of(m_timed.begin(), m_timed.end(), [&](const TTimed& timed) { return timed.due <= now; });
        };
        while (!ready()) {
            auto next = until;
            for (const TTimed& timed : m_timed) next = std::min(next, timed.due);
            if (m_arrived.wait_until(lock, next) == std::cv_status::timeout && std::chrono::steady_clock::now() >= until &&
                !ready())
                return;
        }
        while (!m_calls.empty()) {
            due.push_back(std::move(m_calls.front()));
            m_calls.pop_front();
        }
        const auto now = std::chrono::steady_clock::now();
        for (auto it = m_timed.begin(); it != m_timed.end();) {
            if (it->due <= now) {
                due.push_back(std::move(it->call));
                it = m_timed.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& call : due) call();
}

bool TEventLoop::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) return done();
        PumpFor(std::min<std::chrono::milliseconds>(std::chrono::duration_cast<std::chrono::milliseconds>(until - now),
                                                    std::chrono::milliseconds(50)));
    }
    return true;
}

}  // namespace mirelk
