// What a desktop program needs of the component while tasks run: handlers replaced and cleared
// mid-run, a worker waiting for the main thread while the main thread stops or destroys the
// component, no handler running under the component's lock, and a task that does not stop in
// time, which is said and waited for.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "binding/bitmap24.h"
#include "component/task_test_support.h"
#include "component/task_threads.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

// Read at its own pace ("re"), a clip of ten seconds spans many progress intervals however fast
// the machine converts.
std::string PacedClip(TempFolder& folder)
{
    return MakeMedia(folder.Path("in.avi"), "-f lavfi -i testsrc=duration=10:size=160x120:rate=25 -c:v mpeg4");
}

using ComponentHandlers = ComponentTest;

}  // namespace

TEST_F(ComponentHandlers, CanBeReplacedAndClearedWhileTasksRunAndAStopEndsTheRun)
{
    const std::string clip = PacedClip(folder);
    const auto output = [&](int i) { return folder.Path("out" + std::to_string(i) + ".avi"); };
    for (int i = 0; i < 3; ++i) ASSERT_EQ(Add(clip, output(i), "", "re"), i);
    std::atomic<int> first{0}, second{0};
    component.OnProgress = [&](int, int, int, int, float, float, std::int64_t, int) { ++first; };
    component.StartConvert(2);
    ASSERT_TRUE(loop.PumpUntil([&] { return first > 0; }, std::chrono::seconds(60)));
    // The counter the first handler writes goes away with it: once the assignment has returned,
    // the old handler runs nowhere (the sanitizers see a use after the scope otherwise).
    {
        auto counted = std::make_unique<std::atomic<int>>(0);
        component.OnProgress = [counter = counted.get()](int, int, int, int, float, float, std::int64_t, int) { ++*counter; };
        EXPECT_TRUE(loop.PumpUntil([&] { return *counted > 0; }, std::chrono::seconds(60)));
        component.OnProgress = [&](int, int, int, int, float, float, std::int64_t, int) { ++second; };
    }
    EXPECT_TRUE(loop.PumpUntil([&] { return second > 0; }, std::chrono::seconds(60)));
    // A handler may call the component's own operations: none of them waits for a lock a
    // handler runs under.
    component.OnLog = [&](int index, TLogLevel, const std::string&) {
        if (component.IndexOfTask(component.TaskId(index)) != index) ADD_FAILURE() << index;
    };
    component.OnProgress = nullptr;
    component.StopConvert();
    ASSERT_TRUE(PumpUntilTheRunEnds());
    // Every task reports once, the one that never started too, before the run's end.
    EXPECT_EQ(runEnds, 1);
    EXPECT_EQ(terminationsAtRunEnd, 3u);
    ASSERT_EQ(terminations.size(), 3u);
    for (const Termination& termination : terminations)
        EXPECT_FALSE(termination.finished || termination.exception) << termination.index << termination.message;
    // A stopped conversion is still a complete file, kept under a name that says it was stopped;
    // a task that never started wrote nothing, and its name is only held by the component.
    const std::string stopped = folder.Path("out0 (stopped).avi");
    EXPECT_EQ(DecodeErrors(stopped), "");
    EXPECT_GT(ProbeDuration(stopped), 0.0);
    EXPECT_FALSE(std::filesystem::exists(output(0)));
    EXPECT_FALSE(std::filesystem::exists(output(2)));
    EXPECT_EQ(AddConversion(component, clip, output(2), ""), -1);
    EXPECT_EQ(component.LastErrMsg(), "'" + output(2) + "' is the output of another task in the list");
    component.ClearTasks();
    EXPECT_FALSE(std::filesystem::exists(output(2)));
    // Cleared, the name is free again.
    EXPECT_EQ(AddConversion(component, clip, output(2), ""), 0);
}

