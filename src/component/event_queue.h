// The one path of the component's run events (log lines, progress, terminations and the end of
// a run): whatever thread raises one only queues it, and one dispatcher thread of the
// component's own hands them out in the order they were queued, one at a time and with no lock
// held, so that a handler may call every operation of the component and no producer ever waits
// for a handler.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "engine/pipeline/progress_report.h"

namespace mirelk {

// A task's name for the whole of its life; list indexes change when an earlier task goes.
using TTaskId = std::int64_t;
inline constexpr TTaskId kNoTask = -1;

struct TComponentEvent {
    enum TKind : std::uint8_t { ekLog, ekProgress, ekTerminate, ekRunEnd };
    TKind kind = ekLog;
    // The task it concerns, kNoTask for none.
    TTaskId task = kNoTask;
    // Log: the engine level.
    int level = 0;
    // Terminate.
    bool finished = false;
    bool exception = false;
    TProgressRecord progress;
    // Log: the line; terminate: the message.
    std::string text;
};

class TEventQueue {
public:
    using TDeliver = std::function<void(TComponentEvent& event)>;

    // The dispatcher thread starts here and calls deliver for each event.
    explicit TEventQueue(TDeliver deliver);
    ~TEventQueue();
    TEventQueue(const TEventQueue&) = delete;
    TEventQueue& operator=(const TEventQueue&) = delete;

    void Post(TComponentEvent event);
    // Returns once every event queued before the call has been handed out; at once on the
    // dispatcher thread itself (a handler cannot wait for its own return).
    void Flush();
    // Drops what is still queued, hands out nothing more and joins the dispatcher thread (after
    // the handler it runs, if any, has returned). Must not be called from a handler.
    void Close();
    bool OnDispatcherThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    void Dispatch();

    // Guards the queue and its counters only; never held while an event is handed out.
    std::mutex m_lock;
    std::condition_variable m_posted;
    std::condition_variable m_delivered;
    std::deque<TComponentEvent> m_events;
    std::uint64_t m_postedCount = 0;
    std::uint64_t m_deliveredCount = 0;
    bool m_closing = false;
    TDeliver m_deliver;
    std::thread m_thread;
};

}  // namespace mirelk
