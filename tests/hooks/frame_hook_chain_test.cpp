// Frame hook chains against small modules built for the purpose: the shared module cache,
// every way an add can be refused, running entries on pictures, and releasing them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "binding/log_levels.h"
#include "hook_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

using TLogLines = std::vector<std::pair<int, std::string>>;
constexpr std::uint8_t kLuma = 16;

// The exact text dlopen reports for a name it cannot open (opening it here has no effect).
std::string LoaderErrorFor(const std::string& name)
{
    if (void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        dlclose(handle);
        return "(it loads)";
    }
    return dlerror();
}

// An integer a module already loaded exports (its counters); null when it is not loaded.
int* Counter(const std::string& path, const char* name)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) return nullptr;
    auto* counter = static_cast<int*>(dlsym(handle, name));
    dlclose(handle);  // only the reference taken just now: the cache keeps its own
    return counter;
}

struct TRectangle {
    int left, top, width, height;
};

// What the paint module takes: the rectangle and the value it paints there.
std::vector<std::string> PaintItems(const std::string& module, TRectangle r, int value)
{
    return {module, std::to_string(r.left), std::to_string(r.top), std::to_string(r.width), std::to_string(r.height),
            std::to_string(value)};
}

// A picture of one luma value with a rectangle of another.
TPlanarPicture Painted(int base, TRectangle r, int value)
{
    TPlanarPicture picture = TPlanarPicture::Yuv420(100, 60, static_cast<std::uint8_t>(base));
    for (int y = r.top; y < r.top + r.height; ++y)
        for (int x = r.left; x < r.left + r.width; ++x) picture.SetSample(0, x, y, static_cast<std::uint8_t>(value));
    return picture;
}

// The picture a chain makes of a plain one, checked against the expected one; only luma may change.
void ExpectChainMakes(const TFrameHookChain& chain, const TPlanarPicture& expected)
{
    const TPlanarPicture plain = TPlanarPicture::Yuv420(100, 60, kLuma);
    TPlanarPicture picture = plain;
    chain.ProcessFrameHooks(picture.Picture(), picture.PixelFormat(), picture.Width(), picture.Height(), 0);
    EXPECT_TRUE(picture.Changed(expected).Empty());
    EXPECT_TRUE(picture.Changed(plain, 1).Empty() && picture.Changed(plain, 2).Empty());
    EXPECT_TRUE(picture.OutsideUntouched());
}

class FrameHooks : public ::testing::Test {
protected:
    const std::string m_paint = TestModulePath("hook_paint_rectangle");
    const std::string m_raise = TestModulePath("hook_process_only");
    TLogLines m_lines;
    THookLogProc Log()
    {
        return [this](int level, const std::string& text) { m_lines.emplace_back(level, text); };
    }
};

}  // namespace

TEST_F(FrameHooks, NewModuleAddedFromManyThreadsIsLoadedOnceWithAnEntryPerChain)
{
    TempFolder folder;
    const std::string paint = folder.Path("shared_paint.so");
    std::filesystem::copy_file(m_paint, paint);
    constexpr int kThreads = 8;
    std::vector<TFrameHookChain> chains(kThreads);
    std::vector<int> results(kThreads, 99);
    {
        std::vector<std::jthread> threads;
        for (int index = 0; index < kThreads; ++index)
            threads.emplace_back([&, index] {
                results[index] = chains[index].AddFrameHook(PaintItems(paint, {1, 1, 2, 2}, index), nullptr);
            });
    }
    EXPECT_EQ(results, std::vector<int>(kThreads, kHookAdded));
    for (const TFrameHookChain& chain : chains) EXPECT_EQ(chain.Count(), 1u);
    EXPECT_EQ(*Counter(paint, "mirelk_test_load_count"), 1);
    EXPECT_EQ(*Counter(paint, "mirelk_test_configure_count"), kThreads);
}

