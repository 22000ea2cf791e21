// Running and releasing chains of frame hook modules on real pictures.
#include <gtest/gtest.h>

#include "hook_test_support.h"
#include "../test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

// Line sizes get padded past this width, so a module that ignored them would paint askew.
constexpr int kWidth = 100;
constexpr int kHeight = 60;

class FrameHookChain : public LibrariesLoaded {
protected:
    const std::string m_paint = HookModulePath("hook_paint_rectangle");
    const std::string m_processOnly = HookModulePath("hook_process_only");
    THookLog m_log;

    int ReleaseCount() const { return *LoadedModuleCounter(m_paint, "mirelk_test_release_count"); }
    // Loads the paint module, so that its counters can be read before the test's own adds.
    void LoadPaintModule()
    {
        TFrameHookChain loader;
        ASSERT_EQ(loader.AddFrameHook({m_paint, "0", "0", "0", "0", "0"}, m_log.Proc()), kHookAdded);
    }
    static void Run(const TFrameHookChain& chain, TTestPicture& picture, std::int64_t pts = 0)
    {
        chain.ProcessFrameHooks(picture.Picture(), picture.PixelFormat(), picture.Width(),
                                picture.Height(), pts);
    }
};

}  // namespace

TEST_F(FrameHookChain, PaintsExactlyTheConfiguredRectangle)
{
    TTestPicture picture(kWidth, kHeight);
    ASSERT_GT(picture.Picture().linesize[0], kWidth);
    const TRectangle rectangle{13, 7, 21, 11};
    TFrameHookChain chain;
    ASSERT_EQ(chain.AddFrameHook(rectangle.PaintItems(m_paint, 235), m_log.Proc()), kHookAdded);
    Run(chain, picture);
    EXPECT_EQ(picture.LumaMismatches([&](int x, int y) {
        return rectangle.Contains(x, y) ? 235 : TTestPicture::kLuma;
    }), std::vector<std::string>{});
    EXPECT_TRUE(picture.OnlyLumaTouched());
}

TEST_F(FrameHookChain, EachChainRunsWithItsOwnContext)
{
    const TRectangle left{0, 0, 10, 10};
    const TRectangle right{50, 30, 8, 4};
    TFrameHookChain first;
    TFrameHookChain second;
    ASSERT_EQ(first.AddFrameHook(left.PaintItems(m_paint, 50), m_log.Proc()), kHookAdded);
    ASSERT_EQ(second.AddFrameHook(right.PaintItems(m_paint, 90), m_log.Proc()), kHookAdded);
    TTestPicture firstPicture(kWidth, kHeight);
    TTestPicture secondPicture(kWidth, kHeight);
    Run(first, firstPicture);
    Run(second, secondPicture);
    EXPECT_EQ(firstPicture.LumaMismatches([&](int x, int y) {
        return left.Contains(x, y) ? 50 : TTestPicture::kLuma;
    }), std::vector<std::string>{});
    EXPECT_EQ(secondPicture.LumaMismatches([&](int x, int y) {
        return right.Contains(x, y) ? 90 : TTestPicture::kLuma;
    }), std::vector<std::string>{});
}

TEST_F(FrameHookChain, ArgumentsStayValidAfterTheCallersTextsAreGone)
{
    const TRectangle rectangle{5, 5, 30, 20};
    TFrameHookChain chain;
    {
        // Long texts live outside the string objects, so their memory really goes away here.
        std::vector<std::string> items = rectangle.PaintItems(m_paint, 77);
        for (std::size_t index = 1; index < items.size(); ++index) items[index].insert(0, 40, '0');
        ASSERT_EQ(chain.AddFrameHook(items, m_log.Proc()), kHookAdded);
        for (std::string& item : items) item.assign(item.size(), '9');
    }
    const std::vector<std::string> reuse(8, std::string(60, '1'));
    TTestPicture picture(kWidth, kHeight);
    Run(chain, picture);
    EXPECT_EQ(picture.LumaMismatches([&](int x, int y) {
        return rectangle.Contains(x, y) ? 77 : TTestPicture::kLuma;
    }), std::vector<std::string>{});
}

