// Whole conversions with a video filter chain, checked with ffprobe and ffmpeg: the pictures
// in the written file, its size and duration, pad bands around filtered pictures, failures.
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

TEST_F(FilterTranscode, WrittenPicturesSizesAndDurations)
{
    struct Case {
        const char* chain;
        int light;  // the quadrant that is light (or, negated, dark); -1: not looked at
        bool negated;
        const char* size;
        double duration;
    };
    const Case cases[] = {
        {"vflip,hflip,negate", 3, true, "64\n48", 2.0},
        {"setpts=0.5*PTS", 0, false, "64\n48", 1.0},
        // Halving with no size asked: the encoder takes the halved size.
        {"scale=iw/2:ih/2", -1, false, "32\n24", 2.0},
    };
    for (const Case& c : cases) {
        CapturingTask task;
        const std::string out = Out("out.mkv");
        ASSERT_EQ(Convert(task, m_clip, out, std::string("vcodec=ffv1\nvfilters=") + c.chain), "") << c.chain;
        EXPECT_TRUE(task.Finished) << c.chain;
        EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), c.size) << c.chain;
        EXPECT_NEAR(ProbeDuration(out), c.duration, 0.1) << c.chain;
        EXPECT_NEAR(CountFrames(out), c.duration * 25, 1) << c.chain;
        EXPECT_EQ(DecodeErrors(out), "") << c.chain;
        if (c.light < 0) continue;
        for (int picture : {0, 20}) {
            const std::vector<unsigned char> gray = DecodeGray(out, picture);
            for (int quadrant = 0; quadrant < 4; ++quadrant) {
                const double mean = QuadrantMean(gray, 64, 48, quadrant);
                if ((quadrant == c.light) != c.negated)
                    EXPECT_GT(mean, 200) << c.chain << " picture " << picture << " quadrant " << quadrant;
                else
                    EXPECT_LT(mean, 50) << c.chain << " picture " << picture << " quadrant " << quadrant;
            }
        }
    }
}

TEST_F(FilterTranscode, PadBandsGoAroundTheFilteredPicture)
{
    CapturingTask task;
    const std::string out = Out("padded.mkv");
    // Scaled to 32x24 before the chain, mirrored, then 8 columns of white left and right.
    ASSERT_EQ(Convert(task, m_clip, out, "vcodec=ffv1\ns=32x24\npadleft=8\npadright=8\npadcolor=16777215\nvfilters=hflip"),
              "");
    EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), "48\n24");
    const std::vector<unsigned char> gray = DecodeGray(out, 5);
    ASSERT_EQ(gray.size(), 48u * 24);
    EXPECT_GT(RegionMean(gray, 48, 0, 0, 8, 24), 200);    // left band
    EXPECT_LT(RegionMean(gray, 48, 9, 1, 23, 11), 50);    // picture: top left now dark
    EXPECT_GT(RegionMean(gray, 48, 25, 1, 39, 11), 200);  // top right now light
    EXPECT_LT(RegionMean(gray, 48, 8, 13, 40, 24), 50);   // bottom half dark
    EXPECT_GT(RegionMean(gray, 48, 40, 0, 48, 24), 200);  // right band
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
    };
    const Case cases[] = {
        // The first picture again and again, while the input waits: the recording time ends it.
        {"t=1\nvfilters=loop=loop=-1:size=1", 25},
        // Endless pictures after the input's end: the frame limit ends it.
        {"vframes=70\nvfilters=tpad=stop=-1", 70},
        // No limit at all: the task's stop, asked at the 100th picture, ends it with a complete file.
        {"vfilters=loop=loop=-1:size=1", 100},
    };
    for (const Case& c : cases) {
        StoppingTask task(100);
        const std::string out = Out("endless.avi");
        ASSERT_EQ(Convert(task, m_clip, out, std::string("vcodec=mpeg4\n") + c.options), "") << c.options;
        EXPECT_NEAR(CountFrames(out), c.frames, 1) << c.options;
        EXPECT_EQ(DecodeErrors(out), "") << c.options;
    }
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
