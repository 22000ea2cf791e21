// Stopping, pausing, resuming and letting go of tasks while they run or before they ever ran.
#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

#include "component/task_owner.h"
#include "component/task_test_support.h"
#include "component/task_threads.h"
#include "component/thread_id.h"
#include "engine/files/open_files.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class TaskControl : public TaskTest {
protected:
    // A task of the long input, connected, that pauses itself at the given progress report.
    TTaskOwner PausingTask(const std::string& output, int pauseAt)
    {
        TTaskOwner task(MakeTask(longSound, folder.Path(output), "ab=128000"));
        events.Connect(*task);
        task->ProgressInterval = 0;
        events.onProgress = [pauseAt](TFFmpeg& reporting, int reports) {
            if (reports == pauseAt) reporting.Pause();
        };
        return task;
    }
    // A stopped run still wrote a complete file, of less than the whole input, and kept it under
    // a name that says it was stopped: nothing has the output's own name.
    void ExpectCutShortButWhole(const std::string& output)
    {
        const std::filesystem::path named(folder.Path(output));
        const std::string stopped =
            (named.parent_path() / (named.stem().string() + " (stopped)" + named.extension().string())).string();
        EXPECT_FALSE(std::filesystem::exists(named)) << output;
        const double duration = ProbeDuration(stopped);
        EXPECT_GT(duration, 0.0) << output;
        EXPECT_LT(duration, 9.0) << output;
        EXPECT_EQ(DecodeErrors(stopped), "") << output;
    }
    // Long enough that a run paused at its first report is far from done.
    const std::string longSound = MakeMedia(folder.Path("ten.wav"), "-f lavfi -i sine=duration=10:sample_rate=44100");
};

// Holds its run at the first pass of the transcode loop until the test lets it go, whatever
// its own gate says: a run that does not come back within the owner's wait.
class TStuckTask : public TFFmpeg {
public:
    void PassGate() override
    {
        entered = true;
        letGo.wait();
        TFFmpeg::PassGate();
    }
    std::atomic<bool> entered{false};
    std::promise<void> release;
    std::shared_future<void> letGo = release.get_future().share();
};

}  // namespace

TEST_F(TaskControl, StoppingAPausedRunAndTasksThatNeverStartedReportsEveryTaskOnce)
{
    // The first task holds at its first report: the stop finds it paused in the middle of its run.
    TTaskOwner tasks[3] = {PausingTask("0.mp3", 1), TTaskOwner(MakeTask(longSound, folder.Path("1.mp3"), "")),
                           TTaskOwner(MakeTask(longSound, folder.Path("2.mp3"), ""))};
    for (int i = 1; i < 3; ++i) events.Connect(*tasks[i]);
    const std::shared_ptr<TFFmpegThread> worker = StartThreaded(*tasks[0]);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return tasks[0]->HeldAtGate(); }));

    for (TTaskOwner& task : tasks) task->Stop();
    ASSERT_TRUE(WaitUntil([&] { return events.Terminations().size() == 3; }));
    ASSERT_TRUE(WaitForTaskThreads(std::chrono::seconds(120)));

    const std::vector<TTerminationReport> running = events.Terminations(tasks[0].get());
    ASSERT_EQ(running.size(), 1u);
    EXPECT_FALSE(running[0].finished || running[0].exception);
    EXPECT_EQ(running[0].threadId, worker->ThreadID());
    EXPECT_FALSE(tasks[0]->HeldAtGate());
    EXPECT_FALSE(tasks[0]->Paused());
    for (int i = 1; i < 3; ++i) {
        const std::vector<TTerminationReport> reports = events.Terminations(tasks[i].get());
        ASSERT_EQ(reports.size(), 1u) << i;
        EXPECT_FALSE(reports[0].finished || reports[0].exception) << i;
        EXPECT_EQ(reports[0].message, "") << i;
        // From the termination thread: neither this thread nor the worker, at the idle priority.
        EXPECT_NE(reports[0].threadId, CurrentThreadId()) << i;
        EXPECT_NE(reports[0].threadId, worker->ThreadID()) << i;
        EXPECT_EQ(reports[0].schedulingPolicy, SCHED_IDLE) << i;
        // Reported, so never started afterwards.
        EXPECT_EQ(tasks[i]->Start(true, tpNormal), nullptr) << i;
    }
    // A second stop is no second report.
    for (TTaskOwner& task : tasks) task->Stop();
    EXPECT_EQ(LiveTaskThreadCount(), 0);
    EXPECT_EQ(events.Terminations().size(), 3u);
    ExpectCutShortButWhole("0.mp3");
}

