// Shared pieces of the component tests: tasks set up the way the component sets them up, a
// thread-safe record of what tasks report, and a component on a test's own main loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "component/event_loop.h"
#include "component/ffmpeg_task.h"
#include "component/vantrel.h"
#include "test_support.h"

namespace mirelk::test {

// Polls the condition until it holds, up to a limit far beyond any expected wait (tests assert
// outcomes, never durations). True when it came to hold.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(120000));

// A task of type T (TFFmpeg or a test's own kind), shared and reset, with the input opened and
// one output made with the option text (applied before and after it is opened).
template <typename T = TFFmpeg>
std::shared_ptr<T> MakeTask(const std::string& input, const std::string& output, const std::string& outputOptions)
{
    auto task = std::make_shared<T>();
    task->Reset();
    if (!task->OpenInputFile(input)) throw FFmpegException(task->LastErrMsg);
    task->ParseOptionText(outputOptions, false);
    if (!task->OpenOutputFile(output)) throw FFmpegException(task->LastErrMsg);
    task->ParseOptionText(outputOptions, true);
    return task;
}

// Starts the task in a worker thread the way the component does: the id is recorded before the
// thread runs.
std::shared_ptr<TFFmpegThread> StartThreaded(TFFmpeg& task);

struct TTerminationReport {
    const TFFmpeg* task = nullptr;
    bool finished = false;
    bool exception = false;
    std::string message;
    std::uint32_t threadId = 0;
    int schedulingPolicy = -1;
    // The test had let go of the task before this report came.
    bool afterOwnerGone = false;
};

// What the tasks connected to it report, from whatever thread they report in.
class TTaskEvents {
public:
    void Connect(TFFmpeg& task);
    // Of the task, or of every task when none is given.
    std::vector<TTerminationReport> Terminations(const TFFmpeg* task = nullptr) const;
    std::vector<std::pair<int, std::string>> Messages(const TFFmpeg* task = nullptr) const;
    int ProgressCount(const TFFmpeg* task) const;
    // Marks the reports that come after the test let go of its tasks.
    void OwnerGone();

    // Called in the task's thread with the number of progress reports so far, this one counted.
    std::function<void(TFFmpeg& task, int reports)> onProgress;
    // Called in the reporting thread after a termination has been recorded.
    std::function<void(TFFmpeg& task)> onTerminate;

private:
    mutable std::mutex m_lock;
    std::vector<TTerminationReport> m_terminations;
    std::vector<std::pair<const TFFmpeg*, std::pair<int, std::string>>> m_messages;
    std::map<const TFFmpeg*, int> m_progress;
    bool m_ownerGone = false;
};

// A test whose task threads must all have ended before it is over: the events it keeps outlive
// every thread that may report to them.
class TaskTest : public LibrariesLoaded {
protected:
    void TearDown() override;
    TTaskEvents events;
    TempFolder folder;
};

// Adds a task with one output, each with its option text; the task's index, or -1 with the
// reason in the component's LastErrMsg.
int AddConversion(TVantrel& component, const std::string& input, const std::string& output,
                  const std::string& outputText = "", const std::string& inputText = "");

// A component on the test's own main loop, its library lines and terminations recorded.
class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    int Add(const std::string& input, const std::string& output, const std::string& outputText = "",
            const std::string& inputText = "")
    {
        return AddConversion(component, input, output, outputText, inputText);
    }
    // Drops what was recorded, starts a run and pumps the main loop until the run has reported
    // its end. False when it never ended.
    bool RunAll(int threads);
    bool PumpUntilTheRunEnds();

    struct Termination { int index; bool finished; bool exception; std::string message; };
    struct Line { int index; TLogLevel level; std::string text; };
    TEventLoop loop;
    TVantrel component{loop};
    // Written by the reporting threads under the lock; read freely once the run has ended.
    std::mutex eventsLock;
    std::vector<Termination> terminations;  // of tasks, in the order reported
    std::vector<Line> lines;
    int runEnds = 0;
    // The tasks' terminations reported when the run reported its end.
    std::size_t terminationsAtRunEnd = 0;
    // Checked at the end of every test: an event of a task after that task's termination, an end
    // of a run told twice, and the threads the handlers above were called in.
    int eventsAfterTheirTermination = 0;
    int repeatedRunEnds = 0;
    std::set<int> terminatedInRun;
    bool runEndTold = false;
    std::set<std::thread::id> handlerThreads;
    TempFolder folder;
};

// Current size of a file in bytes, -1 when it is not there.
std::int64_t FileSize(const std::string& path);

}  // namespace mirelk::test
