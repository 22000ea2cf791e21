// Stopping, pausing, resuming and letting go of tasks while they run or before they ever ran.
#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "component/task_owner.h"
#include "component/task_test_support.h"
#include "component/thread_id.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class TaskControl : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        long_ = MakeMedia(m_folder.Path("ten.wav"), "-f lavfi -i sine=duration=10:sample_rate=44100");
        ASSERT_FALSE(long_.empty());
    }
    std::string Out(const std::string& name) const { return m_folder.Path(name); }
    // Ten seconds of sound: long enough that a run paused at its first report is far from done.
    std::string long_;

private:
    TempFolder m_folder;
};

// Starts the task in a worker thread the way the component does: the id is recorded before the
// thread runs.
std::shared_ptr<TFFmpegThread> StartThreaded(TFFmpeg& task, TConvertPriority priority = tpNormal)
{
    std::shared_ptr<TFFmpegThread> thread = task.Start(true, priority);
    if (thread) {
        task.ThreadID = thread->ThreadID();
        thread->Resume();
    }
    return thread;
}

// Holds its run at the first pass of the transcode loop until the test lets it go, whatever
// its own gate says: a run that does not come back within the owner's wait.
class TStuckTask : public TFFmpeg {
public:
    void PassGate() override
    {
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_entered = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_letGo; });
        }
        TFFmpeg::PassGate();
    }
    bool Entered() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_entered;
    }
    void LetGo()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_letGo = true;
        m_changed.notify_all();
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_letGo = false;
};

}  // namespace

TEST_F(TaskControl, StoppingARunWhereOnlyOneTaskStartedReportsEveryTaskOnce)
{
    TTaskOwner tasks[3] = {TTaskOwner(MakeTask(long_, Out("0.mp3"), "ab=128000")),
                           TTaskOwner(MakeTask(long_, Out("1.mp3"), "ab=128000")),
                           TTaskOwner(MakeTask(long_, Out("2.mp3"), "ab=128000"))};
    for (TTaskOwner& task : tasks) {
        events.Connect(*task);
        task->ProgressInterval = 0;
    }
    // The first task holds at its first report: the stop finds it in the middle of its run.
    events.onProgress = [](TFFmpeg& task, int reports) {
        if (reports == 1) task.Pause();
    };
    const std::shared_ptr<TFFmpegThread> worker = StartThreaded(*tasks[0], tpNormal);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return tasks[0]->HeldAtGate(); }));

    for (TTaskOwner& task : tasks) task->Stop();
    ASSERT_TRUE(WaitUntil([&] { return events.Terminations().size() == 3; }));
    ASSERT_TRUE(WaitForTaskThreads(std::chrono::seconds(120)));

    const std::vector<TTerminationReport> running = events.Terminations(*tasks[0]);
    ASSERT_EQ(running.size(), 1u);
    EXPECT_FALSE(running[0].finished);
    EXPECT_FALSE(running[0].exception);
    EXPECT_EQ(running[0].threadId, worker->ThreadID());
    for (int i = 1; i < 3; ++i) {
        const std::vector<TTerminationReport> reports = events.Terminations(*tasks[i]);
        ASSERT_EQ(reports.size(), 1u) << i;
        EXPECT_FALSE(reports[0].finished) << i;
        EXPECT_FALSE(reports[0].exception) << i;
        EXPECT_EQ(reports[0].message, "") << i;
        // From the termination thread: neither this thread nor the worker, at the idle priority.
        EXPECT_NE(reports[0].threadId, CurrentThreadId()) << i;
        EXPECT_NE(reports[0].threadId, worker->ThreadID()) << i;
        EXPECT_EQ(reports[0].schedulingPolicy, SCHED_IDLE) << i;
        EXPECT_TRUE(tasks[i]->TerminateDelivered) << i;
        EXPECT_FALSE(tasks[i]->Running) << i;
        // Reported, so never started afterwards.
        EXPECT_EQ(tasks[i]->Start(true, tpNormal), nullptr) << i;
    }
    for (TTaskOwner& task : tasks) task->Stop();
    EXPECT_EQ(LiveTaskThreadCount(), 0);
    EXPECT_EQ(events.Terminations().size(), 3u);

    // The stopped run still wrote a complete file.
    const double duration = ProbeDuration(Out("0.mp3"));
    EXPECT_GT(duration, 0.0);
    EXPECT_LT(duration, 9.0);
    EXPECT_EQ(DecodeErrors(Out("0.mp3")), "");
}

