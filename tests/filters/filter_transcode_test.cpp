// Whole conversions with a video filter chain, checked with ffprobe and ffmpeg: the pictures
// in the written file, its size and duration, pad bands around filtered pictures, failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "filter_test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class FilterTranscode : public LibrariesLoaded {
protected:
    TempFolder m_folder;
};

// Mean luma of the rows top..bottom-1 and columns left..right-1 of a gray picture.
double RegionMean(const std::vector<unsigned char>& gray, int width, int left, int top, int right, int bottom)
{
    double sum = 0;
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x, ++count) sum += gray.at(static_cast<std::size_t>(y) * width + x);
    return count > 0 ? sum / count : -1;
}

}  // namespace

TEST_F(FilterTranscode, WrittenPicturesAreFlippedAndNegated)
{
    const std::string clip = MakeQuadrantClip(m_folder.Path("quadrant.mkv"), 64, 48, 2);
    ASSERT_FALSE(clip.empty());
    // Which quadrant is light (top left, top right, bottom left, bottom right); negated
    // pictures have one dark quadrant instead.
    struct Case {
        const char* chain;
        int odd;
        bool negated;
    };
    const Case cases[] = {
        {"vflip", 2, false},
        {"hflip", 1, false},
        {"negate", 0, true},
        {"vflip,hflip,negate", 3, true},
    };
    for (const Case& c : cases) {
        CapturingTask task;
        const std::string out = m_folder.Path(std::string(c.chain) + ".mkv");
        ASSERT_EQ(ConvertFiltered(task, clip, out, std::string("vcodec=ffv1\nvfilters=") + c.chain), "") << c.chain;
        EXPECT_TRUE(task.Finished) << c.chain;
        EXPECT_EQ(Probe(out, "v:0", "stream=codec_name,width,height"), "ffv1\n64\n48") << c.chain;
        EXPECT_EQ(CountFrames(out), 50) << c.chain;
        EXPECT_NEAR(ProbeDuration(out), 2.0, 0.1) << c.chain;
        EXPECT_EQ(DecodeErrors(out), "") << c.chain;
        for (int picture : {0, 37}) {
            const std::vector<unsigned char> gray = DecodeGray(out, picture);
            ASSERT_EQ(gray.size(), 64u * 48) << c.chain;
            for (int quadrant = 0; quadrant < 4; ++quadrant) {
                const bool light = (quadrant == c.odd) != c.negated;
                const double mean = QuadrantMean(gray, 64, 48, quadrant);
                if (light)
                    EXPECT_GT(mean, 200) << c.chain << " picture " << picture << " quadrant " << quadrant;
                else
                    EXPECT_LT(mean, 50) << c.chain << " picture " << picture << " quadrant " << quadrant;
            }
        }
    }
}

TEST_F(FilterTranscode, SizesAndDurations)
{
    const std::string clip = MakeWhiteClip(m_folder.Path("white.mkv"), 160, 120, 2);
    ASSERT_FALSE(clip.empty());
    struct Case {
        const char* chain;
        const char* size;
        double duration;
    };
    const Case cases[] = {
        {"scale=320:240", "320\n240", 2.0},
        {"rotate=45*PI/180", "160\n120", 2.0},
        {"setpts=0.5*PTS", "160\n120", 1.0},
        // Halving with no size asked: the encoder takes the halved size.
        {"scale=iw/2:ih/2", "80\n60", 2.0},
        {"vflip,hflip,negate,scale=320:240,rotate=45*PI/180,setpts=0.5*PTS", "320\n240", 1.0},
    };
    for (const Case& c : cases) {
        CapturingTask task;
        const std::string out = m_folder.Path("out.avi");
        ASSERT_EQ(ConvertFiltered(task, clip, out, std::string("vcodec=mpeg4\nqscale=5\nvfilters=") + c.chain), "") << c.chain;
        EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), c.size) << c.chain;
        EXPECT_NEAR(ProbeDuration(out), c.duration, 0.1) << c.chain;
        EXPECT_NEAR(CountFrames(out), c.duration * 25, 1) << c.chain;
        EXPECT_EQ(DecodeErrors(out), "") << c.chain;
    }
    // Turned by 45 degrees, the white picture leaves black corners.
    CapturingTask task;
    const std::string turned = m_folder.Path("turned.mkv");
    ASSERT_EQ(ConvertFiltered(task, clip, turned, "vcodec=ffv1\nvfilters=rotate=45*PI/180"), "");
    const std::vector<unsigned char> gray = DecodeGray(turned, 10);
    ASSERT_EQ(gray.size(), 160u * 120);
    EXPECT_LT(RegionMean(gray, 160, 0, 0, 8, 8), 30);
    EXPECT_LT(RegionMean(gray, 160, 152, 112, 160, 120), 30);
    EXPECT_GT(RegionMean(gray, 160, 70, 50, 90, 70), 220);
}

