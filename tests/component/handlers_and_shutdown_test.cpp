// What a desktop program needs of the component while tasks run: handlers replaced and cleared
// mid-run, a worker waiting for the main thread while the main thread stops or destroys the
// component, and no handler running under the component's lock.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "binding/bitmap24.h"
#include "component/event_loop.h"
#include "component/task_threads.h"
#include "component/vantrel.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

// Long enough that converting it spans many progress intervals also on a fast, idle machine
// (20 s at 320x240 can convert within one 100 ms interval).
std::string LongClip(TempFolder& folder, const std::string& name, const std::string& size = "320x240",
                     int seconds = 20)
{
    return MakeMedia(folder.Path(name), "-f lavfi -i testsrc=duration=" + std::to_string(seconds) + ":size=" + size +
                                            ":rate=25 -c:v mpeg4 -q:v 5");
}

int AddConversion(TVantrel& component, const std::string& input, const std::string& output)
{
    const int index = component.AddTask(input);
    if (index < 0) return -1;
    TOutputOptions options;
    options.VideoCodec = "mpeg4";
    return component.AddOutput(index, output, &options) ? index : -1;
}

}  // namespace

TEST(ComponentHandlers, CanBeReplacedAndClearedWhileTasksRun)
{
    TEventLoop loop;
    TempFolder folder;
    const std::string clip = LongClip(folder, "in.avi", "640x480", 60);
    TVantrel component(loop);
    ASSERT_TRUE(component.LoadAVLib(MIRELK_LIBAV_DIR));
    component.SetProgressInterval(100);
    for (int i = 0; i < 2; ++i) ASSERT_GE(AddConversion(component, clip, folder.Path("out" + std::to_string(i) + ".avi")), 0);
    std::atomic<int> first{0}, second{0}, ends{0};
    component.OnTerminate = [&](int index, bool, bool, const std::string&) {
        if (index < 0) ++ends;
    };
    component.OnProgress = [&](int, int, int, int, float, float, std::int64_t, int) { ++first; };
    component.StartConvert(2);
    loop.PumpUntil([&] { return first > 0; }, std::chrono::seconds(30));
    // The counter the first handler writes goes away with it: once the assignment has returned,
    // the old handler runs nowhere (the sanitizers see a use after the scope otherwise).
    {
        auto counted = std::make_unique<std::atomic<int>>(0);
        component.OnProgress = [counter = counted.get()](int, int, int, int, float, float, std::int64_t, int) { ++*counter; };
        loop.PumpUntil([&] { return *counted > 0; }, std::chrono::seconds(30));
        component.OnProgress = [&](int, int, int, int, float, float, std::int64_t, int) { ++second; };
        EXPECT_GT(*counted, 0);
    }
    loop.PumpUntil([&] { return second > 0; }, std::chrono::seconds(30));
    EXPECT_GT(second, 0);
    // A handler may call the component's own operations: none of them waits for a lock a
    // handler runs under.
    component.OnLog = [&](int, TLogLevel, const std::string&) { (void)component.TaskCount(); };
    component.OnProgress = nullptr;
    component.StopConvert();
    EXPECT_TRUE(loop.PumpUntil([&] { return ends > 0; }, std::chrono::seconds(30)));
    EXPECT_EQ(ends, 1);
}

TEST(ComponentShutdown, AWorkerWaitingForTheMainThreadNeverDeadlocksAStopOrADestruction)
{
    TEventLoop loop;
    TempFolder folder;
    const std::string clip = LongClip(folder, "in.avi");
    std::atomic<int> windows{0};
    // Preview windows whose pictures the main thread never gets to draw: every worker that shows
    // one waits for the main thread, which is busy stopping or destroying the component.
    class TNoWindow : public IPreviewWindow {
    public:
        explicit TNoWindow(std::atomic<int>& count) : m_count(count) { ++m_count; }
        void Show(int, int) override {}
        void SetCaption(const std::string&) override {}
        void Draw(const TBitmap24&) override {}

    private:
        std::atomic<int>& m_count;
    };
    const TPreviewWindowFactory factory = [&](std::function<void()>) -> std::unique_ptr<IPreviewWindow> {
        return std::make_unique<TNoWindow>(windows);
    };

    {
        // Stopped and cleared while its workers wait for previews to be drawn.
        TVantrel component(loop, factory);
        ASSERT_TRUE(component.LoadAVLib(MIRELK_LIBAV_DIR));
        component.SetPreview(true);
        for (int i = 0; i < 2; ++i) ASSERT_GE(AddConversion(component, clip, folder.Path("a" + std::to_string(i) + ".avi")), 0);
        component.StartConvert(2);
        // The main thread does not pump: the workers block on their first preview.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto started = std::chrono::steady_clock::now();
        component.StopConvert();
        component.ClearTasks();
        // No worker held it up for the second a late thread is given.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
    }
    {
        // Destroyed mid-run with previews on, while a worker waits for the main thread.
        auto component = std::make_unique<TVantrel>(loop, factory);
        ASSERT_TRUE(component->LoadAVLib(MIRELK_LIBAV_DIR));
        component->SetPreview(true);
        component->OnLog = [](int, TLogLevel, const std::string&) {};
        ASSERT_GE(AddConversion(*component, clip, folder.Path("b.avi")), 0);
        component->StartConvert(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        component.reset();
    }
    // What the workers left for the main thread runs now, after the component is gone.
    loop.PumpFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(WaitForTaskThreads(std::chrono::seconds(10)));
    loop.PumpFor(std::chrono::milliseconds(100));
}
