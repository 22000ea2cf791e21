// Shared pieces of the task tests: tasks set up the way the component sets them up, and a
// thread-safe record of what tasks report.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "component/ffmpeg_task.h"
#include "engine/options/ffmpeg_exception.h"
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
    // Sets the task's log, progress and termination callbacks.
    void Connect(TFFmpeg& task);

    std::vector<TTerminationReport> Terminations() const;
    std::vector<TTerminationReport> Terminations(const TFFmpeg& task) const;
    std::vector<std::pair<int, std::string>> Messages(const TFFmpeg& task) const;
    std::size_t MessageCount() const;
    int ProgressCount(const TFFmpeg& task) const;

    // Called in the task's thread at each progress report, with the number of reports so far
    // (this one counted). Set before a task starts.
    std::function<void(TFFmpeg& task, int reports)> onProgress;
    // Called in the reporting thread after a termination has been recorded.
    std::function<void(TFFmpeg& task)> onTerminate;
    // Marks the reports that come after the test let go of its tasks.
    void OwnerGone();

private:
    struct TMessage {
        const TFFmpeg* task;
        int level;
        std::string text;
    };
    mutable std::mutex m_lock;
    std::vector<TTerminationReport> m_terminations;
    std::vector<TMessage> m_messages;
    std::vector<std::pair<const TFFmpeg*, int>> m_progress;
    bool m_ownerGone = false;
};

// A test whose task threads must all have ended before it is over: the events it keeps outlive
// every thread that may report to them.
class TaskTest : public LibrariesLoaded {
protected:
    void TearDown() override;
    TTaskEvents events;
};

// Current size of a file in bytes, -1 when it is not there.
std::int64_t FileSize(const std::string& path);
// The scheduling policy and nice value of a thread.
int SchedulingPolicy(std::uint32_t threadId);
int NiceValue(std::uint32_t threadId);

}  // namespace mirelk::test
