#include "component/task_callbacks.h"

namespace mirelk {

void TTaskCallbacks::TakeOver(TLogCallback& log, TProgressCallback& progress, TTerminateCallback& terminate)
{
    std::lock_guard<std::mutex> lock(m_swapLock);
    if (log && log.target<TLogForwarder>() == nullptr) {
        m_log = std::move(log);
        log = TLogForwarder{shared_from_this()};
    }
    if (progress && progress.target<TProgressForwarder>() == nullptr) {
        m_progress = std::move(progress);
        progress = TProgressForwarder{shared_from_this()};
    }
    if (terminate && terminate.target<TTerminateForwarder>() == nullptr) {
        m_terminate = std::move(terminate);
        terminate = TTerminateForwarder{shared_from_this()};
    }
}

void TTaskCallbacks::Disconnect()
{
    TLogCallback log;
    TProgressCallback progress;
    TTerminateCallback terminate;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_connected = false;
        // Called from inside a callback of this gate (on this thread, as the lock is ours): that
        // callback is still running, so it must not be destroyed under it; it goes with the gate.
        if (m_callDepth > 0) return;
        std::lock_guard<std::mutex> swapLock(m_swapLock);
        log = std::move(m_log);
        progress = std::move(m_progress);
        terminate = std::move(m_terminate);
    }
    // What the callbacks captured goes here, outside the lock.
}

bool TTaskCallbacks::Connected() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_connected;
}

void TTaskCallbacks::TLogForwarder::operator()(TCustomFFmpeg& task, int level, const std::string& text) const
{
    std::lock_guard<std::recursive_mutex> lock(gate->m_lock);
    if (!gate->m_connected || !gate->m_log) return;
    const TCallScope scope(*gate);
    gate->m_log(task, level, text);
}

void TTaskCallbacks::TProgressForwarder::operator()(TCustomFFmpeg& task, const TProgressRecord& record) const
{
    std::lock_guard<std::recursive_mutex> lock(gate->m_lock);
    if (!gate->m_connected || !gate->m_progress) return;
    const TCallScope scope(*gate);
    gate->m_progress(task, record);
}

void TTaskCallbacks::TTerminateForwarder::operator()(TFFmpeg& task) const
{
    std::lock_guard<std::recursive_mutex> lock(gate->m_lock);
    if (!gate->m_connected || !gate->m_terminate) return;
    const TCallScope scope(*gate);
    gate->m_terminate(task);
}

}  // namespace mirelk