TEST(ComponentShutdown, AWorkerWaitingForTheMainThreadNeverDeadlocksAStopOrADestruction)
{
    // A main loop that counts the calls workers hand it: each such worker waits until the main
    // thread runs its call, and this main thread does not pump.
    class TCountingLoop : public TEventLoop {
    public:
        bool RunInMainThread(const std::function<void()>& call, const std::atomic<bool>* abandon) override
        {
            if (!IsMainThread()) ++waiting;
            return TEventLoop::RunInMainThread(call, abandon);
        }
        std::atomic<int> waiting{0};
    } loop;
    TempFolder folder;
    const std::string clip = PacedClip(folder);
    // Preview windows whose pictures the main thread never gets to draw.
    class TNoWindow : public IPreviewWindow {
    public:
        void Show(int, int) override {}
        void SetCaption(const std::string&) override {}
        void Draw(const TBitmap24&) override {}
    };
    const TPreviewWindowFactory factory = [](std::function<void()>) { return std::make_unique<TNoWindow>(); };

    // Stopped and cleared, or destroyed, while its workers wait for previews to be drawn.
    for (const bool destroyed : {false, true}) {
        SCOPED_TRACE(destroyed ? "destroyed" : "stopped and cleared");
        auto component = std::make_unique<TVantrel>(loop, factory);
        ASSERT_TRUE(component->LoadAVLib(MIRELK_LIBAV_DIR));
        component->SetPreview(true);
        component->OnLog = [](int, TLogLevel, const std::string&) {};
        for (const char* name : {"a.avi", "b.avi"}) {
            const std::string output = folder.Path(std::to_string(destroyed) + name);
            ASSERT_GE(AddConversion(*component, clip, output, "vcodec=mpeg4"), 0);
        }
        const int waitingBefore = loop.waiting;
        component->StartConvert(2);
        ASSERT_TRUE(WaitUntil([&] { return loop.waiting >= waitingBefore + 2; }));
        if (destroyed) {
            component.reset();
        } else {
            component->StopConvert();
            component->ClearTasks();
        }
        // The workers gave up waiting: nothing the main thread could still do was needed.
        EXPECT_TRUE(WaitForTaskThreads(std::chrono::seconds(60)));
    }
    // What the workers left for the main thread runs now, after the components are gone.
    loop.PumpFor(std::chrono::milliseconds(100));
}

TEST(ComponentShutdown, ATaskThatDoesNotStopInTimeIsSaidAndItsThreadWaitedForBeforeTheComponentGoes)
{
    TEventLoop loop;
    TempFolder folder;
    const std::string clip = PacedClip(folder);
    auto component = std::make_unique<TVantrel>(loop);
    ASSERT_TRUE(component->LoadAVLib(MIRELK_LIBAV_DIR));
    std::mutex linesLock;
    std::vector<std::string> lines;
    component->OnLog = [&](int index, TLogLevel, const std::string& text) {
        const std::lock_guard<std::mutex> lock(linesLock);
        if (index < 0) lines.push_back(text);
    };
    // The hook holds the task's thread until the test lets it go, past the component's wait.
    std::promise<void> release;
    const std::shared_future<void> letGo = release.get_future().share();
    std::atomic<bool> held{false};
    component->OnCustomHook = [&](int, TBitmap24&, int, std::int64_t, bool&, bool&) {
        held = true;
        letGo.wait();
    };
    TOutputOptions output;
    output.CustomHook = true;
    ASSERT_EQ(component->AddTask(clip), 0);
    ASSERT_TRUE(component->AddOutput(0, folder.Path("held.avi"), &output)) << component->LastErrMsg();
    component->StartConvert(1);
    ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        release.set_value();
    });
    component->ClearTasks();
    const std::string said = "The task of " + clip + " did not stop within a second; its thread is waited for until it ends";
    EXPECT_TRUE(WaitUntil([&] {
        const std::lock_guard<std::mutex> lock(linesLock);
        return std::find(lines.begin(), lines.end(), said) != lines.end();
    }));
    // Gone only once the thread has ended: it used the component to the last.
    component.reset();
    EXPECT_EQ(LiveTaskThreadCount(), 0);
    releaser.join();
}