TEST_F(FrameHookChain, ModulesRunInTheOrderTheyWereAdded)
{
    const TRectangle rectangle{20, 10, 15, 15};
    TFrameHookChain paintThenRaise;
    ASSERT_EQ(paintThenRaise.AddFrameHook(rectangle.PaintItems(m_paint, 200), m_log.Proc()), kHookAdded);
    ASSERT_EQ(paintThenRaise.AddFrameHook({m_processOnly}, m_log.Proc()), kHookAdded);
    TFrameHookChain raiseThenPaint;
    ASSERT_EQ(raiseThenPaint.AddFrameHook({m_processOnly}, m_log.Proc()), kHookAdded);
    ASSERT_EQ(raiseThenPaint.AddFrameHook(rectangle.PaintItems(m_paint, 200), m_log.Proc()), kHookAdded);

    TTestPicture first(kWidth, kHeight);
    Run(paintThenRaise, first);
    EXPECT_EQ(first.LumaMismatches([&](int x, int y) {
        return rectangle.Contains(x, y) ? 201 : TTestPicture::kLuma + 1;
    }), std::vector<std::string>{});
    TTestPicture second(kWidth, kHeight);
    Run(raiseThenPaint, second);
    EXPECT_EQ(second.LumaMismatches([&](int x, int y) {
        return rectangle.Contains(x, y) ? 200 : TTestPicture::kLuma + 1;
    }), std::vector<std::string>{});
}

TEST_F(FrameHookChain, ReleaseCallsEachReleaseOnceAndEmptiesTheChain)
{
    LoadPaintModule();
    const int releasedBefore = ReleaseCount();
    TFrameHookChain chain;
    ASSERT_EQ(chain.AddFrameHook({m_paint, "0", "0", "5", "5", "1"}, m_log.Proc()), kHookAdded);
    // No Release export: its entry is only freed.
    ASSERT_EQ(chain.AddFrameHook({m_processOnly}, m_log.Proc()), kHookAdded);
    ASSERT_EQ(chain.AddFrameHook({m_paint, "5", "5", "5", "5", "2"}, m_log.Proc()), kHookAdded);
    chain.ReleaseFrameHooks();
    EXPECT_EQ(ReleaseCount(), releasedBefore + 2);
    EXPECT_TRUE(chain.Empty());
    chain.ReleaseFrameHooks();
    EXPECT_EQ(ReleaseCount(), releasedBefore + 2);
    // A released chain leaves pictures alone, and takes new entries.
    TTestPicture picture(kWidth, kHeight);
    Run(chain, picture);
    EXPECT_EQ(picture.LumaMismatches([](int, int) { return TTestPicture::kLuma; }), std::vector<std::string>{});
    EXPECT_EQ(chain.AddFrameHook({m_processOnly}, m_log.Proc()), kHookAdded);
    EXPECT_EQ(chain.Count(), 1u);
}

TEST_F(FrameHookChain, OwnershipReleasesEveryEntryExactlyOnce)
{
    LoadPaintModule();
    const int releasedBefore = ReleaseCount();
    {
        TFrameHookChain chain;
        ASSERT_EQ(chain.AddFrameHook({m_paint, "0", "0", "1", "1", "1"}, m_log.Proc()), kHookAdded);
    }
    EXPECT_EQ(ReleaseCount(), releasedBefore + 1);

    TFrameHookChain target;
    ASSERT_EQ(target.AddFrameHook({m_paint, "0", "0", "1", "1", "1"}, m_log.Proc()), kHookAdded);
    {
        TFrameHookChain source;
        ASSERT_EQ(source.AddFrameHook({m_paint, "0", "0", "1", "1", "9"}, m_log.Proc()), kHookAdded);
        // The target's own entry goes; the source's entry moves over and is not released with
        // the source.
        target = std::move(source);
        EXPECT_EQ(ReleaseCount(), releasedBefore + 2);
        TFrameHookChain moved(std::move(target));
        EXPECT_EQ(moved.Count(), 1u);
        TTestPicture picture(kWidth, kHeight);
        Run(moved, picture);
        EXPECT_EQ(picture.Luma(0, 0), 9);
    }
    EXPECT_EQ(ReleaseCount(), releasedBefore + 3);
}
