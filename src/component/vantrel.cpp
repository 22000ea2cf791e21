#include "component/vantrel.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "component/thread_id.h"
#include "engine/options/ffmpeg_exception.h"
#include "binding/bgr_conversion.h"
#include "probe/previewer.h"

namespace mirelk {

// ---- the task list --------------------------------------------------------------------------

TVantrelTask& TFFmpegList::Item(int index) const { return static_cast<TVantrelTask&>(*m_tasks.at(index)); }

std::shared_ptr<TVantrelTask> TFFmpegList::Shared(int index) const
{
    return std::static_pointer_cast<TVantrelTask>(m_tasks.at(index).Shared());
}

int TFFmpegList::Add(std::shared_ptr<TVantrelTask> task)
{
    task->Index = Count();
    m_positions[task->Id] = Count();
    m_tasks.emplace_back(std::move(task));
    return Count() - 1;
}

TTaskOwner TFFmpegList::Delete(int index)
{
    if (index < 0 || index >= Count()) return {};
    TTaskOwner taken = std::move(m_tasks[static_cast<std::size_t>(index)]);
    m_tasks.erase(m_tasks.begin() + index);
    auto& removed = static_cast<TVantrelTask&>(*taken);
    m_positions.erase(removed.Id);
    removed.Index = -1;
    for (int i = index; i < Count(); ++i) {
        Item(i).Index = i;
        m_positions[Item(i).Id] = i;
    }
    return taken;
}

std::vector<TTaskOwner> TFFmpegList::TakeAll()
{
    for (const TTaskOwner& task : m_tasks) static_cast<TVantrelTask&>(*task).Index = -1;
    m_positions.clear();
    return std::exchange(m_tasks, {});
}

int TFFmpegList::IndexOf(TTaskId id) const
{
    const auto found = m_positions.find(id);
    return found != m_positions.end() ? found->second : -1;
}

TVantrelTask* TFFmpegList::FindByThreadID(std::uint32_t threadId) const
{
    for (const TTaskOwner& task : m_tasks)
        if (task->ThreadID == threadId) return static_cast<TVantrelTask*>(task.get());
    return nullptr;
}

// ---- the component's task -------------------------------------------------------------------

TVantrelTask::TVantrelTask(TCustomVantrel& owner, TTaskId id) : Id(id), m_owner(owner) {}

TVantrelTask::~TVantrelTask() = default;

void TVantrelTask::CheckVideoCopyAllowed() const
{
    TFFmpeg::CheckVideoCopyAllowed();
    if (m_previewFlags != 0) throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
}

void TVantrelTask::PreviewPicture(const AVFrame& picture, int frameNumber, std::int64_t pts)
{
    // Through the gate: a task whose owner has let go of it reaches no owner any more.
    CallOwner([&] { ShowPreview(picture, frameNumber, pts); });
}

void TVantrelTask::ShowPreview(const AVFrame& picture, int frameNumber, std::int64_t pts)
{
    if (StopRequested) return;
    const int flags = m_previewFlags;
    if (!(flags & 1) && m_previewer) m_previewer.reset();  // switched off since the last picture
    const bool toEvent = (flags & 2) && static_cast<bool>(m_owner.OnPreviewBitmap);
    const bool toWindow = !toEvent && (flags & 1) && static_cast<bool>(m_owner.m_previewWindows);
    if (!toEvent && !toWindow) return;
    // At most one picture a tenth of a second.
    if (m_lastPreview != INT64_MIN && pts != INT64_MIN && pts - m_lastPreview <= 100000 && pts >= m_lastPreview) return;
    if (!m_previewConversion) m_previewConversion = std::make_unique<TBgrConversion>();
    const bool converted = m_previewConversion->ToBitmap(picture, m_previewPicture);
    m_lastPreview = pts;
    if (toEvent) {
        if (converted) m_owner.DoPreviewBitmap(this, m_previewPicture, frameNumber, pts);
        return;
    }
    if (converted) {
        if (!m_previewer)
            m_previewer = std::make_unique<TPreviewer>(m_owner.m_mainThread, m_owner.m_previewWindows, &StopRequested);
        if (m_previewer->Preview(m_previewPicture, frameNumber, pts)) return;
    }
    // The window was closed (or nothing could be shown): no more previews for this task.
    m_previewFlags &= ~1;
    m_previewer.reset();
}

// ---- the component --------------------------------------------------------------------------

TCustomVantrel::TCustomVantrel(IMainThreadDispatcher& mainThread, TPreviewWindowFactory previewWindows)
    : m_mainThread(mainThread),
      m_previewWindows(std::move(previewWindows)),
      m_events([this](TComponentEvent& event) { Deliver(event); })
{
    RegisterLogReceiver(*this);
}

TCustomVantrel::~TCustomVantrel() { ShutDown(); }

void TCustomVantrel::ShutDown()
{
    UnregisterLogReceiver(*this);
    // No handler is called from here on (one that runs now returns first): the owner is going.
    m_events.Close();
    // Every run is asked to stop first, so that the tasks end side by side, not one after the
    // other's wait; then they are retired, and every thread of theirs is waited for.
    StopConvert();
    std::vector<TTaskOwner> tasks;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        tasks = m_tasks.TakeAll();
        m_lookup.Clear();
    }
    RetireTasks(std::move(tasks));
    ReleaseLateTasks(true);
}

