// The conversion component: the one object a front end drives conversions through. It loads
// the codec libraries, keeps the list of tasks (one per input file), gives each its input and
// output, runs the list in worker threads (or one after another on the main thread), and
// reports log lines, progress, hook calls, preview pictures and terminations through events.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "binding/bitmap24.h"
#include "binding/host_interfaces.h"
#include "component/conversion_records.h"
#include "component/event_handler.h"
#include "component/event_queue.h"
#include "component/ffmpeg_task.h"
#include "component/log_routing.h"
#include "component/task_lookup.h"
#include "component/task_owner.h"
#include "probe/av_probe.h"

namespace mirelk {

enum TLogLevel { llQuiet, llError, llInfo, llDebug, llAll };

class TCustomVantrel;

// The component's task: the engine task with its place in the list, its two records, a prober
// on its input, and its preview state.
class TVantrelTask final : public TFFmpeg {
public:
    TVantrelTask(TCustomVantrel& owner, TTaskId id);
    ~TVantrelTask() override;

    // Given by the component when the task is made, never changed: events and front ends name
    // the task by it, while its place in the list (Index) moves when an earlier task goes.
    const TTaskId Id;
    // The task's place in the list, -1 outside it; changed under the component's state lock.
    std::atomic<int> Index{-1};
    // Set by StopTask while the task still waits for its turn: when its turn comes it reports a
    // stop instead of starting. Cleared at the start of every run.
    std::atomic<bool> StopBeforeStart{false};
    TInputOptions InputOptions;
    TOutputOptions OutputOptions;
    TAVProbe Probe;
    // The output name this task holds in the list (absolute and normal), empty while it has none:
    // no other task of the list may write it.
    std::string ReservedOutput;

    // Bit 0: draw pictures in a preview window; bit 1: hand them to OnPreviewBitmap.
    void SetPreviewFlags(int flags) { m_previewFlags = flags; }
    int PreviewFlags() const { return m_previewFlags; }

    void PreviewPicture(const AVFrame& picture, int frameNumber, std::int64_t pts) override;
    void CheckVideoCopyAllowed() const override;

private:
    void ShowPreview(const AVFrame& picture, int frameNumber, std::int64_t pts);

    TCustomVantrel& m_owner;
    std::atomic<int> m_previewFlags{0};
    std::int64_t m_lastPreview = INT64_MIN;
    // Touched only by the thread that runs the task.
    std::unique_ptr<class TPreviewer> m_previewer;
    std::unique_ptr<class TBgrConversion> m_previewConversion;
    TBitmap24 m_previewPicture;
};

// The task list: owns its tasks, keeps each task's Index equal to its position and finds a
// task's position by its id.
class TFFmpegList {
public:
    int Count() const { return static_cast<int>(m_tasks.size()); }
    TVantrelTask& Item(int index) const;
    std::shared_ptr<TVantrelTask> Shared(int index) const;
    int Add(std::shared_ptr<TVantrelTask> task);
    // Takes the task out of the list (renumbering the ones after it) and hands it over.
    TTaskOwner Delete(int index);
    // Hands every task over and leaves the list empty.
    std::vector<TTaskOwner> TakeAll();
    // The task's position, -1 when it is not in the list.
    int IndexOf(TTaskId id) const;
    TVantrelTask* FindByThreadID(std::uint32_t threadId) const;

private:
    std::vector<TTaskOwner> m_tasks;
    std::unordered_map<TTaskId, int> m_positions;
};

class TCustomVantrel : public TLogReceiver {
public:
    using TBeforeHookSignature = void(int index, std::int64_t pts, THookAction& action);
    using TCustomHookSignature = void(int index, TBitmap24& bitmap, int frameNumber, std::int64_t pts, bool& update,
                                      bool& stopHook);
    using TLogSignature = void(int index, TLogLevel level, const std::string& message);
    using TPreviewBitmapSignature = void(int index, TBitmap24& bitmap, int frameNumber, std::int64_t pts);
    using TProgressSignature = void(int index, int frameNumber, int fps, int currentDuration, float quality,
                                    float bitRate, std::int64_t currentSize, int totalOutputDuration);
    using TTerminateSignature = void(int index, bool finished, bool exception, const std::string& message);
    using TBeforeHookEvent = std::function<TBeforeHookSignature>;
    using TCustomHookEvent = std::function<TCustomHookSignature>;
    using TLogEvent = std::function<TLogSignature>;
    using TPreviewBitmapEvent = std::function<TPreviewBitmapSignature>;
    using TProgressEvent = std::function<TProgressSignature>;
    using TTerminateEvent = std::function<TTerminateSignature>;