TEST_F(FrameHooks, RefusedAddsLogTheirOwnMessageAndLeaveTheChainUsable)
{
    // Linux file names keep their case: the cache must too, so "Twin.so" is not "twin.so".
    TempFolder folder;
    const std::string refusing = folder.Path("Twin.so");
    const std::string paint = folder.Path("twin.so");
    std::filesystem::copy_file(TestModulePath("hook_configure_fails"), refusing);
    std::filesystem::copy_file(m_paint, paint);
    const std::string garbage = folder.Path("not_a_library.so");
    std::ofstream(garbage) << "this is no shared library";
    TFrameHookChain chain;
    ASSERT_EQ(chain.AddFrameHook(PaintItems(paint, {13, 7, 21, 11}, 235), Log()), kHookAdded);

    struct Case {
        std::vector<std::string> items;
        int result;
        std::string logged;  // "" for nothing logged
    };
    const std::string unresolved = TestModulePath("hook_unresolved_symbol");
    const Case cases[] = {
        {{}, kHookInvalidArguments, ""},
        // An empty name would give the program itself, not a module.
        {{""}, kHookModuleNotLoaded, "No frame hook module name given\n"},
        {{folder.Path("TWIN.so")}, kHookModuleNotLoaded, LoaderErrorFor(folder.Path("TWIN.so")) + "\n"},
        {{garbage}, kHookModuleNotLoaded, LoaderErrorFor(garbage) + "\n"},
        // Refused when loaded, not when its Process first runs.
        {{unresolved}, kHookModuleNotLoaded, LoaderErrorFor(unresolved) + "\n"},
        // A bare name is looked for on the default search path only.
        {{"hook_paint_rectangle.so"}, kHookModuleNotLoaded, LoaderErrorFor("hook_paint_rectangle.so") + "\n"},
        {{"libc.so.6", "argument"}, kHookInvalidArguments, "Failed to find Process entrypoint in libc.so.6\n"},
        {{m_raise, "an", "argument"}, kHookInvalidArguments, "Failed to find Configure entrypoint in " + m_raise + "\n"},
        // Configure is called even without arguments when the module has one.
        {{refusing}, kHookConfigureFailed, "Failed to Configure " + refusing + "\n"},
        {{refusing, "x"}, kHookConfigureFailed, "Failed to Configure " + refusing + "\n"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.items.empty() ? "(no items)" : item.items[0]);
        m_lines.clear();
        EXPECT_EQ(chain.AddFrameHook(item.items, Log()), item.result);
        EXPECT_EQ(m_lines, (item.logged.empty() ? TLogLines{} : TLogLines{{kLevelError, item.logged}}));
        EXPECT_EQ(chain.Count(), 1u);
    }
    // The refusing module stayed loaded and was not loaded again.
    EXPECT_EQ(*Counter(refusing, "mirelk_test_load_count"), 1);
    // A module with only Process needs no arguments.
    EXPECT_EQ(chain.AddFrameHook({m_raise}, Log()), kHookAdded);
    ExpectChainMakes(chain, Painted(kLuma + 1, {13, 7, 21, 11}, 236));
}

TEST_F(FrameHooks, EntriesRunInTheirOrderWithArgumentsOfTheirOwn)
{
    const TRectangle first{20, 10, 15, 15};
    const TRectangle second{50, 30, 8, 4};
    TFrameHookChain paintThenRaise;
    {
        // Long texts live outside the string objects, so their memory really goes away here:
        // the module reads its arguments again at every picture.
        std::vector<std::string> items = PaintItems(m_paint, first, 200);
        for (std::size_t index = 1; index < items.size(); ++index) items[index].insert(0, 40, '0');
        ASSERT_EQ(paintThenRaise.AddFrameHook(items, Log()), kHookAdded);
        for (std::string& item : items) item.assign(item.size(), '9');
    }
    ASSERT_EQ(paintThenRaise.AddFrameHook({m_raise}, Log()), kHookAdded);
    TFrameHookChain raiseThenPaint;
    ASSERT_EQ(raiseThenPaint.AddFrameHook({m_raise}, Log()), kHookAdded);
    ASSERT_EQ(raiseThenPaint.AddFrameHook(PaintItems(m_paint, second, 90), Log()), kHookAdded);
    EXPECT_TRUE(m_lines.empty());
    ExpectChainMakes(paintThenRaise, Painted(kLuma + 1, first, 201));
    ExpectChainMakes(raiseThenPaint, Painted(kLuma + 1, second, 90));
}

TEST_F(FrameHooks, EveryEntryIsReleasedExactlyOnce)
{
    TFrameHookChain chain;
    ASSERT_EQ(chain.AddFrameHook(PaintItems(m_paint, {0, 0, 5, 5}, 1), Log()), kHookAdded);
    const int* released = Counter(m_paint, "mirelk_test_release_count");
    ASSERT_NE(released, nullptr);
    const int before = *released;
    // No Release export: its entry is only freed.
    ASSERT_EQ(chain.AddFrameHook({m_raise}, Log()), kHookAdded);
    ASSERT_EQ(chain.AddFrameHook(PaintItems(m_paint, {5, 5, 5, 5}, 2), Log()), kHookAdded);
    chain.ReleaseFrameHooks();
    EXPECT_EQ(*released, before + 2);
    EXPECT_TRUE(chain.Empty());
    chain.ReleaseFrameHooks();
    EXPECT_EQ(*released, before + 2);
    // A released chain leaves pictures alone, and takes new entries.
    ExpectChainMakes(chain, TPlanarPicture::Yuv420(100, 60, kLuma));
    ASSERT_EQ(chain.AddFrameHook(PaintItems(m_paint, {0, 0, 1, 1}, 7), Log()), kHookAdded);
    {
        TFrameHookChain source;
        ASSERT_EQ(source.AddFrameHook(PaintItems(m_paint, {0, 0, 1, 1}, 9), Log()), kHookAdded);
        // The target's own entry goes; the source's moves over and does not go with the source.
        chain = std::move(source);
        EXPECT_EQ(*released, before + 3);
    }
    EXPECT_EQ(*released, before + 3);
    {
        TFrameHookChain moved(std::move(chain));
        ExpectChainMakes(moved, Painted(kLuma, {0, 0, 1, 1}, 9));
    }
    EXPECT_EQ(*released, before + 4);
}