TEST_F(TaskControl, PausedTaskMakesNoProgressAndResumes)
{
    TTaskOwner task(MakeTask(long_, Out("paused.mp3"), "ab=128000"));
    events.Connect(*task);
    task->ProgressInterval = 0;
    events.onProgress = [](TFFmpeg& reporting, int reports) {
        if (reports == 3) reporting.Pause();
    };
    ASSERT_NE(StartThreaded(*task), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return task->HeldAtGate(); }));
    EXPECT_TRUE(task->Paused());
    EXPECT_TRUE(task->Running);

    const std::int64_t size = FileSize(Out("paused.mp3"));
    const int reports = events.ProgressCount(*task);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(FileSize(Out("paused.mp3")), size);
    EXPECT_EQ(events.ProgressCount(*task), reports);
    EXPECT_TRUE(task->HeldAtGate());
    EXPECT_TRUE(events.Terminations().empty());

    task->Resume();
    EXPECT_FALSE(task->Paused());
    ASSERT_TRUE(WaitUntil([&] { return !events.Terminations(*task).empty(); }));
    const std::vector<TTerminationReport> terminations = events.Terminations(*task);
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_TRUE(terminations[0].finished);
    EXPECT_GT(events.ProgressCount(*task), reports);
    EXPECT_NEAR(ProbeDuration(Out("paused.mp3")), 10.0, 0.1);
    EXPECT_EQ(DecodeErrors(Out("paused.mp3")), "");
}

TEST_F(TaskControl, StoppingAPausedTaskEndsIt)
{
    TTaskOwner task(MakeTask(long_, Out("stopped.mp3"), "ab=128000"));
    events.Connect(*task);
    task->ProgressInterval = 0;
    events.onProgress = [](TFFmpeg& reporting, int reports) {
        if (reports == 1) reporting.Pause();
    };
    ASSERT_NE(StartThreaded(*task), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return task->HeldAtGate(); }));

    task->Stop();
    ASSERT_TRUE(WaitUntil([&] { return !events.Terminations(*task).empty(); }));
    const std::vector<TTerminationReport> terminations = events.Terminations(*task);
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_FALSE(terminations[0].finished);
    EXPECT_FALSE(terminations[0].exception);
    EXPECT_FALSE(task->HeldAtGate());
    EXPECT_FALSE(task->Paused());
    EXPECT_LT(ProbeDuration(Out("stopped.mp3")), 9.0);
    EXPECT_EQ(DecodeErrors(Out("stopped.mp3")), "");
}

TEST_F(TaskControl, PauseDoesNotAffectATaskWithoutWorkerThread)
{
    TTaskOwner task(MakeTask(long_, Out("here.mp2"), ""));
    events.Connect(*task);
    task->Pause();
    EXPECT_FALSE(task->Paused());
    // Run in this thread, where nothing could resume it: the pause asked for is ignored.
    task->ProgressInterval = 0;
    events.onProgress = [](TFFmpeg& reporting, int reports) {
        if (reports == 1) reporting.Pause();
    };
    EXPECT_EQ(task->Start(false, tpNormal), nullptr);
    const std::vector<TTerminationReport> terminations = events.Terminations(*task);
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_TRUE(terminations[0].finished);
}