TEST_F(FilterTranscode, PadBandsGoAroundTheFilteredPicture)
{
    const std::string clip = MakeQuadrantClip(m_folder.Path("quadrant.mkv"), 64, 48, 1);
    ASSERT_FALSE(clip.empty());
    CapturingTask task;
    const std::string out = m_folder.Path("padded.mkv");
    // Scaled to 32x24 before the chain, mirrored, then 8 rows of white above and below.
    ASSERT_EQ(ConvertFiltered(task, clip, out, "vcodec=ffv1\ns=32x24\npadtop=8\npadbottom=8\npadcolor=16777215\nvfilters=hflip"),
              "");
    EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), "32\n40");
    const std::vector<unsigned char> gray = DecodeGray(out, 5);
    ASSERT_EQ(gray.size(), 32u * 40);
    EXPECT_GT(RegionMean(gray, 32, 0, 0, 32, 8), 200);     // top band
    EXPECT_LT(RegionMean(gray, 32, 1, 9, 15, 19), 50);     // picture: top left now dark
    EXPECT_GT(RegionMean(gray, 32, 17, 9, 31, 19), 200);   // top right now light
    EXPECT_LT(RegionMean(gray, 32, 0, 21, 32, 31), 50);    // bottom half dark
    EXPECT_GT(RegionMean(gray, 32, 0, 32, 32, 40), 200);   // bottom band
}

TEST_F(FilterTranscode, TheSampleThroughAChain)
{
    const std::string sample = SamplePath("h264-aac-1080p.mp4");
    if (sample.empty()) GTEST_SKIP() << "no shared samples";
    {
        // Full-range 4:2:0 in, mpeg4 out: the graph converts; audio goes along unchanged.
        CapturingTask task;
        const std::string out = m_folder.Path("quarter.avi");
        ASSERT_EQ(ConvertFiltered(task, sample, out, "vcodec=mpeg4\nqscale=5\nacodec=libmp3lame\nvfilters=scale=iw/4:ih/4,vflip"),
                  "");
        EXPECT_EQ(Probe(out, "v:0", "stream=codec_name,width,height,pix_fmt"), "mpeg4\n480\n270\nyuv420p");
        EXPECT_EQ(CountFrames(out), 125);
        EXPECT_NEAR(ProbeDuration(out), ProbeDuration(sample), 0.15);
        EXPECT_EQ(DecodeErrors(out), "");
    }
    {
        CapturingTask task;
        const std::string out = m_folder.Path("fast.avi");
        ASSERT_EQ(ConvertFiltered(task, sample, out, "vcodec=mpeg4\nqscale=5\nan\nvfilters=setpts=0.5*PTS,scale=320:180"), "");
        EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), "320\n180");
        EXPECT_NEAR(ProbeDuration(out), ProbeDuration(sample) / 2, 0.1);
        EXPECT_EQ(DecodeErrors(out), "");
    }
}