void TCustomVantrel::RetireTasks(std::vector<TTaskOwner> tasks)
{
    for (TTaskOwner& owner : tasks) {
        const std::shared_ptr<TFFmpeg> task = owner.Shared();
        if (!task || owner.Reset()) continue;
        PostLog(kNoTask, kLevelError,
                "The task of " + static_cast<const TVantrelTask&>(*task).InputOptions.FileName +
                    " did not stop within a second; its thread is waited for until it ends");
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_lateTasks.push_back(task);
    }
    JoinEndedTaskThreads();
}

void TCustomVantrel::ReleaseLateTasks(bool waitForAll)
{
    std::vector<std::shared_ptr<TFFmpeg>> late;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        std::swap(late, m_lateTasks);
    }
    std::erase_if(late, [waitForAll](const std::shared_ptr<TFFmpeg>& task) {
        if (waitForAll) task->WaitForThreads();
        return task->ThreadsEnded();
    });
    if (!late.empty()) {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_lateTasks.insert(m_lateTasks.end(), late.begin(), late.end());
    }
    JoinEndedTaskThreads();
}

std::string TCustomVantrel::LastErrMsg() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_lastErrMsg;
}

int TCustomVantrel::TaskCount() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_tasks.Count();
}

std::shared_ptr<TVantrelTask> TCustomVantrel::Task(int index) const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_tasks.Shared(index);
}

TTaskId TCustomVantrel::TaskId(int index) const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return index >= 0 && index < m_tasks.Count() ? m_tasks.Item(index).Id : kNoTask;
}

int TCustomVantrel::IndexOfTask(TTaskId id) const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_tasks.IndexOf(id);
}

void TCustomVantrel::SetLogLevel(TLogLevel level)
{
    m_logLevel = level;
    if (FFLoader().LibLoaded(libAVUtil)) SetLibraryLogLevel(EngineLevel());
}

void TCustomVantrel::SetPreview(bool preview)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (int i = 0; i < m_tasks.Count(); ++i) {
        TVantrelTask& task = m_tasks.Item(i);
        task.SetPreviewFlags(preview ? task.PreviewFlags() | 1 : task.PreviewFlags() & ~1);
    }
    m_preview = preview;
}

void TCustomVantrel::SetPreviewBitmap(bool previewBitmap)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (int i = 0; i < m_tasks.Count(); ++i) {
        TVantrelTask& task = m_tasks.Item(i);
        task.SetPreviewFlags(previewBitmap ? task.PreviewFlags() | 2 : task.PreviewFlags() & ~2);
    }
    m_previewBitmap = previewBitmap;
}

bool TCustomVantrel::LoadAVLib(const std::string& libraryFolder)
{
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(libraryFolder);
    if (!loader.LoadLibs(DefaultAVLibraries)) {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_lastErrMsg = loader.LastErrMsg();
        return false;
    }
    InstallLibraryLogCallback();
    SetLibraryLogLevel(EngineLevel());
    return true;
}

void TCustomVantrel::UnloadAVLib()
{
    ClearTasks();
    m_probe.Close();
    RemoveLibraryLogCallback();
    FFLoader().UnloadLibs(DefaultAVLibraries);
}

int TCustomVantrel::AddTask(const std::string& fileName, const TInputOptions* options)
{
    const int index = MakeTask(fileName, options);
    // What opening the file logged is told before the caller hears of the task (with -1, as the
    // task was in no list then).
    m_events.Flush();
    return index;
}

