#include "component/ffmpeg_task.h"

#include <chrono>
#include <exception>

#include "binding/log_levels.h"
#include "component/task_callbacks.h"
#include "component/thread_id.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

constexpr int kRetireWaitSteps = 10;
constexpr std::chrono::milliseconds kRetireWaitStep{100};

}  // namespace

TFFmpeg::TFFmpeg() : m_callbacks(std::make_shared<TTaskCallbacks>()) {}

// No thread can be using the task here: each holds it until its body has ended.
TFFmpeg::~TFFmpeg() = default;

std::shared_ptr<TFFmpegThread> TFFmpeg::Start(bool threaded, TConvertPriority priority)
{
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (Running || TerminateDelivered || m_terminationPending) return nullptr;
    }
    if (OutputCount() == 0) {
        CleanUp();
        throw FFmpegException("At least one output file must be specified");
    }
    if (InputCount() == 0) {
        CleanUp();
        throw FFmpegException("At least one input file must be specified");
    }
    std::shared_ptr<TFFmpeg> self;
    if (threaded) {
        self = weak_from_this().lock();
        if (!self) throw FFmpegException("A task that runs in a worker thread must be owned by a shared_ptr");
    }
    {
        // Checked again: another thread (a terminating task's) may have started it meanwhile.
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (Running || TerminateDelivered || m_terminationPending) return nullptr;
        Running = true;
        StopRequested = false;
        Finished = false;
        TerminateDelivered = false;
        ExceptionRaised = false;
        m_paused = false;
    }
    ErrorMessage.clear();
    if (!threaded) {
        Run();
        return nullptr;
    }

    // From here on the thread reaches the owner through the gate, which Retire can close.
    m_callbacks->TakeOver(OnLog, OnProgress, OnTerminate);
    std::shared_ptr<TFFmpegThread> thread;
    try {
        thread = TFFmpegThread::Create(std::move(self), priority);
    } catch (const std::exception& error) {
        {
            std::lock_guard<std::mutex> lock(m_stateLock);
            Running = false;
        }
        throw FFmpegException(std::string("Cannot create a worker thread: ") + error.what());
    }
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_workerThread = thread;
    m_lastWorker = thread;
    return thread;
}

void TFFmpeg::Run()
{
    Finished = false;
    try {
        Transcode();
    } catch (const std::exception& error) {
        ReportRunFailure(error.what());
    } catch (...) {
        ReportRunFailure("Unknown error");
    }
    // The run's own codecs went with it; the files go here (the part file of a failed run is
    // removed).
    try {
        CleanUp();
    } catch (...) {
    }
    DoTerminate();
}

void TFFmpeg::ReportRunFailure(const std::string& message)
{
    // A log handler that fails must not hide the failure it was told about.
    try {
        Log(kLevelQuiet, message);
    } catch (...) {
    }
    ErrorMessage = message;
    ExceptionRaised = true;
}

void TFFmpeg::DoTerminate()
{
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        Running = false;
        TerminateDelivered = true;
        m_terminationPending = false;
        m_workerThread.reset();
        m_paused = false;
    }
    m_gateChanged.notify_all();
    if (OnTerminate) OnTerminate(*this);
}

void TFFmpeg::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (Running) {
            StopRequested = true;
            m_paused = false;
            m_gateChanged.notify_all();
            return;
        }
        if (TerminateDelivered || m_terminationPending) return;
        m_terminationPending = true;
    }
    DeliverTerminationOfUnstartedTask();
}

void TFFmpeg::DeliverTerminationOfUnstartedTask()
{
    if (std::shared_ptr<TFFmpeg> self = weak_from_this().lock()) {
        m_callbacks->TakeOver(OnLog, OnProgress, OnTerminate);
        try {
            std::shared_ptr<TDoTerminateThread> thread = TDoTerminateThread::Create(std::move(self));
            {
                std::lock_guard<std::mutex> lock(m_stateLock);
                m_terminator = thread;
            }
            thread->Resume();
            return;
        } catch (const std::exception&) {
            // No thread to be had: the report comes from here instead.
        }
    }
    DoTerminate();
}

void TFFmpeg::Pause()
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    if (m_workerThread && !StopRequested) m_paused = true;
}

void TFFmpeg::Resume()
{
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (!m_workerThread || !m_paused) return;
        m_paused = false;
    }
    m_gateChanged.notify_all();
}

void TFFmpeg::PassGate()
{
    std::unique_lock<std::mutex> lock(m_stateLock);
    if (!m_paused || StopRequested) return;
    m_heldAtGate = true;
    m_gateChanged.wait(lock, [this] { return !m_paused || StopRequested; });
    m_heldAtGate = false;
}

bool TFFmpeg::Retire()
{
    std::shared_ptr<TTaskThread> threads[2];
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        StopRequested = true;
        m_paused = false;
        threads[0] = m_lastWorker;
        threads[1] = m_terminator;
    }
    m_gateChanged.notify_all();
    const std::uint32_t callingThread = CurrentThreadId();
    bool allEnded = true;
    for (const std::shared_ptr<TTaskThread>& thread : threads) {
        if (!thread) continue;
        // A worker that was never resumed runs into the stop request and ends.
        thread->Resume();
        // Let go of from inside one of its own callbacks: the thread cannot wait for itself.
        if (thread->ThreadID() == callingThread) {
            allEnded = false;
            continue;
        }
        for (int step = 0; step < kRetireWaitSteps && !thread->WaitEnded(kRetireWaitStep); ++step) {
        }
        allEnded = allEnded && thread->Ended();
    }
    m_callbacks->Disconnect();
    return allEnded;
}

bool TFFmpeg::ThreadsEnded() const
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    return (!m_lastWorker || m_lastWorker->Ended()) && (!m_terminator || m_terminator->Ended());
}

void TFFmpeg::WaitForThreads() const
{
    std::shared_ptr<TTaskThread> threads[2];
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        threads[0] = m_lastWorker;
        threads[1] = m_terminator;
    }
    for (const std::shared_ptr<TTaskThread>& thread : threads)
        if (thread && thread->ThreadID() != CurrentThreadId())
            while (!thread->WaitEnded(std::chrono::seconds(1))) {
            }
}

std::shared_ptr<TFFmpegThread> TFFmpeg::WorkerThread() const
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    return m_workerThread;
}

bool TFFmpeg::Paused() const
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    return m_paused;
}

bool TFFmpeg::HeldAtGate() const
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    return m_heldAtGate;
}

}  // namespace mirelk
