// Codec threads: the tasks that run at once share the processors unless the "threads" option
// says otherwise, and what a codec's own worker threads log reaches the task the codec is of.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <thread>

#include "component/task_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class CodecThreads : public ComponentTest {
protected:
    // Runs the list and returns the thread count the H.264 encoder reports, by task.
    std::vector<std::pair<int, int>> EncoderThreadsOfARun(int threads)
    {
        EXPECT_TRUE(RunAll(threads));
        for (const Termination& termination : terminations)
            EXPECT_TRUE(termination.finished) << termination.index << ": " << termination.message;
        std::vector<std::pair<int, int>> counts;
        for (const Line& line : lines) {
            const std::size_t found = line.text.find(" threads=");
            if (line.text.find("options:") != std::string::npos && found != std::string::npos)
                counts.emplace_back(line.index, std::stoi(line.text.substr(found + 9)));
        }
        // Tasks that run at once log in any order.
        std::sort(counts.begin(), counts.end());
        return counts;
    }
};

}  // namespace

TEST_F(CodecThreads, TasksAtOnceShareTheProcessorsUnlessThreadsAreGiven)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=size=160x120:duration=0.4 -c:v mpeg4");
    const int processors = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const std::string encoder = "vcodec=libx264\npreset=ultrafast";
    // Two at once asked, but the list holds one task: it has every processor.
    ASSERT_EQ(Add(clip, folder.Path("alone.mp4"), encoder), 0) << component.LastErrMsg();
    EXPECT_EQ(EncoderThreadsOfARun(2), (std::vector<std::pair<int, int>>{{0, processors}}));
    component.ClearTasks();

    ASSERT_EQ(Add(clip, folder.Path("a.mp4"), encoder), 0);
    ASSERT_EQ(Add(clip, folder.Path("b.mp4"), encoder), 1);
    ASSERT_EQ(Add(clip, folder.Path("c.mp4"), encoder + "\nthreads=3"), 2);
    const int share = std::max(1, processors / 2);
    EXPECT_EQ(EncoderThreadsOfARun(2), (std::vector<std::pair<int, int>>{{0, share}, {1, share}, {2, 3}}));
    EXPECT_EQ(Probe(folder.Path("c.mp4"), "v", "stream=codec_name"), "h264");
    // However many run at once, a codec has a thread.
    EXPECT_EQ(TVantrel::CodecThreadShare(processors + 1), 1);
}

TEST_F(CodecThreads, LinesFromADecodersOwnThreadsCarryTheirTask)
{
    const std::string clip = MakeMedia(folder.Path("clip.h264"),
                                       "-f lavfi -i testsrc=size=320x240:rate=25:duration=4 -c:v libx264 -g 25 -bf 0");
    // Damage after the first pictures: the decoder complains from the threads it decodes in.
    std::ifstream in(clip, std::ios::binary);
    std::string data(std::istreambuf_iterator<char>(in), {});
    std::mt19937 random(7);
    for (std::size_t start = data.size() / 5; start < data.size(); start += data.size() / 12)
        for (std::size_t i = start; i < std::min(start + 400, data.size()); ++i) data[i] = static_cast<char>(random() & 0xff);
    component.SetLogLevel(llError);
    for (const char* name : {"damaged 1.h264", "damaged 2.h264"}) {
        std::ofstream(folder.Path(name), std::ios::binary) << data;
        ASSERT_GE(Add(folder.Path(name), folder.Path(std::string(name) + ".mkv"), "threads=2\nvcodec=mpeg4"), 0);
    }
    ASSERT_TRUE(RunAll(2));
    int decoderLines = 0;
    for (const Line& line : lines) {
        decoderLines += line.text.rfind("[h264 @ ", 0) == 0;
        EXPECT_TRUE(line.index == 0 || line.index == 1) << line.index << ": " << line.text;
    }
    EXPECT_GT(decoderLines, 5);
}
