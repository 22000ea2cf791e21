// Starting tasks, in the calling thread and in worker threads: what a run reports, what a second
// start does, failures before and during a run, and the priority of the worker thread.
#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <filesystem>

#include "binding/log_levels.h"
#include "component/task_owner.h"
#include "component/task_test_support.h"
#include "component/thread_id.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class TaskRun : public TaskTest {};

bool Contains(const std::vector<std::pair<int, std::string>>& messages, const std::string& text)
{
    return std::any_of(messages.begin(), messages.end(), [&](const auto& message) { return message.second == text; });
}

}  // namespace

TEST_F(TaskRun, ThreadedRunCompletesAndReportsItsTerminationOnce)
{
    TempFolder folder;
    const std::string input = MakeMedia(folder.Path("two.wav"), "-f lavfi -i sine=duration=2:sample_rate=44100");
    ASSERT_FALSE(input.empty());
    const std::string output = folder.Path("two.mp3");
    TTaskOwner task(MakeTask(input, output, "ab=128000"));
    events.Connect(*task);
    task->ProgressInterval = 0;

    const std::shared_ptr<TFFmpegThread> thread = task->Start(true, tpNormal);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(task->Running);
    EXPECT_FALSE(thread->Resumed());
    EXPECT_EQ(task->WorkerThread(), thread);
    task->ThreadID = thread->ThreadID();
    thread->Resume();

    ASSERT_TRUE(WaitUntil([&] { return !events.Terminations(*task).empty(); }));
    ASSERT_TRUE(WaitUntil([&] { return thread->Ended(); }));
    const std::vector<TTerminationReport> reports = events.Terminations(*task);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].finished);
    EXPECT_FALSE(reports[0].exception);
    EXPECT_EQ(reports[0].message, "");
    EXPECT_EQ(reports[0].threadId, thread->ThreadID());
    EXPECT_NE(reports[0].threadId, CurrentThreadId());
    EXPECT_FALSE(task->Running);
    EXPECT_TRUE(task->TerminateDelivered);
    EXPECT_TRUE(task->Finished);
    EXPECT_FALSE(task->ExceptionRaised);
    EXPECT_EQ(task->WorkerThread(), nullptr);
    // The run's engine messages and progress reached the owner from the worker thread.
    EXPECT_TRUE(Contains(events.Messages(*task), "  Stream #0.0 -> #0.0"));
    EXPECT_GT(events.ProgressCount(*task), 0);
    // The files were closed by the run: nothing is left open in the task.
    EXPECT_EQ(task->OutputCount(), 0);
    EXPECT_EQ(task->InputCount(), 0);
    EXPECT_NEAR(ProbeDuration(output), 2.0, 0.1);
    EXPECT_EQ(DecodeErrors(output), "");
}

TEST_F(TaskRun, RunInTheCallingThreadReportsBeforeStartReturns)
{
    TempFolder folder;
    const std::string input = MakeMedia(folder.Path("one.wav"), "-f lavfi -i sine=duration=1:sample_rate=44100");
    ASSERT_FALSE(input.empty());
    TTaskOwner task(MakeTask(input, folder.Path("one.mp2"), ""));
    events.Connect(*task);
    EXPECT_EQ(task->Start(false, tpNormal), nullptr);
    const std::vector<TTerminationReport> reports = events.Terminations(*task);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].finished);
    EXPECT_EQ(reports[0].threadId, CurrentThreadId());
    EXPECT_EQ(LiveTaskThreadCount(), 0);
    EXPECT_EQ(DecodeErrors(folder.Path("one.mp2")), "");
}

TEST_F(TaskRun, StartAfterTheTerminationWasReportedReturnsNothingAndChangesNothing)
{
    TempFolder folder;
    const std::string input = MakeMedia(folder.Path("one.wav"), "-f lavfi -i sine=duration=1:sample_rate=44100");
    ASSERT_FALSE(input.empty());
    TTaskOwner task(MakeTask(input, folder.Path("one.mp2"), ""));
    events.Connect(*task);
    const std::shared_ptr<TFFmpegThread> thread = task->Start(true, tpNormal);
    ASSERT_NE(thread, nullptr);
    thread->Resume();
    ASSERT_TRUE(WaitUntil([&] { return task->TerminateDelivered.load(); }));
    ASSERT_TRUE(WaitForTaskThreads(std::chrono::seconds(120)));

    for (const bool threaded : {true, false}) {
        EXPECT_EQ(task->Start(threaded, tpNormal), nullptr);
        EXPECT_FALSE(task->Running);
        EXPECT_TRUE(task->TerminateDelivered);
        EXPECT_TRUE(task->Finished);
        EXPECT_FALSE(task->ExceptionRaised);
        EXPECT_EQ(task->WorkerThread(), nullptr);
    }
    // Stopping it is no second report either.
    task->Stop();
    EXPECT_EQ(LiveTaskThreadCount(), 0);
    EXPECT_EQ(events.Terminations().size(), 1u);
}

