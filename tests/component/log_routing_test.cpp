// Library log output assembled into lines per thread and handed to every receiver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <future>
#include <mutex>
#include <thread>
#include <tuple>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "component/log_routing.h"
#include "component/thread_id.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

// The thread, the engine level and the text of a line.
using TLine = std::tuple<std::uint32_t, int, std::string>;

// Keeps the lines it receives; registered while it lives.
class TCollector : public TLogReceiver {
public:
    TCollector() { RegisterLogReceiver(*this); }
    ~TCollector() override { UnregisterLogReceiver(*this); }
    void ReceiveLibraryLine(std::uint32_t threadId, int engineLevel, const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_lines.push_back({threadId, engineLevel, text});
    }
    std::vector<TLine> Lines() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_lines;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const TLine& line : Lines()) texts.push_back(std::get<2>(line));
        return texts;
    }

private:
    mutable std::mutex m_lock;
    std::vector<TLine> m_lines;
};

// What the library does for one av_log call.
void Send(void* context, int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
void Send(void* context, int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LibraryLogCallback(context, level, format, args);
    va_end(args);
}

// A context of the libraries' kind: its first field is its class.
const char* FakeItemName(void*) { return "fake item"; }
const AVClass kFakeClass = [] {
    AVClass fake{};
    fake.class_name = "FakeClass";
    fake.item_name = FakeItemName;
    fake.version = LIBAVUTIL_VERSION_INT;
    return fake;
}();
struct TFakeContext {
    const AVClass* contextClass = &kFakeClass;
};
// The prefix the library gives a line of such a context: its item name and its class's address.
const std::string kFakePrefix = [] {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "[fake item @ 0x%0*" PRIXPTR "]", static_cast<int>(2 * sizeof(void*)),
                  reinterpret_cast<std::uintptr_t>(&kFakeClass));
    return std::string(prefix);
}();

class LogRouting : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearPendingLibraryLog();
        CachedLibraryLevel() = kLevelAll;
    }
    void TearDown() override
    {
        ClearPendingLibraryLog();
        CachedLibraryLevel() = kLevelInfo;
    }
    TFakeContext context;
    const std::uint32_t self = CurrentThreadId();
};

}  // namespace

TEST_F(LogRouting, PiecesMakeLinesWithThePrefixOfTheirFirstPieceCutAtTheBuffer)
{
    TCollector collector;
    Send(&context, AV_LOG_INFO, "Stream #%d:%d", 0, 1);
    EXPECT_TRUE(collector.Lines().empty());
    Send(&context, AV_LOG_INFO, ": Audio: %s\n", "mp2");
    EXPECT_EQ(collector.Lines(), (std::vector<TLine>{{self, kLevelInfo, kFakePrefix + "Stream #0:1: Audio: mp2"}}));
    // The line is over: the next one begins with the prefix again, and one piece may hold
    // several lines.
    Send(&context, AV_LOG_ERROR, "first\nsecond\nthird");
    EXPECT_EQ(collector.Lines().back(), (TLine{self, kLevelError, "second"}));
    Send(nullptr, AV_LOG_INFO, "\n");
    // Only a context with a class gives a prefix.
    struct {
        const AVClass* contextClass = nullptr;
    } classless;
    Send(&classless, AV_LOG_INFO, "no class\n");
    // Clearing drops what was not finished.
    Send(&context, AV_LOG_INFO, "unfinished");
    ClearPendingLibraryLog();
    Send(&context, AV_LOG_INFO, "fresh\n");
    // A piece cut at the buffer ends its line: what follows starts a line of its own.
    const std::string longText(5000, 'x');
    Send(nullptr, AV_LOG_INFO, "start %s", longText.c_str());
    Send(nullptr, AV_LOG_INFO, "next\n");
    // A line that grows piece by piece past the limit keeps its first part.
    const std::string piece(300, 'y');
    for (int i = 0; i < 10; ++i) Send(&context, AV_LOG_INFO, "%s", piece.c_str());
    Send(&context, AV_LOG_INFO, "\n");
    EXPECT_EQ(collector.Texts(),
              (std::vector<std::string>{kFakePrefix + "Stream #0:1: Audio: mp2", kFakePrefix + "first", "second",
                                        "third", "no class", kFakePrefix + "fresh",
                                        "start " + std::string(kLibraryLogBufferSize - 1 - 6, 'x'), "next",
                                        kFakePrefix + std::string(kLibraryLogBufferSize - 1 - kFakePrefix.size(), 'y')}));
}

