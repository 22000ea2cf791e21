// Stopping one task of a run: the running one and one still waiting for its turn stop, the
// others finish, and the run still ends once.
#include <gtest/gtest.h>

#include "component/task_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

using StopOneTask = ComponentTest;

}  // namespace

TEST_F(StopOneTask, ARunningAndAWaitingTaskStopWhileTheOthersFinish)
{
    const std::string longSound = MakeMedia(folder.Path("long.wav"), "-f lavfi -i sine=duration=60:sample_rate=44100");
    const std::string shortSound = MakeMedia(folder.Path("short.wav"), "-f lavfi -i sine=duration=1:sample_rate=8000");
    component.SetLogLevel(llQuiet);
    // The first report comes long before 60 seconds of sound are encoded.
    component.SetProgressInterval(100);
    // Two at a time: tasks 0 and 1 start, 2 and 3 wait.
    ASSERT_EQ(Add(longSound, folder.Path("0.mp3")), 0) << component.LastErrMsg();
    ASSERT_EQ(Add(longSound, folder.Path("1.mp3")), 1) << component.LastErrMsg();
    ASSERT_EQ(Add(longSound, folder.Path("2.mp3")), 2) << component.LastErrMsg();
    ASSERT_EQ(Add(shortSound, folder.Path("3.mp3")), 3) << component.LastErrMsg();
    component.OnProgress = [this](int index, int, int, int, float, float, std::int64_t, int) {
        // At the first report of task 0, long before its 60 seconds are done, task 2 still waits
        // for 0 or 1 to end.
        if (index != 0) return;
        component.StopTask(2);
        component.StopTask(0);
        // Indexes that name no task change nothing.
        component.StopTask(-1);
        component.StopTask(4);
    };
    ASSERT_TRUE(RunAll(2));

    std::lock_guard<std::mutex> lock(eventsLock);
    EXPECT_EQ(runEnds, 1);
    EXPECT_EQ(terminationsAtRunEnd, 4u);
    ASSERT_EQ(terminations.size(), 4u);
    std::map<int, Termination> byTask;
    for (const Termination& report : terminations) EXPECT_TRUE(byTask.emplace(report.index, report).second);
    for (int stopped : {0, 2}) {
        EXPECT_FALSE(byTask[stopped].finished) << stopped;
        EXPECT_FALSE(byTask[stopped].exception) << stopped;
    }
    for (int finished : {1, 3}) {
        EXPECT_TRUE(byTask[finished].finished) << finished;
        EXPECT_GT(FileSize(folder.Path(std::to_string(finished) + ".mp3")), 0) << finished;
    }
    // The waiting task never began: it wrote nothing (its output may have been made when it was
    // added).
    EXPECT_LE(FileSize(folder.Path("2.mp3")), 0);
}
