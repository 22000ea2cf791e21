// Loading frame hook modules into chains: the shared module cache, the exports a module must
// have, and every way an add can be refused.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "binding/log_levels.h"
#include "hook_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

using TLogLines = std::vector<std::pair<int, std::string>>;

const TRectangle kSomewhere{1, 1, 2, 2};

}  // namespace

TEST(FrameHookLoading, TwoChainsShareOneLoadedModuleWithEntriesOfTheirOwn)
{
    const std::string paint = HookModulePath("hook_paint_rectangle");
    THookLog log;
    TFrameHookChain first;
    TFrameHookChain second;
    ASSERT_EQ(first.AddFrameHook(kSomewhere.PaintItems(paint, 1), log.Proc()), kHookAdded);
    int* configured = LoadedModuleCounter(paint, "mirelk_test_configure_count");
    ASSERT_NE(configured, nullptr);
    const int configuredBefore = *configured;
    ASSERT_EQ(second.AddFrameHook(kSomewhere.PaintItems(paint, 2), log.Proc()), kHookAdded);
    EXPECT_EQ(*LoadedModuleCounter(paint, "mirelk_test_load_count"), 1);
    EXPECT_EQ(*configured, configuredBefore + 1);
    EXPECT_EQ(first.Count(), 1u);
    EXPECT_EQ(second.Count(), 1u);
    EXPECT_TRUE(log.lines.empty());
}

TEST(FrameHookLoading, ManyThreadsAddingOneNewModuleLoadItOnce)
{
    TScratchFolder folder;
    const std::string paint = folder.CopyModule("hook_paint_rectangle", "shared_paint.so");
    constexpr int kThreads = 8;
    std::vector<TFrameHookChain> chains(kThreads);
    std::vector<int> results(kThreads, 99);
    {
        std::vector<std::jthread> threads;
        for (int index = 0; index < kThreads; ++index)
            threads.emplace_back([&, index] {
                results[index] = chains[index].AddFrameHook(kSomewhere.PaintItems(paint, index), nullptr);
            });
    }
    for (int index = 0; index < kThreads; ++index) {
        EXPECT_EQ(results[index], kHookAdded) << "thread " << index;
        EXPECT_EQ(chains[index].Count(), 1u);
    }
    EXPECT_EQ(*LoadedModuleCounter(paint, "mirelk_test_load_count"), 1);
    EXPECT_EQ(*LoadedModuleCounter(paint, "mirelk_test_configure_count"), kThreads);
}

TEST(FrameHookLoading, NamesThatDifferOnlyInLetterCaseAreDifferentModules)
{
    // Linux file names keep their case: "Twin.so" and "twin.so" are two files here.
    TScratchFolder folder;
    const std::string refusing = folder.CopyModule("hook_configure_fails", "Twin.so");
    const std::string painting = folder.CopyModule("hook_paint_rectangle", "twin.so");
    THookLog log;
    TFrameHookChain chain;
    EXPECT_EQ(chain.AddFrameHook({refusing, "argument"}, log.Proc()), kHookConfigureFailed);
    EXPECT_EQ(chain.AddFrameHook(kSomewhere.PaintItems(painting, 7), log.Proc()), kHookAdded);
    EXPECT_EQ(chain.Count(), 1u);
    // Nor does a spelling that names no file borrow the module loaded under another.
    const std::string missing = (folder.Path() / "TWIN.so").string();
    EXPECT_EQ(chain.AddFrameHook(kSomewhere.PaintItems(missing, 7), log.Proc()), kHookModuleNotLoaded);
    EXPECT_EQ(chain.Count(), 1u);
}

TEST(FrameHookLoading, ModuleThatCannotBeLoadedIsRefusedWithTheLoadersText)
{
    TScratchFolder folder;
    const std::string missing = (folder.Path() / "no_such_module.so").string();
    const std::string garbage = (folder.Path() / "not_a_library.so").string();
    std::ofstream(garbage) << "this is no shared library";
    const std::string unresolved = HookModulePath("hook_unresolved_symbol");

    for (const std::string& module : {missing, garbage, unresolved}) {
        SCOPED_TRACE(module);
        const std::string expected = LoaderErrorFor(module);
        ASSERT_NE(expected.find(module), std::string::npos) << expected;
        THookLog log;
        TFrameHookChain chain;
        EXPECT_EQ(chain.AddFrameHook({module}, log.Proc()), kHookModuleNotLoaded);
        EXPECT_EQ(log.lines, (TLogLines{{kLevelError, expected + "\n"}}));
        EXPECT_TRUE(chain.Empty());
    }
}