TEST_F(LogRouting, ThreadsGetTheirOwnLinesAndLoseNone)
{
    TCollector collector;
    // The other thread's line is unfinished while this thread logs a whole line of its own.
    std::promise<void> begun, answered;
    std::uint32_t other = 0;
    std::thread speaker([&] {
        other = CurrentThreadId();
        Send(nullptr, AV_LOG_INFO, "other part, ");
        begun.set_value();
        answered.get_future().wait();
        Send(nullptr, AV_LOG_INFO, "other end\n");
    });
    begun.get_future().wait();
    Send(nullptr, AV_LOG_INFO, "this part, ");
    Send(nullptr, AV_LOG_INFO, "this end\n");
    answered.set_value();
    speaker.join();
    EXPECT_EQ(collector.Lines(), (std::vector<TLine>{{self, kLevelInfo, "this part, this end"},
                                                     {other, kLevelInfo, "other part, other end"}}));

    // Many threads at once, as they come.
    TCollector many;
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    std::vector<std::uint32_t> threadIds(kThreads);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            threadIds[t] = CurrentThreadId();
            for (int line = 0; line < kLines; ++line) {
                Send(nullptr, AV_LOG_INFO, "thread %d ", t);
                Send(nullptr, AV_LOG_INFO, "line %d\n", line);
            }
        });
    for (std::thread& thread : threads) thread.join();
    std::vector<int> next(kThreads, 0);
    for (const auto& [threadId, level, text] : many.Lines()) {
        const int t = static_cast<int>(std::find(threadIds.begin(), threadIds.end(), threadId) - threadIds.begin());
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(text, "thread " + std::to_string(t) + " line " + std::to_string(next[t]++));
    }
    EXPECT_EQ(next, std::vector<int>(kThreads, kLines));
}

TEST_F(LogRouting, LevelTestDropsMessagesAboveTheCachedLevel)
{
    TCollector collector;
    CachedLibraryLevel() = kLevelError;
    Send(nullptr, AV_LOG_INFO, "dropped info ");
    Send(nullptr, AV_LOG_WARNING, "dropped warning ");
    Send(nullptr, AV_LOG_DEBUG, "dropped debug\n");
    // A colour in the bits above the level changes nothing.
    Send(nullptr, AV_LOG_INFO | AV_LOG_C(134), "dropped coloured\n");
    Send(nullptr, AV_LOG_ERROR | AV_LOG_C(134), "kept error\n");
    Send(nullptr, AV_LOG_FATAL, "kept fatal\n");
    // Quiet lets through only what the library logs as quiet.
    CachedLibraryLevel() = kLevelQuiet;
    Send(nullptr, AV_LOG_PANIC, "dropped panic\n");
    Send(nullptr, AV_LOG_QUIET, "kept quiet\n");
    CachedLibraryLevel() = kLevelDebug;
    Send(nullptr, AV_LOG_DEBUG, "kept debug\n");
    Send(nullptr, AV_LOG_TRACE, "dropped trace\n");
    // The dropped pieces left nothing behind for the next line.
    EXPECT_EQ(collector.Lines(), (std::vector<TLine>{{self, kLevelError, "kept error"},
                                                     {self, kLevelError, "kept fatal"},
                                                     {self, kLevelQuiet, "kept quiet"},
                                                     {self, kLevelDebug, "kept debug"}}));
}

TEST_F(LogRouting, EveryReceiverGetsEveryLineUntilItUnregistersAndMayLogAndUnregisterItself)
{
    TCollector first;
    std::vector<std::string> before;
    {
        TCollector second;
        Send(nullptr, AV_LOG_INFO, "to both\n");
        before = second.Texts();
    }
    EXPECT_EQ(before, (std::vector<std::string>{"to both"}));
    class TEcho : public TLogReceiver {
    public:
        void ReceiveLibraryLine(std::uint32_t, int, const std::string& text) override
        {
            if (text != "original") return;
            Send(nullptr, AV_LOG_INFO, "echo of %s\n", text.c_str());
            UnregisterLogReceiver(*this);
        }
    } echo;
    RegisterLogReceiver(echo);
    Send(nullptr, AV_LOG_INFO, "original\n");
    Send(nullptr, AV_LOG_INFO, "after\n");
    UnregisterLogReceiver(echo);
    EXPECT_EQ(first.Texts(), (std::vector<std::string>{"to both", "original", "echo of original", "after"}));
}
