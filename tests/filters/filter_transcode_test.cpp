// Whole conversions with a video filter chain, checked with ffprobe and ffmpeg: the pictures
// in the written file, its size and duration, endless chains, failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "filter_test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class FilterTranscode : public FilterTest {};

// Asks to stop once it has encoded a number of pictures.
class StoppingTask : public CapturingTask {
public:
    explicit StoppingTask(int stopAt) : m_stopAt(stopAt) {}
    void PreviewPicture(const AVFrame&, int, std::int64_t) override
    {
        if (++m_pictures == m_stopAt) StopRequested = true;
    }

private:
    int m_stopAt;
    int m_pictures = 0;
};

}  // namespace

// What the chain gives is what is written, at the times it gave: in half the time, turned round
// (the light quadrant now bottom right) and negated.
TEST_F(FilterTranscode, WrittenPicturesAndDuration)
{
    CapturingTask task;
    const std::string out = Out();
    ASSERT_EQ(Convert(task, m_clip, out, "vcodec=ffv1\nvfilters=vflip,hflip,negate,setpts=0.5*PTS"), "");
    EXPECT_TRUE(task.Finished);
    EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), "64\n48");
    EXPECT_NEAR(ProbeDuration(out), 1.0, 0.1);
    EXPECT_NEAR(CountFrames(out), 25, 1);
    EXPECT_EQ(DecodeErrors(out), "");
    for (int picture : {0, 20}) {
        const std::vector<unsigned char> gray = DecodeGray(out, picture);
        for (int quadrant = 0; quadrant < 4; ++quadrant)
            EXPECT_NEAR(QuadrantMean(gray, 64, 48, quadrant), quadrant == 3 ? 0 : 255, 50)
                << "picture " << picture << " quadrant " << quadrant;
    }
}

TEST_F(FilterTranscode, TheSampleThroughAChain)
{
    const std::string sample = SamplePath("h264-aac-1080p.mp4");
    if (sample.empty()) GTEST_SKIP() << "no shared samples";
    // Full-range 4:2:0 in, mpeg4 out: the graph converts; audio goes along unchanged.
    CapturingTask task;
    const std::string out = Out("quarter.avi");
    ASSERT_EQ(Convert(task, sample, out, "vcodec=mpeg4\nqscale=5\nacodec=libmp3lame\nvfilters=scale=iw/4:ih/4,vflip"), "");
    EXPECT_EQ(Probe(out, "v:0", "stream=codec_name,width,height,pix_fmt"), "mpeg4\n480\n270\nyuv420p");
    EXPECT_EQ(CountFrames(out), 125);
    EXPECT_NEAR(ProbeDuration(out), ProbeDuration(sample), 0.15);
    EXPECT_EQ(DecodeErrors(out), "");
}

TEST_F(FilterTranscode, AFailedChainLeavesNoFileAndTheTaskWorksAgain)
{
    const std::string out = Out("out.avi");
    CapturingTask task;
    EXPECT_EQ(Convert(task, m_clip, out, "vcodec=mpeg4\nvfilters=vflip,hfilp"),
              "Error opening filters: No such filter: 'hfilp'");
    EXPECT_FALSE(task.Finished);
    EXPECT_FALSE(fs::exists(out));
    task.Reset();
    EXPECT_EQ(Convert(task, m_clip, out, "vcodec=mpeg4\nvfilters=vflip"), "");
    EXPECT_EQ(CountFrames(out), 50);
}

TEST_F(FilterTranscode, EndlessChainsEndWithTheRun)
{
    struct Case {
        const char* options;
        int frames;
        bool finished;
    };
    const Case cases[] = {
        // The first picture again and again, while the input waits: the recording time ends it.
        {"t=1\nvfilters=loop=loop=-1:size=1", 25, true},
        // Endless pictures after the input's end: the frame limit ends it.
        {"vframes=70\nvfilters=tpad=stop=-1", 70, true},
        // No limit at all: the task's stop, asked at the 100th picture, ends it with a complete
        // file, kept under the stopped name; the finished file of the case before stays as it is.
        {"vfilters=loop=loop=-1:size=1", 100, false},
    };
    for (const Case& c : cases) {
        StoppingTask task(100);
        const std::string out = Out("endless.avi");
        ASSERT_EQ(Convert(task, m_clip, out, std::string("vcodec=mpeg4\n") + c.options), "") << c.options;
        EXPECT_EQ(task.Finished, c.finished) << c.options;
        const std::string kept = c.finished ? out : Out("endless (stopped).avi");
        EXPECT_EQ(task.KeptOutputNames, std::vector<std::string>{kept}) << c.options;
        EXPECT_NEAR(CountFrames(kept), c.frames, 1) << c.options;
        EXPECT_EQ(DecodeErrors(kept), "") << c.options;
    }
    EXPECT_NEAR(CountFrames(Out("endless.avi")), 70, 1);
}

// Each output filters the source's pictures itself: a small and a large output of one source
// both come straight from the source's pictures, the large one not from the small one's.
TEST_F(FilterTranscode, TwoOutputsOfOneSourceFilterEachAtItsOwnSize)
{
    const std::string small = Out("small.mkv");
    const std::string large = Out("large.mkv");
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(m_clip));
    task.ParseOptionText("vcodec=ffv1\nvfilters=vflip\ns=8x6", false);
    ASSERT_TRUE(task.OpenOutputFile(small)) << task.LastErrMsg;
    task.ParseOptionText("vcodec=ffv1\ns=128x96", false);
    ASSERT_TRUE(task.OpenOutputFile(large)) << task.LastErrMsg;
    task.Transcode();
    EXPECT_TRUE(task.Finished);
    task.CleanUp();

    EXPECT_EQ(Probe(small, "v:0", "stream=width,height"), "8\n6");
    EXPECT_EQ(Probe(large, "v:0", "stream=width,height"), "128\n96");
    EXPECT_EQ(CountFrames(small), 50);
    EXPECT_EQ(CountFrames(large), 50);
    const std::vector<unsigned char> gray = DecodeGray(large, 10);
    ASSERT_EQ(gray.size(), 128u * 96);
    // Flipped: the light quadrant is at the bottom left.
    EXPECT_GT(QuadrantMean(gray, 128, 96, 2), 200);
    EXPECT_LT(QuadrantMean(gray, 128, 96, 1), 50);
    // Twice the source's size keeps the edge between the quadrants sharp (two columns between
    // light and dark); sixteen times an 8x6 picture would smear it over about sixteen.
    const auto row = gray.begin() + 84 * 128;
    const int darkest = *std::min_element(row, row + 128);
    const int lightest = *std::max_element(row, row + 128);
    EXPECT_LE(std::count_if(row, row + 128, [&](int value) { return value > darkest + 30 && value < lightest - 30; }), 4);
}