TEST_F(TaskRun, StartWithoutOutputFailsAfterCleaningUp)
{
    TempFolder folder;
    const std::string input = MakeMedia(folder.Path("one.wav"), "-f lavfi -i sine=duration=1:sample_rate=44100");
    ASSERT_FALSE(input.empty());
    auto task = std::make_shared<TFFmpeg>();
    task->Reset();
    ASSERT_TRUE(task->OpenInputFile(input));
    events.Connect(*task);
    for (const bool threaded : {true, false}) {
        try {
            task->Start(threaded, tpNormal);
            ADD_FAILURE() << "started without an output";
        } catch (const FFmpegException& error) {
            EXPECT_STREQ(error.what(), "At least one output file must be specified");
        }
        EXPECT_FALSE(task->Running);
        EXPECT_FALSE(task->TerminateDelivered);
        EXPECT_EQ(task->InputCount(), 0);
    }
    EXPECT_TRUE(events.Terminations().empty());
    EXPECT_EQ(LiveTaskThreadCount(), 0);
}

TEST_F(TaskRun, StartWithoutInputFailsAfterCleaningUp)
{
    TempFolder folder;
    auto task = std::make_shared<TFFmpeg>();
    task->Reset();
    events.Connect(*task);
    // Without an input the output takes its streams from its format.
    const std::string output = folder.Path("no input.mp2");
    ASSERT_TRUE(task->OpenOutputFile(output)) << task->LastErrMsg;
    ASSERT_TRUE(std::filesystem::exists(output));
    try {
        task->Start(true, tpNormal);
        ADD_FAILURE() << "started without an input";
    } catch (const FFmpegException& error) {
        EXPECT_STREQ(error.what(), "At least one input file must be specified");
    }
    EXPECT_FALSE(task->Running);
    EXPECT_EQ(task->OutputCount(), 0);
    // The output never received anything: cleaning up removed it.
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_TRUE(events.Terminations().empty());
}

TEST_F(TaskRun, FailingRunReportsItsMessageOnceAsLogLineAndOnceInTheTermination)
{
    TempFolder folder;
    const std::string input = MakeMedia(folder.Path("one.wav"), "-f lavfi -i sine=duration=1:sample_rate=44100");
    ASSERT_FALSE(input.empty());
    const std::string expected = "Could not find input stream #0.7";
    std::vector<TTaskOwner> owners;
    for (const bool threaded : {true, false}) {
        const std::string output = folder.Path(threaded ? "threaded.mp2" : "here.mp2");
        auto made = std::make_shared<TFFmpeg>();
        made->Reset();
        made->ParseOptionText("map=0.7", false);
        ASSERT_TRUE(made->OpenInputFile(input));
        ASSERT_TRUE(made->OpenOutputFile(output));
        TTaskOwner& task = owners.emplace_back(made);
        events.Connect(*task);
        const std::shared_ptr<TFFmpegThread> thread = task->Start(threaded, tpNormal);
        if (threaded) {
            ASSERT_NE(thread, nullptr);
            thread->Resume();
        }
        ASSERT_TRUE(WaitUntil([&] { return !events.Terminations(*task).empty(); }));
        ASSERT_TRUE(WaitForTaskThreads(std::chrono::seconds(120)));
        int quietLines = 0;
        for (const auto& [level, text] : events.Messages(*task)) {
            if (level != kLevelQuiet) continue;
            ++quietLines;
            EXPECT_EQ(text, expected);
        }
        EXPECT_EQ(quietLines, 1) << (threaded ? "threaded" : "in this thread");
        const std::vector<TTerminationReport> reports = events.Terminations(*task);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_TRUE(reports[0].exception);
        EXPECT_EQ(reports[0].message, expected);
        EXPECT_FALSE(reports[0].finished);
        EXPECT_TRUE(task->ExceptionRaised);
        EXPECT_EQ(task->ErrorMessage, expected);
        EXPECT_FALSE(task->Running);
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST_F(TaskRun, WorkerThreadRunsAtTheAskedPriority)
{
    TempFolder folder;
    const std::string input = MakeMedia(folder.Path("short.wav"), "-f lavfi -i sine=duration=0.5:sample_rate=44100");
    ASSERT_FALSE(input.empty());
    struct Case {
        TConvertPriority priority;
        int policy;
        int nice;  // read only under the normal policy
    };
    int number = 0;
    // All kept to the end: a task made after another is freed could take its address.
    std::vector<TTaskOwner> owners;
    for (const Case& c : {Case{tpIdle, SCHED_IDLE, 0}, Case{tpLowest, SCHED_OTHER, 15}, Case{tpLower, SCHED_OTHER, 10},
                          Case{tpNormal, SCHED_OTHER, 0}}) {
        TTaskOwner& task = owners.emplace_back(MakeTask(input, folder.Path("out" + std::to_string(++number) + ".mp2"), ""));
        events.Connect(*task);
        const std::shared_ptr<TFFmpegThread> thread = task->Start(true, c.priority);
        ASSERT_NE(thread, nullptr);
        // Set while the thread is still suspended.
        EXPECT_EQ(SchedulingPolicy(thread->ThreadID()), c.policy) << number;
        if (c.policy == SCHED_OTHER) {
            EXPECT_EQ(NiceValue(thread->ThreadID()), c.nice) << number;
        }
        thread->Resume();
        // The flag is set just before the handler runs: wait for the report itself.
        ASSERT_TRUE(WaitUntil([&] { return !events.Terminations(*task).empty(); }));
        const std::vector<TTerminationReport> reports = events.Terminations(*task);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].schedulingPolicy, c.policy) << number;
        EXPECT_TRUE(reports[0].finished);
    }
}
