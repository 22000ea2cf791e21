// The component's side of its events: what tasks raise is queued here (hooks and preview
// pictures excepted, which answer or borrow from the task and so are called at once), and the
// dispatcher thread hands each queued event to its handler with the task's index of that moment.
#include "binding/log_levels.h"
#include "component/vantrel.h"

namespace mirelk {

namespace {

TLogLevel LogLevelOf(int engineLevel)
{
    return engineLevel < 0    ? llQuiet
           : engineLevel == 0 ? llError
           : engineLevel == 1 ? llInfo
           : engineLevel == 2 ? llDebug
                              : llAll;
}

}  // namespace

void TCustomVantrel::Deliver(TComponentEvent& event)
{
    int index = -1;
    if (event.task != kNoTask) {
        index = IndexOfTask(event.task);
        // A task that has left the list reports nothing more; its lines still tell something.
        if (index < 0 && event.kind != TComponentEvent::ekLog) return;
    }
    switch (event.kind) {
    case TComponentEvent::ekLog:
        OnLog(index, LogLevelOf(event.level), event.text);
        break;
    case TComponentEvent::ekProgress: {
        const TProgressRecord& record = event.progress;
        OnProgress(index, record.frameNumber, record.framesPerSecond, record.currentDuration, record.quality,
                   record.bitRate, record.currentSize, record.totalOutputDuration);
        break;
    }
    case TComponentEvent::ekTerminate:
        OnTerminate(index, event.finished, event.exception, event.text);
        break;
    case TComponentEvent::ekRunEnd:
        OnTerminate(-1, true, false, "");
        break;
    }
}

void TCustomVantrel::PostLog(TTaskId task, int engineLevel, const std::string& message)
{
    TComponentEvent event;
    event.kind = TComponentEvent::ekLog;
    event.task = task;
    event.level = engineLevel;
    event.text = message;
    m_events.Post(std::move(event));
}

void TCustomVantrel::ReportStartFailure(TVantrelTask& task, const std::string& message)
{
    // A task that cannot start still ends its part of the run, or the run would never end.
    DoLog(&task, kLevelQuiet, message);
    ReportTermination(task, false, true, message);
}

void TCustomVantrel::ReportTermination(TVantrelTask& task, bool finished, bool exception, const std::string& message)
{
    TComponentEvent event;
    event.kind = TComponentEvent::ekTerminate;
    event.task = task.Id;
    event.finished = finished;
    event.exception = exception;
    event.text = message;
    int next = -1;
    bool endOfRun = false;
    {
        // Queued and counted in one step: the end of the run, queued by whichever termination
        // is counted last, comes after every termination in the queue.
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_events.Post(std::move(event));
        ++m_reportedInRun;
        next = CountTermination(endOfRun);
    }
    FinishTermination(next, endOfRun);
}

int TCustomVantrel::CountTermination(bool& endOfRun)
{
    ++m_finishedCount;
    endOfRun = false;
    if (m_remainingCount > 0) return ClaimNextIndex();
    // A run in which no task reported (all had reported in an earlier one) has no end to tell.
    endOfRun = m_finishedCount >= m_tasks.Count() && m_reportedInRun > 0 && QueueRunEnd();
    return -1;
}

bool TCustomVantrel::QueueRunEnd()
{
    if (m_runEndQueued) return false;
    m_runEndQueued = true;
    TComponentEvent end;
    end.kind = TComponentEvent::ekRunEnd;
    m_events.Post(std::move(end));
    return true;
}

void TCustomVantrel::FinishTermination(int nextIndex, bool endOfRun)
{
    // The next task starts without the lock held: starting may reach the libraries, whose log
    // output takes the routing lock before this component's.
    if (nextIndex >= 0) LaunchTask(nextIndex);
    if (endOfRun) ClearPendingLibraryLog();
}

void TCustomVantrel::DoBeforeHook(TVantrelTask* task, std::int64_t pts, THookAction& action)
{
    OnBeforeHook(task != nullptr ? task->Index.load() : -1, pts, action);
}

void TCustomVantrel::DoCustomHook(TVantrelTask* task, TBitmap24& bitmap, int frameNumber, std::int64_t pts,
                                  bool& update, bool& stopHook)
{
    OnCustomHook(task != nullptr ? task->Index.load() : -1, bitmap, frameNumber, pts, update, stopHook);
}

void TCustomVantrel::DoLog(TVantrelTask* task, int engineLevel, const std::string& message)
{
    PostLog(task != nullptr ? task->Id : kNoTask, engineLevel, message);
}

void TCustomVantrel::DoPreviewBitmap(TVantrelTask* task, TBitmap24& bitmap, int frameNumber, std::int64_t pts)
{
    const int index = task != nullptr ? task->Index.load() : -1;
    // A task being stopped stops waiting: the main thread may be waiting for it.
    m_mainThread.RunInMainThread([&] { OnPreviewBitmap(index, bitmap, frameNumber, pts); },
                                 task != nullptr ? &task->StopRequested : nullptr);
}

void TCustomVantrel::DoProgress(TVantrelTask* task, const TProgressRecord& record)
{
    TComponentEvent event;
    event.kind = TComponentEvent::ekProgress;
    event.task = task != nullptr ? task->Id : kNoTask;
    event.progress = record;
    m_events.Post(std::move(event));
}

void TCustomVantrel::DoTerminate(TVantrelTask* task)
{
    if (task != nullptr) {
        ReportTermination(*task, task->Finished, task->ExceptionRaised, task->ErrorMessage);
        return;
    }
    bool endOfRun = false;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        endOfRun = QueueRunEnd();
    }
    FinishTermination(-1, endOfRun);
}

void TCustomVantrel::ReceiveLibraryLine(std::uint32_t threadId, int engineLevel, const std::string& text)
{
    ReceiveLibraryLine(threadId, nullptr, engineLevel, text);
}

void TCustomVantrel::ReceiveLibraryLine(std::uint32_t threadId, const void* owner, int engineLevel,
                                        const std::string& text)
{
    // Queued under the lock: the task found cannot go meanwhile.
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    DoLog(m_lookup.Find(threadId, owner), engineLevel, text);
}

}  // namespace mirelk
