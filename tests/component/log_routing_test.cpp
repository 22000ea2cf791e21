// Library log output assembled into lines per thread and handed to every receiver.
#include <gtest/gtest.h>

#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "component/log_routing.h"
#include "component/thread_id.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

struct TLine {
    std::uint32_t threadId;
    int level;
    std::string text;
    bool operator==(const TLine&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const TLine& line)
{
    return stream << "{" << line.threadId << ", " << line.level << ", \"" << line.text << "\"}";
}

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
        for (const TLine& line : Lines()) texts.push_back(line.text);
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
    int payload = 0;
};

std::string FakePrefix()
{
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "[fake item @ 0x%0*" PRIXPTR "]", static_cast<int>(2 * sizeof(void*)),
                  reinterpret_cast<std::uintptr_t>(&kFakeClass));
    return prefix;
}

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
};

// Lets threads take turns in a fixed order.
class TTurns {
public:
    void WaitFor(int turn)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_turn == turn; });
    }
    void Next()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_turn;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_turn = 0;
};

}  // namespace

TEST_F(LogRouting, PieceWithoutLineFeedWaitsAndTheNextPieceContinuesItWithoutPrefix)
{
    TCollector collector;
    TFakeContext context;
    Send(&context, AV_LOG_INFO, "Stream #%d:%d", 0, 1);
    EXPECT_TRUE(collector.Lines().empty());
    Send(&context, AV_LOG_INFO, ": Audio: %s\n", "mp2");
    const std::uint32_t self = CurrentThreadId();
    EXPECT_EQ(collector.Lines(), (std::vector<TLine>{{self, kLevelInfo, FakePrefix() + "Stream #0:1: Audio: mp2"}}));
    // The line is over: the next one begins with the prefix again, and one piece may hold
    // several lines.
    Send(&context, AV_LOG_ERROR, "first\nsecond\nthird");
    EXPECT_EQ(collector.Texts(), (std::vector<std::string>{FakePrefix() + "Stream #0:1: Audio: mp2",
                                                           FakePrefix() + "first", "second"}));
    EXPECT_EQ(collector.Lines().back().level, kLevelError);
    Send(nullptr, AV_LOG_INFO, "\n");
    EXPECT_EQ(collector.Texts().back(), "third");
}

TEST_F(LogRouting, PrefixNeedsAContextWithAClass)
{
    TCollector collector;
    TFakeContext context;
    struct {
        const AVClass* contextClass = nullptr;
    } classless;
    Send(nullptr, AV_LOG_INFO, "no context\n");
    Send(&classless, AV_LOG_INFO, "no class\n");
    Send(&context, AV_LOG_INFO, "with class\n");
    EXPECT_EQ(collector.Texts(), (std::vector<std::string>{"no context", "no class", FakePrefix() + "with class"}));
}

TEST_F(LogRouting, InterleavedThreadsGetTheirOwnLines)
{
    TCollector collector;
    TTurns turns;
    std::uint32_t ids[2] = {0, 0};
    // Each thread's pieces alternate with the other's.
    const auto speaker = [&](int which, const char* name) {
        ids[which] = CurrentThreadId();
        for (int piece = 0; piece < 3; ++piece) {
            turns.WaitFor(piece * 2 + which);
            if (piece < 2)
                Send(nullptr, AV_LOG_INFO, "%s part %d, ", name, piece);
            else
                Send(nullptr, AV_LOG_INFO, "%s end\n", name);
            turns.Next();
        }
    };
    std::thread first(speaker, 0, "first");
    std::thread second(speaker, 1, "second");
    first.join();
    second.join();
    ASSERT_NE(ids[0], ids[1]);
    EXPECT_EQ(collector.Lines(), (std::vector<TLine>{{ids[0], kLevelInfo, "first part 0, first part 1, first end"},
                                                     {ids[1], kLevelInfo, "second part 0, second part 1, second end"}}));
}

TEST_F(LogRouting, ManyThreadsAtOnceLoseNoLine)
{
    TCollector collector;
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    std::vector<std::uint32_t> ids(kThreads);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ids[t] = CurrentThreadId();
            for (int line = 0; line < kLines; ++line) {
                Send(nullptr, AV_LOG_INFO, "thread %d ", t);
                Send(nullptr, AV_LOG_INFO, "line %d\n", line);
            }
        });
    for (std::thread& thread : threads) thread.join();
    std::vector<int> next(kThreads, 0);
    for (const TLine& line : collector.Lines()) {
        int t = 0;
        while (t < kThreads && ids[t] != line.threadId) ++t;
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(line.text, "thread " + std::to_string(t) + " line " + std::to_string(next[t]));
        ++next[t];
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kLines);
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
    const std::uint32_t self = CurrentThreadId();
    // The dropped pieces left nothing behind for the next line.
    EXPECT_EQ(collector.Lines(), (std::vector<TLine>{{self, kLevelError, "kept error"}, {self, kLevelError, "kept fatal"}}));

    // Quiet lets through only what the library logs as quiet.
    CachedLibraryLevel() = kLevelQuiet;
    Send(nullptr, AV_LOG_PANIC, "dropped panic\n");
    Send(nullptr, AV_LOG_QUIET, "kept quiet\n");
    EXPECT_EQ(collector.Lines().size(), 3u);
    EXPECT_EQ(collector.Lines().back(), (TLine{self, kLevelQuiet, "kept quiet"}));

    CachedLibraryLevel() = kLevelDebug;
    Send(nullptr, AV_LOG_DEBUG, "kept debug\n");
    Send(nullptr, AV_LOG_TRACE, "dropped trace\n");
    EXPECT_EQ(collector.Texts().back(), "kept debug");
    EXPECT_EQ(collector.Lines().size(), 4u);
}