TEST(FrameHookLoading, EmptyItemListOrEmptyNameIsRefused)
{
    THookLog log;
    TFrameHookChain chain;
    EXPECT_EQ(chain.AddFrameHook({}, log.Proc()), kHookInvalidArguments);
    EXPECT_TRUE(log.lines.empty());
    // An empty name would give the program itself, not a module.
    EXPECT_EQ(chain.AddFrameHook({""}, log.Proc()), kHookModuleNotLoaded);
    EXPECT_EQ(log.lines, (TLogLines{{kLevelError, "No frame hook module name given\n"}}));
    EXPECT_TRUE(chain.Empty());
}

TEST(FrameHookLoading, BareNameUsesTheDefaultSearchAndLeavesTheCurrentFolder)
{
    const auto currentFolder = std::filesystem::current_path();
    THookLog log;
    TFrameHookChain chain;
    // Found on the default search path, so the failure is about its exports.
    EXPECT_EQ(chain.AddFrameHook({"libm.so.6"}, log.Proc()), kHookInvalidArguments);
    // A test module is not on that path: its bare name is not looked for in any other folder.
    EXPECT_EQ(chain.AddFrameHook({"hook_paint_rectangle.so"}, log.Proc()), kHookModuleNotLoaded);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0].second, "Failed to find Process entrypoint in libm.so.6\n");
    EXPECT_EQ(log.lines[1].second, LoaderErrorFor("hook_paint_rectangle.so") + "\n");
    // A name with a folder neither changes the current folder.
    EXPECT_EQ(chain.AddFrameHook({HookModulePath("hook_process_only")}, log.Proc()), kHookAdded);
    EXPECT_EQ(std::filesystem::current_path(), currentFolder);
}

TEST(FrameHookLoading, ModuleWithOnlyProcessNeedsNoArguments)
{
    const std::string processOnly = HookModulePath("hook_process_only");
    THookLog log;
    TFrameHookChain chain;
    EXPECT_EQ(chain.AddFrameHook({processOnly}, log.Proc()), kHookAdded);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(chain.AddFrameHook({processOnly, "an", "argument"}, log.Proc()), kHookInvalidArguments);
    EXPECT_EQ(log.lines, (TLogLines{{kLevelError, "Failed to find Configure entrypoint in " + processOnly + "\n"}}));
    EXPECT_EQ(chain.Count(), 1u);
}

TEST(FrameHookLoading, RefusedConfigureKeepsTheModuleAndLaterAddsWork)
{
    const std::string refusing = HookModulePath("hook_configure_fails");
    const std::string paint = HookModulePath("hook_paint_rectangle");
    THookLog log;
    TFrameHookChain chain;
    // Configure is called even without arguments when the module has one.
    EXPECT_EQ(chain.AddFrameHook({refusing}, log.Proc()), kHookConfigureFailed);
    EXPECT_EQ(log.lines, (TLogLines{{kLevelError, "Failed to Configure " + refusing + "\n"}}));
    EXPECT_TRUE(chain.Empty());

    EXPECT_EQ(chain.AddFrameHook(kSomewhere.PaintItems(paint, 3), log.Proc()), kHookAdded);
    EXPECT_EQ(chain.Count(), 1u);
    // Still loaded, and not loaded again by the next attempt.
    int* loads = LoadedModuleCounter(refusing, "mirelk_test_load_count");
    ASSERT_NE(loads, nullptr);
    EXPECT_EQ(chain.AddFrameHook({refusing, "x"}, log.Proc()), kHookConfigureFailed);
    EXPECT_EQ(*loads, 1);
    EXPECT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(chain.Count(), 1u);
}

TEST(FrameHookLoading, MissingProcessIsReportedBeforeMissingConfigure)
{
    // The C library is a shared object with no "Process".
    THookLog log;
    TFrameHookChain chain;
    EXPECT_EQ(chain.AddFrameHook({"libc.so.6", "argument"}, log.Proc()), kHookInvalidArguments);
    EXPECT_EQ(log.lines, (TLogLines{{kLevelError, "Failed to find Process entrypoint in libc.so.6\n"}}));
    EXPECT_TRUE(chain.Empty());
}