int TCustomVantrel::MakeTask(const std::string& fileName, const TInputOptions* options)
{
    TTaskId id = kNoTask;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        id = m_nextTaskId++;
    }
    auto task = std::make_shared<TVantrelTask>(*this, id);
    try {
        task->OnLog = [this](TCustomFFmpeg& source, int level, const std::string& text) {
            DoLog(static_cast<TVantrelTask*>(&source), level, text);
        };
        if (FFLoader().LibsLoaded(DefaultAVLibraries)) task->Reset();
        task->SetLogLevel(EngineLevel());
        task->SetPreviewFlags((m_preview ? 1 : 0) | (m_previewBitmap ? 2 : 0));
        if (options != nullptr) {
            task->InputOptions = *options;
            if (task->InputOptions.FileName.empty()) task->InputOptions.FileName = fileName;
            ApplyInputOptions(*task, task->InputOptions);
        } else {
            task->InputOptions.FileName = fileName;
        }
        if (!task->OpenInputFile(task->InputOptions.FileName)) {
            task->OnLog = nullptr;
            std::lock_guard<std::recursive_mutex> lock(m_lock);
            m_lastErrMsg = task->LastErrMsg;
            return -1;
        }
        task->Probe.Attach(task->Input(0).context.get());
        task->OnProgress = [this](TCustomFFmpeg& source, const TProgressRecord& record) {
            DoProgress(static_cast<TVantrelTask*>(&source), record);
        };
        task->OnTerminate = [this](TFFmpeg& source) { DoTerminate(static_cast<TVantrelTask*>(&source)); };
    } catch (const std::exception& error) {
        task->OnLog = nullptr;
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_lastErrMsg = error.what();
        return -1;
    }
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_tasks.Add(std::move(task));
}

bool TCustomVantrel::AddOutput(int index, const std::string& fileName, const TOutputOptions* options)
{
    const bool added = OpenTaskOutput(index, fileName, options);
    ReleaseWaitingFiles(index);
    // What opening the file logged is told before the caller hears of the result.
    m_events.Flush();
    return added;
}

void TCustomVantrel::ReleaseWaitingFiles(int index)
{
    std::shared_ptr<TVantrelTask> task;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (index < 0 || index >= m_tasks.Count()) return;
        task = m_tasks.Shared(index);
    }
    // A task that has started keeps what its run opened.
    if (task->Running || task->TerminateDelivered) return;
    task->Probe.KeepDescription();
    task->ReleaseFiles();
}

namespace {

// One spelling per file: "a/../b.mp4" and "./b.mp4" are the same output. Empty for what many
// may write at once: a device ("/dev/null") or a protocol's address ("pipe:1").
std::string ReservationKey(const std::string& fileName)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fileName.find("://") != std::string::npos || fileName.rfind("pipe:", 0) == 0) return {};
    const fs::file_status status = fs::symlink_status(fileName, error);
    if (!error && fs::exists(status) && !fs::is_regular_file(status)) return {};
    fs::path path = fs::weakly_canonical(fs::absolute(fileName, error), error);
    if (error) path = fs::absolute(fileName, error).lexically_normal();
    return error ? fileName : path.string();
}

}  // namespace

bool TCustomVantrel::OutputReserved(const std::string& fileName) const
{
    const std::string reserved = ReservationKey(fileName);
    if (reserved.empty()) return false;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (int index = 0; index < m_tasks.Count(); ++index)
        if (m_tasks.Item(index).ReservedOutput == reserved) return true;
    return false;
}

bool TCustomVantrel::OpenTaskOutput(int index, const std::string& fileName, const TOutputOptions* options)
{
    try {
        const std::shared_ptr<TVantrelTask> kept = Task(index);
        TVantrelTask& task = *kept;
        if (options != nullptr) {
            task.OutputOptions = *options;
            if (task.OutputOptions.FileName.empty()) task.OutputOptions.FileName = fileName;
            ApplyOutputFields(task, task.OutputOptions);
        } else {
            task.OutputOptions = TOutputOptions{};
            task.OutputOptions.FileName = fileName;
        }
        const std::string reserved = ReservationKey(task.OutputOptions.FileName);
        {
            std::lock_guard<std::recursive_mutex> lock(m_lock);
            for (int other = 0; other < m_tasks.Count(); ++other)
                if (other != index && !reserved.empty() && m_tasks.Item(other).ReservedOutput == reserved) {
                    m_lastErrMsg = "'" + task.OutputOptions.FileName + "' is the output of another task in the list";
                    return false;
                }
            // Held from here, so that a task added meanwhile finds it.
            task.ReservedOutput = reserved;
        }
        if (!task.OpenOutputFile(task.OutputOptions.FileName)) {
            std::lock_guard<std::recursive_mutex> lock(m_lock);
            task.ReservedOutput.clear();
            m_lastErrMsg = task.LastErrMsg;
            return false;
        }
        if (options != nullptr) task.ParseOptionText(task.OutputOptions.ExtOptions, true);
        return true;
    } catch (const std::exception& error) {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (index >= 0 && index < m_tasks.Count()) m_tasks.Item(index).ReservedOutput.clear();
        m_lastErrMsg = error.what();
        return false;
    }
}

void TCustomVantrel::RemoveTask(int index)
{
    std::vector<TTaskOwner> removed;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        removed.push_back(m_tasks.Delete(index));
        if (removed.back()) m_lookup.Forget(static_cast<const TVantrelTask&>(*removed.back()));
    }
    // Retiring waits for a running task's thread, which may need the lock meanwhile.
    RetireTasks(std::move(removed));
    ReleaseLateTasks(false);
}

