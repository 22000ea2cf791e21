#include "component/task_test_support.h"

#include <sched.h>

#include <filesystem>
#include <thread>

#include "component/task_threads.h"
#include "component/thread_id.h"

namespace mirelk::test {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::shared_ptr<TFFmpegThread> StartThreaded(TFFmpeg& task)
{
    std::shared_ptr<TFFmpegThread> thread = task.Start(true, tpNormal);
    if (thread) {
        task.ThreadID = thread->ThreadID();
        thread->Resume();
    }
    return thread;
}

void TTaskEvents::Connect(TFFmpeg& task)
{
    task.OnLog = [this](TCustomFFmpeg& source, int level, const std::string& text) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_messages.push_back({static_cast<const TFFmpeg*>(&source), {level, text}});
    };
    task.OnProgress = [this](TCustomFFmpeg& source, const TProgressRecord&) {
        TFFmpeg& ffmpeg = static_cast<TFFmpeg&>(source);
        std::unique_lock<std::mutex> lock(m_lock);
        const int reports = ++m_progress[&ffmpeg];
        lock.unlock();
        if (onProgress) onProgress(ffmpeg, reports);
    };
    task.OnTerminate = [this](TFFmpeg& source) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_terminations.push_back({&source, source.Finished, source.ExceptionRaised, source.ErrorMessage,
                                  CurrentThreadId(), ::sched_getscheduler(0), m_ownerGone});
        lock.unlock();
        if (onTerminate) onTerminate(source);
    };
}

std::vector<TTerminationReport> TTaskEvents::Terminations(const TFFmpeg* task) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<TTerminationReport> reports;
    for (const TTerminationReport& report : m_terminations)
        if (task == nullptr || report.task == task) reports.push_back(report);
    return reports;
}

std::vector<std::pair<int, std::string>> TTaskEvents::Messages(const TFFmpeg* task) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<std::pair<int, std::string>> messages;
    for (const auto& [source, message] : m_messages)
        if (task == nullptr || source == task) messages.push_back(message);
    return messages;
}

int TTaskEvents::ProgressCount(const TFFmpeg* task) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    const auto found = m_progress.find(task);
    return found == m_progress.end() ? 0 : found->second;
}

void TTaskEvents::OwnerGone()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_ownerGone = true;
}

void TaskTest::TearDown() { EXPECT_TRUE(WaitForTaskThreads(std::chrono::seconds(120))); }

int AddConversion(TVantrel& component, const std::string& input, const std::string& output,
                  const std::string& outputText, const std::string& inputText)
{
    TInputOptions inputOptions;
    inputOptions.ExtOptions = inputText;
    const int index = component.AddTask(input, &inputOptions);
    TOutputOptions outputOptions;
    outputOptions.ExtOptions = outputText;
    return index >= 0 && component.AddOutput(index, output, &outputOptions) ? index : -1;
}

void ComponentTest::SetUp()
{
    ASSERT_TRUE(component.LoadAVLib(MIRELK_LIBAV_DIR)) << component.LastErrMsg();
    component.OnLog = [this](int index, TLogLevel level, const std::string& text) {
        std::lock_guard<std::mutex> lock(eventsLock);
        handlerThreads.insert(std::this_thread::get_id());
        eventsAfterTheirTermination += terminatedInRun.count(index) > 0 ? 1 : 0;
        lines.push_back({index, level, text});
    };
    component.OnTerminate = [this](int index, bool finished, bool exception, const std::string& message) {
        std::lock_guard<std::mutex> lock(eventsLock);
        handlerThreads.insert(std::this_thread::get_id());
        if (index >= 0) {
            eventsAfterTheirTermination += terminatedInRun.insert(index).second ? 0 : 1;
            runEndTold = false;
            terminations.push_back({index, finished, exception, message});
            return;
        }
        repeatedRunEnds += runEndTold ? 1 : 0;
        runEndTold = true;
        terminatedInRun.clear();
        ++runEnds;
        terminationsAtRunEnd = terminations.size();
    };
}

void ComponentTest::TearDown()
{
    // AddTask returns once what was raised before it has been handed out: a second end of a run
    // queued behind the first has arrived by then.
    EXPECT_EQ(component.AddTask(folder.Path("no such file")), -1);
    {
        std::lock_guard<std::mutex> lock(eventsLock);
        EXPECT_EQ(eventsAfterTheirTermination, 0);
        EXPECT_EQ(repeatedRunEnds, 0);
        // One at a time, from the component's one dispatcher thread, never the main thread.
        EXPECT_LE(handlerThreads.size(), 1u);
        EXPECT_EQ(handlerThreads.count(std::this_thread::get_id()), 0u);
    }
    component.ClearTasks();
    EXPECT_TRUE(WaitForTaskThreads(std::chrono::seconds(120)));
}

bool ComponentTest::RunAll(int threads)
{
    {
        std::lock_guard<std::mutex> lock(eventsLock);
        terminations.clear();
        lines.clear();
        runEnds = 0;
    }
    component.StartConvert(threads);
    return PumpUntilTheRunEnds();
}

bool ComponentTest::PumpUntilTheRunEnds()
{
    const auto ended = [this] {
        std::lock_guard<std::mutex> lock(eventsLock);
        return runEnds > 0;
    };
    return loop.PumpUntil(ended, std::chrono::seconds(600));
}

std::int64_t FileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

}  // namespace mirelk::test
