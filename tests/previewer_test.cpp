// The preview window of a run: sized by the first picture, captioned with each picture's time,
// and silent once the user closed it.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>

#include "binding/bitmap24.h"
#include "probe/previewer.h"

using namespace mirelk;

namespace {

// Runs everything at once in the calling thread, counting the calls.
class ImmediateDispatcher : public IMainThreadDispatcher {
public:
    bool IsMainThread() const override { return true; }
    using IMainThreadDispatcher::RunInMainThread;
    bool RunInMainThread(const std::function<void()>& call, const std::atomic<bool>*) override
    {
        ++calls;
        call();
        return true;
    }
    void PostDelayed(int, std::function<void()> call) override { call(); }
    int calls = 0;
};

struct WindowLog {
    int shown = 0;
    int width = 0;
    int height = 0;
    std::vector<std::string> captions;
    std::vector<int> drawnWidths;
    bool destroyed = false;
    std::function<void()> close;
};

class FakeWindow : public IPreviewWindow {
public:
    explicit FakeWindow(WindowLog& log) : m_log(log) {}
    ~FakeWindow() override { m_log.destroyed = true; }
    void Show(int width, int height) override
    {
        ++m_log.shown;
        m_log.width = width;
        m_log.height = height;
    }
    void SetCaption(const std::string& caption) override { m_log.captions.push_back(caption); }
    void Draw(const TBitmap24& picture) override { m_log.drawnWidths.push_back(picture.Width()); }

private:
    WindowLog& m_log;
};

}  // namespace

TEST(Previewer, FirstPictureSizesTheWindowAndClosingStopsDrawing)
{
    ImmediateDispatcher dispatcher;
    WindowLog log;
    {
        TPreviewer previewer(dispatcher, [&](std::function<void()> onClosed) {
            log.close = std::move(onClosed);
            return std::make_unique<FakeWindow>(log);
        });
        TBitmap24 first(64, 48);
        TBitmap24 second(32, 32);
        EXPECT_TRUE(previewer.Preview(first, 1, 3723004000LL));
        EXPECT_TRUE(previewer.Preview(second, 2, INT64_MIN));
        EXPECT_EQ(log.shown, 1);
        EXPECT_EQ(log.width, 64);
        EXPECT_EQ(log.height, 48);
        EXPECT_EQ(log.captions, (std::vector<std::string>{"01:02:03.004", "N/A"}));
        EXPECT_EQ(log.drawnWidths, (std::vector<int>{64, 32}));
        // The user closes the window: nothing more is drawn, the caller is told.
        log.close();
        const int callsBefore = dispatcher.calls;
        EXPECT_FALSE(previewer.Preview(first, 3, 0));
        EXPECT_EQ(dispatcher.calls, callsBefore);
        EXPECT_EQ(log.drawnWidths.size(), 2u);
    }
    EXPECT_TRUE(log.destroyed);
}

TEST(Previewer, NoWindowMeansClosed)
{
    ImmediateDispatcher dispatcher;
    TPreviewer previewer(dispatcher, [](std::function<void()>) { return std::unique_ptr<IPreviewWindow>(); });
    TBitmap24 picture(8, 8);
    EXPECT_FALSE(previewer.Preview(picture, 1, 0));
    EXPECT_TRUE(previewer.Closed());
}
