// One event of the component: a handler that any thread may call and the owner may replace or
// detach at any time, also while tasks run. Assigning returns once no thread runs the handler
// that was replaced (a call from the assigning thread itself excepted), so whatever the old
// handler refers to may go away afterwards. A handler must therefore never wait for the thread
// that replaces it (the main thread): it hands its work on, it does not wait for it.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace mirelk {

template <typename Signature>
class TEventHandler;

template <typename Result, typename... Args>
class TEventHandler<Result(Args...)> {
public:
    using TFunction = std::function<Result(Args...)>;

    TEventHandler() = default;
    TEventHandler(const TEventHandler&) = delete;
    TEventHandler& operator=(const TEventHandler&) = delete;
    ~TEventHandler() { Replace(nullptr); }

    TEventHandler& operator=(TFunction handler)
    {
        Replace(handler ? std::make_shared<const TFunction>(std::move(handler)) : nullptr);
        return *this;
    }
    TEventHandler& operator=(std::nullptr_t)
    {
        Replace(nullptr);
        return *this;
    }

    explicit operator bool() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_handler != nullptr;
    }

    // Calls the handler when one is set; a default result otherwise.
    Result operator()(Args... args) const
    {
        std::shared_ptr<const TFunction> handler;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_handler) return Result();
            handler = m_handler;
            m_callers.push_back(std::this_thread::get_id());
        }
        struct TCallEnd {
            const TEventHandler& event;
            ~TCallEnd() { event.EndCall(); }
        } end{*this};
        return (*handler)(std::forward<Args>(args)...);
    }

private:
    void Replace(std::shared_ptr<const TFunction> handler)
    {
        std::shared_ptr<const TFunction> old;
        std::unique_lock<std::mutex> lock(m_lock);
        old = std::exchange(m_handler, std::move(handler));
        const std::thread::id self = std::this_thread::get_id();
        m_callEnded.wait(lock, [&] {
            for (const std::thread::id& caller : m_callers)
                if (caller != self) return false;
            return true;
        });
        lock.unlock();
        // What the old handler captured is released here, outside the lock (unless a call on
        // this very thread still runs it: that call holds its own reference).
    }

    void EndCall() const
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            const std::thread::id self = std::this_thread::get_id();
            for (auto it = m_callers.begin(); it != m_callers.end(); ++it)
                if (*it == self) {
                    m_callers.erase(it);
                    break;
                }
        }
        m_callEnded.notify_all();
    }

    mutable std::mutex m_lock;
    mutable std::condition_variable m_callEnded;
    std::shared_ptr<const TFunction> m_handler;
    // The threads in a call now (a thread appears once per nested call).
    mutable std::vector<std::thread::id> m_callers;
};

}  // namespace mirelk