TEST_F(LogRouting, TextLongerThanTheBufferIsCut)
{
    TCollector collector;
    const std::string longText(5000, 'x');
    Send(nullptr, AV_LOG_INFO, "%s\n", longText.c_str());
    // The cut piece ends its line: what follows starts a line of its own.
    Send(nullptr, AV_LOG_INFO, "start %s", longText.c_str());
    Send(nullptr, AV_LOG_INFO, "next\n");
    const std::vector<std::string> texts = collector.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], std::string(kLibraryLogBufferSize - 1, 'x'));
    EXPECT_EQ(texts[1], "start " + std::string(kLibraryLogBufferSize - 1 - 6, 'x'));
    EXPECT_EQ(texts[2], "next");

    // A line that grows piece by piece past the limit keeps its first part.
    TFakeContext context;
    const std::string piece(300, 'y');
    for (int i = 0; i < 10; ++i) Send(&context, AV_LOG_INFO, "%s", piece.c_str());
    Send(&context, AV_LOG_INFO, "\n");
    const std::string prefix = FakePrefix();
    ASSERT_EQ(collector.Texts().size(), 4u);
    EXPECT_EQ(collector.Texts()[3], prefix + std::string(kLibraryLogBufferSize - 1 - prefix.size(), 'y'));
}

TEST_F(LogRouting, EveryReceiverGetsEveryLineUntilItUnregisters)
{
    TCollector first;
    std::vector<std::string> before;
    {
        TCollector second;
        Send(nullptr, AV_LOG_INFO, "to both\n");
        before = second.Texts();
    }
    Send(nullptr, AV_LOG_INFO, "to the first\n");
    EXPECT_EQ(before, (std::vector<std::string>{"to both"}));
    EXPECT_EQ(first.Texts(), (std::vector<std::string>{"to both", "to the first"}));
}

TEST_F(LogRouting, ClearingDropsUnfinishedText)
{
    TCollector collector;
    TFakeContext context;
    Send(&context, AV_LOG_INFO, "unfinished");
    ClearPendingLibraryLog();
    Send(&context, AV_LOG_INFO, "fresh\n");
    EXPECT_EQ(collector.Texts(), (std::vector<std::string>{FakePrefix() + "fresh"}));
}

TEST_F(LogRouting, ReceiverThatLogsAndUnregistersItselfDoesNotBlock)
{
    TCollector collector;
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
    EXPECT_EQ(collector.Texts(), (std::vector<std::string>{"original", "echo of original", "after"}));
}

class LogRoutingThroughTheLibrary : public LibrariesLoaded {
protected:
    void TearDown() override
    {
        RemoveLibraryLogCallback();
        ClearPendingLibraryLog();
        SetLibraryLogLevel(kLevelInfo);
    }
};

TEST_F(LogRoutingThroughTheLibrary, LibraryMessagesArriveAsLines)
{
    TCollector collector;
    ASSERT_TRUE(InstallLibraryLogCallback());
    SetLibraryLogLevel(kLevelInfo);
    av::av_log(nullptr, AV_LOG_ERROR, "from the library %d\n", 7);
    av::av_log(nullptr, AV_LOG_DEBUG, "too detailed\n");
    AVFormatContext* format = av::avformat_alloc_context();
    ASSERT_NE(format, nullptr);
    av::av_log(format, AV_LOG_INFO, "with a context\n");
    const AVClass* formatClass = format->av_class;
    av::avformat_free_context(format);

    const std::vector<TLine> lines = collector.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (TLine{CurrentThreadId(), kLevelError, "from the library 7"}));
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "[NULL @ 0x%0*" PRIXPTR "]", static_cast<int>(2 * sizeof(void*)),
                  reinterpret_cast<std::uintptr_t>(formatClass));
    EXPECT_EQ(lines[1], (TLine{CurrentThreadId(), kLevelInfo, std::string(prefix) + "with a context"}));
}
