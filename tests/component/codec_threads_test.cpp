// Codec threads: the tasks that run at once share the processors unless the "threads" option
// says otherwise, and what a codec's own worker threads log reaches the task the codec is of.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>

#include "component/event_loop.h"
#include "component/task_threads.h"
#include "component/vantrel.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class CodecThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(component.LoadAVLib(MIRELK_LIBAV_DIR)) << component.LastErrMsg();
        component.OnLog = [this](int index, TLogLevel level, const std::string& message) {
            std::lock_guard<std::mutex> lock(eventsLock);
            if (collecting) lines.push_back({index, level, message});
        };
        component.OnTerminate = [this](int index, bool finished, bool exception, const std::string& message) {
            std::lock_guard<std::mutex> lock(eventsLock);
            if (index < 0) ++runEnds;
            else EXPECT_TRUE(finished && !exception) << index << ": " << message;
        };
    }
    void TearDown() override
    {
        component.ClearTasks();
        WaitForTaskThreads(std::chrono::seconds(30));
    }
    void Add(const std::string& input, const std::string& output, const std::string& text)
    {
        const int index = component.AddTask(input);
        ASSERT_GE(index, 0) << component.LastErrMsg();
        TOutputOptions options;
        options.ExtOptions = text;
        ASSERT_TRUE(component.AddOutput(index, output, &options)) << component.LastErrMsg();
    }
    void RunAll(int threads)
    {
        {
            std::lock_guard<std::mutex> lock(eventsLock);
            collecting = true;
        }
        component.StartConvert(threads);
        ASSERT_TRUE(loop.PumpUntil(
            [this] {
                std::lock_guard<std::mutex> lock(eventsLock);
                return runEnds > 0;
            },
            std::chrono::seconds(120)));
    }
    // The thread counts the H.264 encoder reports, by task.
    std::vector<std::pair<int, int>> EncoderThreads()
    {
        std::vector<std::pair<int, int>> counts;
        std::lock_guard<std::mutex> lock(eventsLock);
        for (const Line& line : lines) {
            const std::size_t found = line.text.find(" threads=");
            if (line.text.find("options:") != std::string::npos && found != std::string::npos)
                counts.emplace_back(line.index, std::stoi(line.text.substr(found + 9)));
        }
        // Tasks that run at once log in any order.
        std::sort(counts.begin(), counts.end());
        return counts;
    }

    struct Line {
        int index;
        TLogLevel level;
        std::string text;
    };
    TEventLoop loop;
    TVantrel component{loop};
    std::mutex eventsLock;
    bool collecting = false;
    std::vector<Line> lines;
    int runEnds = 0;
    TempFolder folder;
};

TEST_F(CodecThreads, TasksAtOnceShareTheProcessorsUnlessThreadsAreGiven)
{
    EXPECT_EQ(TVantrel::CodecThreadShare(1), std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
    EXPECT_EQ(TVantrel::CodecThreadShare(1000), 1);
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=size=160x120:duration=0.4 "
                                                                "-c:v mpeg4");
    ASSERT_FALSE(clip.empty());
    const std::string encoder = "vcodec=libx264\npreset=ultrafast";
    Add(clip, folder.Path("a.mp4"), encoder);
    Add(clip, folder.Path("b.mp4"), encoder);
    Add(clip, folder.Path("c.mp4"), encoder + "\nthreads=3");
    RunAll(2);
    const int share = TVantrel::CodecThreadShare(2);
    EXPECT_EQ(EncoderThreads(), (std::vector<std::pair<int, int>>{{0, share}, {1, share}, {2, 3}}))
        << "share " << share;
    EXPECT_EQ(Probe(folder.Path("c.mp4"), "v", "stream=codec_name"), "h264");
}

TEST_F(CodecThreads, LinesFromADecodersOwnThreadsCarryTheirTask)
{
    const std::string clip =
        MakeMedia(folder.Path("clip.h264"), "-f lavfi -i testsrc=size=320x240:rate=25:duration=4 -c:v libx264 "
                                            "-g 25 -bf 0");
    ASSERT_FALSE(clip.empty());
    // Damage after the first pictures: the decoder complains from the threads it decodes in.
    std::string data;
    {
        std::ifstream in(clip, std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::mt19937 random(7);
    for (std::size_t start = data.size() / 5; start < data.size(); start += data.size() / 12)
        for (std::size_t i = start; i < std::min(start + 400, data.size()); ++i)
            data[i] = static_cast<char>(random() & 0xff);
    for (const char* name : {"damaged 1.h264", "damaged 2.h264"}) std::ofstream(folder.Path(name), std::ios::binary) << data;

    component.SetLogLevel(llError);
    Add(folder.Path("damaged 1.h264"), folder.Path("one.mkv"), "threads=2\nvcodec=mpeg4");
    Add(folder.Path("damaged 2.h264"), folder.Path("two.mkv"), "threads=2\nvcodec=mpeg4");
    RunAll(2);
    std::lock_guard<std::mutex> lock(eventsLock);
    int decoderLines = 0;
    for (const Line& line : lines) {
        decoderLines += line.text.rfind("[h264 @ ", 0) == 0;
        EXPECT_TRUE(line.index == 0 || line.index == 1) << line.index << ": " << line.text;
    }
    EXPECT_GT(decoderLines, 5);
}

}  // namespace
