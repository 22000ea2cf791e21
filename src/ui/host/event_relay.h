// Hands the component's events, which arrive on worker threads, to the window on the main
// thread as queued calls. Posting never waits for the main thread, so a worker that raises an
// event is never held up by the window. Once detached, nothing more reaches the window.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <functional>
#include <mutex>

namespace mirelk::ui {

class TEventRelay {
public:
    explicit TEventRelay(QObject* target) : m_target(target) {}

    void Post(std::function<void()> call)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_target == nullptr) return;
        // Queued: runs on the target's (the main) thread; dropped should the target go first.
        QMetaObject::invokeMethod(m_target, std::move(call), Qt::QueuedConnection);
    }
    // On the main thread, before the target goes away.
    void Detach()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_target = nullptr;
    }

private:
    std::mutex m_lock;
    QObject* m_target;
};

}  // namespace mirelk::ui