TEST_F(TaskControl, PausedTaskMakesNoProgressAndResumes)
{
    TTaskOwner task = PausingTask("paused.mp3", 3);
    ASSERT_NE(StartThreaded(*task), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return task->HeldAtGate(); }));
    EXPECT_TRUE(task->Paused());
    EXPECT_TRUE(task->Running);

    // Until the run has finished it writes the hidden part file; the output's name is not there yet.
    const std::string part = PartFileName(folder.Path("paused.mp3"));
    const std::int64_t size = FileSize(part);
    EXPECT_TRUE(std::filesystem::exists(part));
    EXPECT_FALSE(std::filesystem::exists(folder.Path("paused.mp3")));
    const int reports = events.ProgressCount(task.get());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(FileSize(part), size);
    EXPECT_EQ(events.ProgressCount(task.get()), reports);
    EXPECT_TRUE(task->HeldAtGate());
    EXPECT_TRUE(events.Terminations().empty());

    task->Resume();
    EXPECT_FALSE(task->Paused());
    ASSERT_TRUE(WaitUntil([&] { return !events.Terminations(task.get()).empty(); }));
    const std::vector<TTerminationReport> terminations = events.Terminations(task.get());
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_TRUE(terminations[0].finished);
    EXPECT_GT(events.ProgressCount(task.get()), reports);
    EXPECT_NEAR(ProbeDuration(folder.Path("paused.mp3")), 10.0, 0.1);
}

TEST_F(TaskControl, LettingGoOfARunningTaskStopsItAndWaitsForItsThread)
{
    std::weak_ptr<TFFmpeg> watched;
    std::shared_ptr<TFFmpegThread> worker;
    {
        TTaskOwner task = PausingTask("let go.mp3", 1);
        watched = task.Shared();
        worker = StartThreaded(*task);
        ASSERT_NE(worker, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return task->HeldAtGate(); }));
    }
    events.OwnerGone();
    ASSERT_TRUE(WaitUntil([&] { return worker->Ended() && watched.expired(); }));
    // Whatever was reported came while the owner still waited; nothing reached it afterwards.
    const std::vector<TTerminationReport> terminations = events.Terminations();
    ASSERT_LE(terminations.size(), 1u);
    for (const TTerminationReport& report : terminations) {
        EXPECT_FALSE(report.afterOwnerGone);
        EXPECT_FALSE(report.finished);
    }
    // The run was stopped, not cut off.
    ExpectCutShortButWhole("let go.mp3");
}

TEST_F(TaskControl, ThreadThatOutlivesTheWaitKeepsItsTaskAndReportsToNoOne)
{
    std::shared_ptr<TStuckTask> stuck = MakeTask<TStuckTask>(longSound, folder.Path("late.mp3"), "ab=128000");
    const std::weak_ptr<TFFmpeg> watched = stuck;
    events.Connect(*stuck);
    TTaskOwner task(stuck);
    const std::shared_ptr<TFFmpegThread> worker = StartThreaded(*task);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return stuck->entered.load(); }));

    // The run cannot come back before the test lets it go: the owner's wait runs out.
    stuck.reset();
    EXPECT_FALSE(task.Reset());
    events.OwnerGone();
    const std::size_t messages = events.Messages().size();
    EXPECT_FALSE(watched.expired());
    EXPECT_FALSE(worker->Ended());

    // The thread still had the task; it ends the run and frees the task itself.
    std::shared_ptr<TFFmpeg> stillThere = watched.lock();
    ASSERT_NE(stillThere, nullptr);
    static_cast<TStuckTask&>(*stillThere).release.set_value();
    stillThere.reset();
    ASSERT_TRUE(WaitUntil([&] { return worker->Ended() && watched.expired(); }));
    EXPECT_TRUE(events.Terminations().empty());
    EXPECT_EQ(events.Messages().size(), messages);
}

TEST_F(TaskControl, TaskLetGoOfFromItsOwnTerminationDoesNotWaitForItself)
{
    auto made = MakeTask(longSound, folder.Path("own.mp2"), "t=1");
    std::atomic<int> retired{-1};
    TTaskOwner task(made);
    events.Connect(*task);
    events.onTerminate = [&](TFFmpeg& reporting) { retired = reporting.Retire() ? 1 : 0; };
    made.reset();
    ASSERT_NE(StartThreaded(*task), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return retired.load() != -1; }));
    // Its own thread is still running when it asks.
    EXPECT_EQ(retired.load(), 0);
    ASSERT_EQ(events.Terminations().size(), 1u);
    EXPECT_TRUE(events.Terminations()[0].finished);
}
