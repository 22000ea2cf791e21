#include "component/event_queue.h"

#include <utility>

namespace mirelk {

TEventQueue::TEventQueue(TDeliver deliver) : m_deliver(std::move(deliver)), m_thread([this] { Dispatch(); }) {}

TEventQueue::~TEventQueue() { Close(); }

void TEventQueue::Post(TComponentEvent event)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_closing) return;
        m_events.push_back(std::move(event));
        ++m_postedCount;
    }
    m_posted.notify_one();
}

void TEventQueue::Flush()
{
    if (OnDispatcherThread()) return;
    std::unique_lock<std::mutex> lock(m_lock);
    const std::uint64_t target = m_postedCount;
    m_delivered.wait(lock, [&] { return m_deliveredCount >= target || m_closing; });
}

void TEventQueue::Close()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closing = true;
        m_events.clear();
    }
    m_posted.notify_all();
    m_delivered.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void TEventQueue::Dispatch()
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_posted.wait(lock, [this] { return m_closing || !m_events.empty(); });
        if (m_closing) return;
        TComponentEvent event = std::move(m_events.front());
        m_events.pop_front();
        lock.unlock();
        // A handler's failure is its own: the dispatcher goes on with the next event.
        try {
            m_deliver(event);
        } catch (...) {
        }
        lock.lock();
        ++m_deliveredCount;
        m_delivered.notify_all();
    }
}

}  // namespace mirelk