TEST_F(FilterTranscode, FailuresLeaveNoFile)
{
    const std::string clip = MakeQuadrantClip(m_folder.Path("quadrant.mkv"), 64, 48, 1);
    ASSERT_FALSE(clip.empty());
    const std::string out = m_folder.Path("out.avi");
    {
        CapturingTask task;
        EXPECT_EQ(ConvertFiltered(task, clip, out, "vcodec=mpeg4\nvfilters=vflip,hfilp"),
                  "Error opening filters: No such filter: 'hfilp'");
        EXPECT_FALSE(task.Finished);
        EXPECT_FALSE(fs::exists(out));
    }
    {
        CapturingTask task;
        EXPECT_EQ(ConvertFiltered(task, clip, out, "vcodec=mpeg4\nvfilters=negate=xyz"),
                  "Error opening filters: Cannot parse \"negate=xyz\": Invalid argument");
        EXPECT_FALSE(fs::exists(out));
    }
    {
        // A crop given once the output is open reaches the graph's own check.
        CapturingTask task;
        EXPECT_EQ(ConvertFiltered(task, clip, out, "vcodec=mpeg4\nvfilters=vflip", "croptop=8"),
                  "Error opening filters: Cannot enable crop options and filters at the same time.");
        EXPECT_FALSE(fs::exists(out));
    }
    {
        CapturingTask task;
        EXPECT_EQ(ConvertFiltered(task, clip, out, "vcodec=mpeg4\npadleft=8\npadright=8\nvfilters=pad=iw+16:ih"),
                  "Error opening filters: Cannot enable pad options and the filters which resize frame at the same "
                  "time. (crop, rotate, scale, transpose, etc.)");
        EXPECT_FALSE(fs::exists(out));
    }
    // The task works again afterwards.
    CapturingTask task;
    EXPECT_EQ(ConvertFiltered(task, clip, out, "vcodec=mpeg4\nvfilters=vflip"), "");
    EXPECT_EQ(CountFrames(out), 25);
}

TEST_F(FilterTranscode, EndlessChainsEndWithTheRun)
{
    const std::string clip = MakeQuadrantClip(m_folder.Path("quadrant.mkv"), 64, 48, 1);
    ASSERT_FALSE(clip.empty());
    {
        // The first picture again and again, while the input waits: the recording time ends it.
        CapturingTask task;
        const std::string out = m_folder.Path("looped.avi");
        ASSERT_EQ(ConvertFiltered(task, clip, out, "vcodec=mpeg4\nt=2\nvfilters=loop=loop=-1:size=1"), "");
        EXPECT_NEAR(CountFrames(out), 50, 1);
        EXPECT_EQ(DecodeErrors(out), "");
    }
    {
        // Endless pictures after the input's end: the frame limit ends it.
        CapturingTask task;
        const std::string out = m_folder.Path("padded.avi");
        ASSERT_EQ(ConvertFiltered(task, clip, out, "vcodec=mpeg4\nvframes=40\nvfilters=tpad=stop=-1"), "");
        EXPECT_EQ(CountFrames(out), 40);
        EXPECT_EQ(DecodeErrors(out), "");
    }
    {
        // No limit at all: the task's stop ends it, with a complete file.
        CapturingTask task;
        const std::string out = m_folder.Path("stopped.avi");
        std::thread stopper([&task] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            task.StopRequested = true;
        });
        const std::string result = ConvertFiltered(task, clip, out, "vcodec=mpeg4\nvfilters=loop=loop=-1:size=1");
        stopper.join();
        EXPECT_EQ(result, "");
        EXPECT_GT(CountFrames(out), 0);
        EXPECT_EQ(DecodeErrors(out), "");
    }
}

// Each output filters the source's pictures itself: a small and a large output of one source
// both come straight from the source's pictures, the large one not from the small one's.
TEST_F(FilterTranscode, TwoOutputsOfOneSourceFilterEachAtItsOwnSize)
{
    const std::string clip = MakeQuadrantClip(m_folder.Path("quadrant.mkv"), 64, 48, 2);
    ASSERT_FALSE(clip.empty());
    const std::string small = m_folder.Path("small.mkv");
    const std::string large = m_folder.Path("large.mkv");
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(clip));
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
    const long between = std::count_if(row, row + 128, [&](int value) {
        return value > darkest + 30 && value < lightest - 30;
    });
    EXPECT_LE(between, 4);
}
