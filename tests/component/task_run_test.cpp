// Starting tasks, in the calling thread and in worker threads: what a run reports, what a second
// start does, failures before and during a run, and the priority of the worker thread.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>

#include "binding/log_levels.h"
#include "component/task_owner.h"
#include "component/task_test_support.h"
#include "component/task_threads.h"
#include "component/thread_id.h"
#include "engine/files/open_files.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class TaskRun : public TaskTest {
protected:
    const std::string sound = MakeMedia(folder.Path("two.wav"), "-f lavfi -i sine=duration=2:sample_rate=44100");
    // All kept to the end: a task made after another is freed could take its address.
    std::vector<TTaskOwner> owners;
};

}  // namespace

TEST_F(TaskRun, ARunReportsItsEndOnceFromTheThreadItRanInAndAFailureOnceAsLineAndMessage)
{
    const std::string failure = "Could not find input stream #0.7";
    for (const bool threaded : {true, false}) {
        for (const bool failing : {false, true}) {
            SCOPED_TRACE(std::string(threaded ? "threaded" : "in this thread") + (failing ? ", failing" : ""));
            const std::string output = folder.Path(std::to_string(threaded) + std::to_string(failing) + ".mp3");
            // A map given before the input is opened, to a stream it does not have.
            auto made = failing ? std::make_shared<TFFmpeg>() : MakeTask(sound, output, "ab=128000");
            if (failing) {
                made->Reset();
                made->ParseOptionText("map=0.7", false);
                ASSERT_TRUE(made->OpenInputFile(sound) && made->OpenOutputFile(output));
            }
            TTaskOwner& task = owners.emplace_back(made);
            events.Connect(*task);
            task->ProgressInterval = 0;
            std::uint32_t runner = CurrentThreadId();
            if (threaded) {
                const std::shared_ptr<TFFmpegThread> thread = task->Start(true, tpNormal);
                ASSERT_NE(thread, nullptr);
                // Made suspended, so that the owner can note its id before it runs.
                EXPECT_TRUE(task->Running);
                EXPECT_FALSE(thread->Resumed());
                EXPECT_EQ(task->WorkerThread(), thread);
                task->ThreadID = runner = thread->ThreadID();
                thread->Resume();
                ASSERT_TRUE(WaitUntil([&] { return !events.Terminations(task.get()).empty() && thread->Ended(); }));
            } else {
                // Without a worker thread nothing could resume it: a pause asked for is ignored.
                task->Pause();
                EXPECT_FALSE(task->Paused());
                events.onProgress = [](TFFmpeg& reporting, int) { reporting.Pause(); };
                // Reported before Start returns.
                EXPECT_EQ(task->Start(false, tpNormal), nullptr);
                EXPECT_EQ(LiveTaskThreadCount(), 0);
            }
            const std::vector<TTerminationReport> reports = events.Terminations(task.get());
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0].finished, !failing);
            EXPECT_EQ(reports[0].exception, failing);
            EXPECT_EQ(reports[0].message, failing ? failure : "");
            EXPECT_EQ(task->ErrorMessage, reports[0].message);
            EXPECT_EQ(reports[0].threadId, runner);
            EXPECT_FALSE(task->Running);
            EXPECT_EQ(task->WorkerThread(), nullptr);
            // The run closed its files. The engine's messages reached the owner from the thread
            // the run was in; a failure's message once, as the one line of the quiet level.
            EXPECT_EQ(task->OutputCount() + task->InputCount(), 0);
            const auto messages = events.Messages(task.get());
            std::vector<std::string> quietLines;
            for (const auto& [level, text] : messages)
                if (level == kLevelQuiet) quietLines.push_back(text);
            EXPECT_EQ(quietLines, failing ? std::vector<std::string>{failure} : std::vector<std::string>{});
            if (failing) {
                EXPECT_FALSE(std::filesystem::exists(output));
            } else {
                EXPECT_NEAR(ProbeDuration(output), 2.0, 0.1);
                EXPECT_TRUE(std::any_of(messages.begin(), messages.end(),
                                        [](const auto& message) { return message.second == "  Stream #0.0 -> #0.0"; }));
                EXPECT_GT(events.ProgressCount(task.get()), 0);
            }

            // Once reported, the task never starts again, and stopping it is no second report.
            ASSERT_TRUE(WaitForTaskThreads(std::chrono::seconds(120)));
            for (const bool again : {true, false}) EXPECT_EQ(task->Start(again, tpNormal), nullptr);
            EXPECT_EQ(task->Finished, !failing);
            task->Stop();
            EXPECT_EQ(LiveTaskThreadCount(), 0);
            EXPECT_EQ(events.Terminations(task.get()).size(), 1u);
        }
    }
}

TEST_F(TaskRun, StartWithoutInputOrOutputFailsAfterCleaningUp)
{
    for (const bool withInput : {true, false}) {
        SCOPED_TRACE(withInput ? "no output" : "no input");
        auto task = std::make_shared<TFFmpeg>();
        task->Reset();
        events.Connect(*task);
        // Without an input the output takes its streams from its format.
        const std::string output = folder.Path("no input.mp2");
        if (withInput)
            ASSERT_TRUE(task->OpenInputFile(sound));
        else
            ASSERT_TRUE(task->OpenOutputFile(output)) << task->LastErrMsg;
        // Making the output writes nothing under its name, nor beside it.
        EXPECT_FALSE(std::filesystem::exists(output));
        EXPECT_FALSE(std::filesystem::exists(PartFileName(output)));
        EXPECT_EQ(FailureOf([&] { task->Start(!withInput, tpNormal); }),
                  withInput ? "At least one output file must be specified"
                            : "At least one input file must be specified");
        EXPECT_FALSE(task->Running);
        EXPECT_EQ(task->InputCount() + task->OutputCount(), 0);
        // The failed start made nothing either.
        EXPECT_FALSE(std::filesystem::exists(output));
        EXPECT_FALSE(std::filesystem::exists(PartFileName(output)));
    }
    EXPECT_TRUE(events.Terminations().empty());
    EXPECT_EQ(LiveTaskThreadCount(), 0);
}

TEST_F(TaskRun, WorkerThreadRunsAtTheAskedPriority)
{
    struct Case { TConvertPriority priority; int policy; int nice; /* read only under the normal policy */ };
    int number = 0;
    for (const Case& c : {Case{tpIdle, SCHED_IDLE, 0}, Case{tpLowest, SCHED_OTHER, 15}, Case{tpLower, SCHED_OTHER, 10},
                          Case{tpNormal, SCHED_OTHER, 0}}) {
        TTaskOwner& task = owners.emplace_back(MakeTask(sound, folder.Path(std::to_string(++number) + ".mp2"), "t=0.5"));
        const std::shared_ptr<TFFmpegThread> thread = task->Start(true, c.priority);
        ASSERT_NE(thread, nullptr);
        // Set while the thread is still suspended.
        const auto id = static_cast<pid_t>(thread->ThreadID());
        EXPECT_EQ(::sched_getscheduler(id), c.policy) << number;
        if (c.policy == SCHED_OTHER) {
            EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(id)), c.nice) << number;
        }
        thread->Resume();
    }
}