    // The main thread runs timers, preview windows and preview events; the factory makes the
    // preview windows (none: previews are not shown).
    explicit TCustomVantrel(IMainThreadDispatcher& mainThread, TPreviewWindowFactory previewWindows = {});
    ~TCustomVantrel() override;
    TCustomVantrel(const TCustomVantrel&) = delete;
    TCustomVantrel& operator=(const TCustomVantrel&) = delete;

    std::string About;
    const std::string Version = "2.3";

    TLogLevel LogLevel() const { return m_logLevel; }
    void SetLogLevel(TLogLevel level);
    bool Preview() const { return m_preview; }
    void SetPreview(bool preview);
    bool PreviewBitmap() const { return m_previewBitmap; }
    void SetPreviewBitmap(bool previewBitmap);
    int ProgressInterval() const { return m_progressInterval; }
    // Milliseconds; 100 at the least.
    void SetProgressInterval(int milliseconds) { m_progressInterval = milliseconds <= 100 ? 100 : milliseconds; }
    TConvertPriority ThreadPriority = tpNormal;

    // Each may be set, replaced or cleared at any time, also during a run; once the assignment
    // has returned, the old handler runs nowhere. OnLog, OnProgress and OnTerminate are called
    // by the component's own dispatcher thread, one at a time, in the order they were raised
    // (so per task too), with the task's index at the time of the call; OnTerminate(-1) comes
    // once per run, after every task's own termination of the run. Events of a task that has
    // left the list are not called, but for its log lines, which come with -1. The hooks are
    // called in the task's thread (they answer the task), OnPreviewBitmap on the main thread.
    // No handler is called under a lock of the component, so handlers may call the component's
    // operations; but a handler must not wait for the main thread (which may be replacing it)
    // nor destroy the component.
    TEventHandler<TBeforeHookSignature> OnBeforeHook;
    TEventHandler<TCustomHookSignature> OnCustomHook;
    TEventHandler<TLogSignature> OnLog;
    TEventHandler<TPreviewBitmapSignature> OnPreviewBitmap;
    TEventHandler<TProgressSignature> OnProgress;
    TEventHandler<TTerminateSignature> OnTerminate;

    std::string LastErrMsg() const;
    TAVProbe& AVProbe() { return m_probe; }
    int TaskCount() const;
    // The task at the index, kept alive for as long as the caller holds it, also when it leaves
    // the list meanwhile. Throws std::out_of_range for an index that names no task.
    std::shared_ptr<TVantrelTask> Task(int index) const;
    // The stable id of the task at the index (kNoTask for none), and the index of a task now
    // (-1 when it is not in the list any more).
    TTaskId TaskId(int index) const;
    int IndexOfTask(TTaskId id) const;

    // The threads each codec of a task gets unless its "threads" option says otherwise: the
    // processors shared among the tasks that run at once, one at the least.
    static int CodecThreadShare(int tasksAtOnce);

    bool LoadAVLib(const std::string& libraryFolder);
    void UnloadAVLib();
    // The new task's index, or -1 with the reason in LastErrMsg.
    int AddTask(const std::string& fileName, const TInputOptions* options = nullptr);
    // False with the reason in LastErrMsg; the task stays in the list.
    bool AddOutput(int index, const std::string& fileName, const TOutputOptions* options = nullptr);
    // Whether a task in the list holds the name as its output (the same file, by another path
    // too).
    bool OutputReserved(const std::string& fileName) const;
    void RemoveTask(int index);
    void ClearTasks();
    // Runs every task of the list: threadCount at a time in worker threads, or, with 0 or less,
    // one after another on the main thread. The run ends with OnTerminate(-1, ...).
    void StartConvert(int threadCount);
    void StopConvert();
    // Stops one task of the run; the others go on and the run still ends with OnTerminate(-1).
    // A running task stops as with StopConvert; a waiting one reports its stop (not finished, no
    // exception) when its turn comes. Unknown indexes are ignored.
    void StopTask(int index);
    void Pause();
    void Resume();

protected:
    // Stops every run, lets go of every task and waits for their threads, then ends the event
    // dispatcher: no task reaches the component any more. The most derived class calls it first
    // thing in its destructor: the tasks' threads call the virtual operations below until then.
    // Later calls do nothing more.
    void ShutDown();