void TCustomVantrel::ClearTasks()
{
    std::vector<TTaskOwner> tasks;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        tasks = m_tasks.TakeAll();
        m_lookup.Clear();
        m_lastErrMsg.clear();
        m_threadCount = 0;
    }
    RetireTasks(std::move(tasks));
    ReleaseLateTasks(false);
}

void TCustomVantrel::StartConvert(int threadCount)
{
    std::vector<int> toStart;
    ReleaseLateTasks(false);
    // The routing lock comes before this component's, so the pending text is cleared first.
    ClearPendingLibraryLog();
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_nextIndex = 0;
        m_finishedCount = 0;
        m_reportedInRun = 0;
        m_runEndQueued = false;
        m_threadCount = threadCount;
        m_remainingCount = m_tasks.Count();
        m_codecThreadShare = CodecThreadShare(threadCount < 1 ? 1 : std::min(threadCount, m_tasks.Count()));
        for (int i = 0; i < m_tasks.Count(); ++i) m_tasks.Item(i).StopBeforeStart = false;
        do {
            const int index = ClaimNextIndex();
            if (index >= 0) toStart.push_back(index);
        } while (static_cast<int>(toStart.size()) < m_threadCount && m_remainingCount > 0);
    }
    for (int index : toStart) LaunchTask(index);
}

int TCustomVantrel::ClaimNextIndex()
{
    if (m_remainingCount <= 0) return -1;
    --m_remainingCount;
    return m_nextIndex++;
}

void TCustomVantrel::LaunchTask(int index)
{
    if (m_threadCount < 1)
        m_mainThread.PostDelayed(100, [this, index] { StartTask(index); });
    else
        StartTask(index);
}

void TCustomVantrel::StartTask(int index)
{
    std::shared_ptr<TVantrelTask> keep;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (index < 0 || index >= m_tasks.Count()) return;
        keep = m_tasks.Shared(index);
    }
    TVantrelTask& task = *keep;
    if (task.TerminateDelivered || task.Running) {
        // It reported in an earlier run and does not start again; the run counts it as done,
        // or a list with such a task would never end.
        task.ThreadID = 0;
        int next = -1;
        bool endOfRun = false;
        {
            std::lock_guard<std::recursive_mutex> lock(m_lock);
            next = CountTermination(endOfRun);
        }
        FinishTermination(next, endOfRun);
        return;
    }
    if (task.StopBeforeStart) {
        // Reported as a task stopped before it ran; that report counts it and starts the next.
        task.Stop();
        return;
    }
    task.ProgressInterval = static_cast<std::int64_t>(m_progressInterval) * 1000;
    task.SetLogLevel(EngineLevel());
    task.DefaultCodecThreads = m_codecThreadShare;
    try {
        if (m_threadCount < 1) {
            task.ThreadID = CurrentThreadId();
            NoteStarted(task);
            task.Start(false, ThreadPriority);
            return;
        }
        std::shared_ptr<TFFmpegThread> thread = task.Start(true, ThreadPriority);
        if (!thread) {
            task.ThreadID = 0;
            return;
        }
        task.ThreadID = thread->ThreadID();
        NoteStarted(task);
        thread->Resume();
        // StopTask may have come between the test above and the start.
        if (task.StopBeforeStart) task.Stop();
    } catch (const std::exception& error) {
        ReportStartFailure(task, error.what());
    }
}

void TCustomVantrel::StopConvert()
{
    std::vector<std::shared_ptr<TVantrelTask>> tasks;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        m_remainingCount = 0;
        for (int i = 0; i < m_tasks.Count(); ++i) tasks.push_back(m_tasks.Shared(i));
    }
    for (auto& task : tasks) task->Stop();
}

void TCustomVantrel::StopTask(int index)
{
    std::shared_ptr<TVantrelTask> task;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (index < 0 || index >= m_tasks.Count()) return;
        task = m_tasks.Shared(index);
    }
    task->StopBeforeStart = true;
    if (task->Running) task->Stop();
}

void TCustomVantrel::Pause()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (int i = 0; i < m_tasks.Count(); ++i) m_tasks.Item(i).Pause();
}

void TCustomVantrel::Resume()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (int i = 0; i < m_tasks.Count(); ++i) m_tasks.Item(i).Resume();
}

void TCustomVantrel::NoteStarted(TVantrelTask& task)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_lookup.Started(task, task.ThreadID);
}

int TCustomVantrel::CodecThreadShare(int tasksAtOnce)
{
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::max(1, processors / std::max(1, tasksAtOnce));
}

}  // namespace mirelk