TEST_F(TaskControl, LettingGoOfARunningTaskStopsItAndWaitsForItsThread)
{
    std::weak_ptr<TFFmpeg> watched;
    std::shared_ptr<TFFmpegThread> worker;
    {
        TTaskOwner task(MakeTask(long_, Out("let go.mp3"), "ab=128000"));
        watched = task.Shared();
        events.Connect(*task);
        task->ProgressInterval = 0;
        events.onProgress = [](TFFmpeg& reporting, int reports) {
            if (reports == 1) reporting.Pause();
        };
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
    // The run was stopped, not cut off: its file is complete.
    EXPECT_LT(ProbeDuration(Out("let go.mp3")), 9.0);
    EXPECT_EQ(DecodeErrors(Out("let go.mp3")), "");
}

TEST_F(TaskControl, ThreadThatOutlivesTheWaitKeepsItsTaskAndReportsToNoOne)
{
    std::shared_ptr<TStuckTask> stuck = MakeTask<TStuckTask>(long_, Out("late.mp3"), "ab=128000");
    const std::weak_ptr<TFFmpeg> watched = stuck;
    events.Connect(*stuck);
    TTaskOwner task(stuck);
    const std::shared_ptr<TFFmpegThread> worker = StartThreaded(*task);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return stuck->Entered(); }));

    // The run cannot come back before the test lets it go: the owner's wait runs out.
    stuck.reset();
    EXPECT_FALSE(task.Reset());
    events.OwnerGone();
    const std::size_t messages = events.MessageCount();
    EXPECT_FALSE(watched.expired());
    EXPECT_FALSE(worker->Ended());

    // The thread still had the task; it ends the run and frees the task itself.
    std::shared_ptr<TFFmpeg> stillThere = watched.lock();
    ASSERT_NE(stillThere, nullptr);
    static_cast<TStuckTask&>(*stillThere).LetGo();
    stillThere.reset();
    ASSERT_TRUE(WaitUntil([&] { return worker->Ended() && watched.expired(); }));
    EXPECT_TRUE(events.Terminations().empty());
    EXPECT_EQ(events.MessageCount(), messages);
}

TEST_F(TaskControl, TaskLetGoOfFromItsOwnTerminationDoesNotWaitForItself)
{
    auto made = MakeTask(long_, Out("own.mp2"), "t=1");
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

TEST_F(TaskControl, TerminationStartsTheNextTaskFromTheFinishedWorker)
{
    // As the component does it: its lock is held around every report, and the report of one
    // task's termination starts the next task.
    std::mutex componentLock;
    std::vector<TTaskOwner> tasks;
    for (int i = 0; i < 3; ++i) tasks.emplace_back(MakeTask(long_, Out(std::to_string(i) + ".mp2"), "t=1"));
    for (TTaskOwner& task : tasks) events.Connect(*task);
    std::size_t next = 1;
    events.onProgress = [&](TFFmpeg&, int) { std::lock_guard<std::mutex> lock(componentLock); };
    events.onTerminate = [&](TFFmpeg&) {
        std::lock_guard<std::mutex> lock(componentLock);
        if (next < tasks.size()) StartThreaded(*tasks[next++], tpLower);
    };
    {
        std::lock_guard<std::mutex> lock(componentLock);
        ASSERT_NE(StartThreaded(*tasks[0], tpLower), nullptr);
    }
    ASSERT_TRUE(WaitUntil([&] { return events.Terminations().size() == 3; }));
    const std::vector<TTerminationReport> reports = events.Terminations();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reports[i].task, tasks[i].get()) << i;
        EXPECT_TRUE(reports[i].finished) << i;
        EXPECT_EQ(reports[i].threadId, tasks[i]->ThreadID.load()) << i;
        EXPECT_NEAR(ProbeDuration(Out(std::to_string(i) + ".mp2")), 1.0, 0.1) << i;
    }
    EXPECT_NE(reports[0].threadId, reports[1].threadId);
    EXPECT_NE(reports[1].threadId, reports[2].threadId);
}