    virtual void DoBeforeHook(TVantrelTask* task, std::int64_t pts, THookAction& action);
    virtual void DoCustomHook(TVantrelTask* task, TBitmap24& bitmap, int frameNumber, std::int64_t pts, bool& update,
                              bool& stopHook);
    virtual void DoLog(TVantrelTask* task, int engineLevel, const std::string& message);
    virtual void DoPreviewBitmap(TVantrelTask* task, TBitmap24& bitmap, int frameNumber, std::int64_t pts);
    virtual void DoProgress(TVantrelTask* task, const TProgressRecord& record);
    virtual void DoTerminate(TVantrelTask* task);

private:
    friend class TVantrelTask;

    void ReceiveLibraryLine(std::uint32_t threadId, int engineLevel, const std::string& text) override;
    void ReceiveLibraryLine(std::uint32_t threadId, const void* owner, int engineLevel,
                            const std::string& text) override;

    // Hands one queued event to its handler, on the dispatcher thread.
    void Deliver(TComponentEvent& event);
    void PostLog(TTaskId task, int engineLevel, const std::string& message);
    // Queues the task's termination and counts it, starting the next task or ending the run.
    void ReportTermination(TVantrelTask& task, bool finished, bool exception, const std::string& message);
    // Lets go of tasks taken out of the list, waiting for their threads a while; a task whose
    // thread is late is said in the log and kept until its thread ends.
    void RetireTasks(std::vector<TTaskOwner> tasks);
    // Lets go of the late tasks whose threads have ended (all of them, waiting, when told).
    void ReleaseLateTasks(bool waitForAll);
    // Under the lock: the index of the next task of the run to start, or -1 when none is left.
    int ClaimNextIndex();
    int MakeTask(const std::string& fileName, const TInputOptions* options);
    // Without the lock: starts the task now (thread mode) or from a timer (main-thread mode).
    void LaunchTask(int index);
    void StartTask(int index);
    // Library lines of the thread (and of the task's codecs) are the task's from now on.
    void NoteStarted(TVantrelTask& task);
    // Counts a reported termination; the next task to start, or -1 (then endOfRun tells
    // whether the run is over, and the end of the run has been queued). Under the lock.
    int CountTermination(bool& endOfRun);
    // Under the lock: queues the end of the run unless it is queued already; true when queued now.
    bool QueueRunEnd();
    void FinishTermination(int nextIndex, bool endOfRun);
    void ReportStartFailure(TVantrelTask& task, const std::string& message);
    bool OpenTaskOutput(int index, const std::string& fileName, const TOutputOptions* options);
    // A task waits for its run holding no open file; its prober answers from what was read.
    void ReleaseWaitingFiles(int index);
    void ApplyInputOptions(TVantrelTask& task, const TInputOptions& options);
    void ApplyOutputFields(TVantrelTask& task, const TOutputOptions& options);
    int EngineLevel() const { return static_cast<int>(m_logLevel) - 1; }

    IMainThreadDispatcher& m_mainThread;
    TPreviewWindowFactory m_previewWindows;
    // The locks, in the only order they are taken: a task's callback gate (TTaskCallbacks, held
    // while a task thread's report reaches the component, so that a task let go of reaches it no
    // more) or the program-wide log routing lock (a library line is handed over under it); then
    // m_lock; then the event queue's own lock (a termination is queued and counted in one step);
    // then a task's state lock (Pause and Resume under m_lock) or the program's thread list. Each
    // handler's gate (TEventHandler) is taken alone, and no handler runs under any of them.
    // m_lock guards the task list, the ids, the run's counters, the late tasks and the lookup.
    mutable std::recursive_mutex m_lock;
    TLogLevel m_logLevel = llInfo;
    bool m_preview = false;
    bool m_previewBitmap = false;
    int m_progressInterval = 500;
    std::string m_lastErrMsg;
    int m_nextIndex = -1;
    int m_threadCount = 0;
    int m_remainingCount = 0;
    int m_finishedCount = 0;
    int m_reportedInRun = 0;
    // The end of the current run has been queued: it is told once.
    bool m_runEndQueued = false;
    int m_codecThreadShare = 1;
    TAVProbe m_probe;
    TFFmpegList m_tasks;
    // Which running task a library line belongs to; under m_lock.
    TTaskLookup m_lookup;
    TTaskId m_nextTaskId = 1;
    // Tasks let go of whose thread had not ended within the wait; joined at ShutDown at the latest.
    std::vector<std::shared_ptr<TFFmpeg>> m_lateTasks;
    // Last, so that it is made when everything it hands events to is there.
    TEventQueue m_events;
};

// The component as front ends use it.
class TVantrel final : public TCustomVantrel {
public:
    using TCustomVantrel::TCustomVantrel;
    ~TVantrel() override { ShutDown(); }
};

}  // namespace mirelk
