// Pictures through the video filter graph: pixels, sizes and times of what comes out, the end
// of input, and pictures that change size in mid-stream.
#include <gtest/gtest.h>

#include "filter_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr std::int64_t kPictureTime = 40000;  // 25 pictures per second, in microseconds

class FilterGraphPictures : public FilterTest {
protected:
    static TFramePtr Quadrant(int width = kWidth, int height = kHeight)
    {
        return LumaPicture(width, height, [=](int x, int y) { return TopLeftLight(width, height, x, y); });
    }
};

// Luma in the middle of each quadrant: top left, top right, bottom left, bottom right.
std::vector<int> QuadrantLumas(const AVFrame& picture)
{
    const int w = picture.width;
    const int h = picture.height;
    return {LumaAt(picture, w / 4, h / 4), LumaAt(picture, 3 * w / 4, h / 4), LumaAt(picture, w / 4, 3 * h / 4),
            LumaAt(picture, 3 * w / 4, 3 * h / 4)};
}

}  // namespace

// Pixels, sizes and times of what comes out. Times come back in microseconds whatever time base
// the chain ends in.
TEST_F(FilterGraphPictures, PixelsSizesAndTimesOfWhatComesOut)
{
    constexpr int kNegatedLight = 255 - kLight;
    constexpr int kNegatedDark = 255 - kDark;
    struct Case {
        const char* chain;
        std::vector<int> lumas;  // of the quadrants; none for a chain that blurs them
        int width;
        int height;
        double timeFactor;
    };
    const Case cases[] = {
        {"null", {kLight, kDark, kDark, kDark}, kWidth, kHeight, 1.0},
        {"vflip", {kDark, kDark, kLight, kDark}, kWidth, kHeight, 1.0},
        {"vflip,hflip,negate", {kNegatedDark, kNegatedDark, kNegatedDark, kNegatedLight}, kWidth, kHeight, 1.0},
        {"scale=320:240", {}, 320, 240, 1.0},
        {"setpts=0.5*PTS", {kLight, kDark, kDark, kDark}, kWidth, kHeight, 0.5},
        {"settb=1/25", {kLight, kDark, kDark, kDark}, kWidth, kHeight, 1.0},
        {"vflip,hflip,negate,scale=320:240,rotate=45*PI/180,setpts=0.5*PTS", {}, 320, 240, 0.5},
    };
    constexpr int kPictures = 6;
    for (const Case& c : cases) {
        GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\nvfilters=") + c.chain);
        ASSERT_EQ(stage.Build(), "") << c.chain;
        std::vector<std::int64_t> times;
        TFramePtr picture = Quadrant();
        const std::vector<TFramePtr> pulled = stage.FilterAll(std::vector<const AVFrame*>(kPictures, picture.get()), &times);
        ASSERT_EQ(pulled.size(), static_cast<std::size_t>(kPictures)) << c.chain;
        for (int index = 0; index < kPictures; ++index) {
            EXPECT_EQ(pulled[index]->width, c.width) << c.chain;
            EXPECT_EQ(pulled[index]->height, c.height) << c.chain;
            EXPECT_EQ(pulled[index]->format, AV_PIX_FMT_YUV420P) << c.chain;
            EXPECT_EQ(times[index], static_cast<std::int64_t>(index * kPictureTime * c.timeFactor)) << c.chain;
            if (!c.lumas.empty()) {
                EXPECT_EQ(QuadrantLumas(*pulled[index]), c.lumas) << c.chain;
            }
        }
        // The decoder's picture is the caller's: the filters worked on their own copy.
        EXPECT_EQ(QuadrantLumas(*picture), (std::vector<int>{kLight, kDark, kDark, kDark})) << c.chain;
    }
}

// mpeg4 codes only 4:2:0: the library converts before the sink, with no scaler of ours.
TEST_F(FilterGraphPictures, ConvertsToTheEncoderFormat)
{
    const std::string full = MakeMedia(m_folder.Path("444.mkv"),
                                       "-f lavfi -i testsrc=d=1:s=64x48:r=25 -pix_fmt yuv444p -c:v ffv1");
    ASSERT_FALSE(full.empty());
    GraphStage stage(full, Out("out.avi"), "vcodec=mpeg4\nvfilters=hflip");
    ASSERT_EQ(stage.Build(), "");
    EXPECT_EQ(stage.Encoder().pix_fmt, AV_PIX_FMT_YUV420P);
    const std::string graph = stage.Graph().Describe();
    EXPECT_NE(graph.find("src:default--[64x48 1:1 yuv444p]"), std::string::npos) << graph;
    EXPECT_NE(graph.find("[64x48 1:1 yuv420p]--default|     out"), std::string::npos) << graph;
    EXPECT_EQ(graph.find("scale_to_encoder"), std::string::npos) << graph;
    TFramePtr picture = LumaPicture(
        kWidth, kHeight, [](int x, int y) { return TopLeftLight(kWidth, kHeight, x, y); }, AV_PIX_FMT_YUV444P);
    const std::vector<TFramePtr> pulled = stage.FilterAll({picture.get()});
    ASSERT_EQ(pulled.size(), 1u);
    EXPECT_EQ(pulled[0]->format, AV_PIX_FMT_YUV420P);
    const std::vector<int> lumas = QuadrantLumas(*pulled[0]);
    EXPECT_NEAR(lumas[0], kDark, 2);
    EXPECT_NEAR(lumas[1], kLight, 2);
}

TEST_F(FilterGraphPictures, HeldPicturesComeOutAtTheEnd)
{
    // "reverse" gives nothing before the input ends.
    GraphStage stage(m_clip, Out(), "vcodec=ffv1\nvfilters=reverse");
    ASSERT_EQ(stage.Build(), "");
    for (int index = 0; index < 3; ++index) {
        TFramePtr picture = LumaPicture(kWidth, kHeight, [=](int, int) { return 50 + 50 * index; });
        EXPECT_TRUE(stage.Filter(*picture, index * kPictureTime).empty());
    }
    std::vector<std::int64_t> times;
    std::vector<TFramePtr> pulled = stage.Finish(&times);
    ASSERT_EQ(pulled.size(), 3u);
    EXPECT_EQ(LumaAt(*pulled[0], 1, 1), 150);
    EXPECT_EQ(LumaAt(*pulled[2], 1, 1), 50);
    EXPECT_EQ(times, (std::vector<std::int64_t>{0, kPictureTime, 2 * kPictureTime}));
    // Closed: nothing more goes in or comes out, and closing again is harmless.
    TFramePtr late = Quadrant();
    EXPECT_FALSE(stage.Graph().Push(*late, 3 * kPictureTime));
    stage.Graph().Close();
    TFramePtr nothing = NewFrame();
    std::int64_t time = -1;
    EXPECT_FALSE(stage.Graph().Pull(nothing.get(), time));
}

TEST_F(FilterGraphPictures, PicturesThatChangeSizeAreFittedToTheSource)
{
    GraphStage stage(m_clip, Out(), "vcodec=ffv1\nvfilters=vflip");
    ASSERT_EQ(stage.Build(), "");
    TFramePtr small = Quadrant(kWidth / 2, kHeight / 2);
    TFramePtr large = Quadrant(kWidth * 2 + 2, kHeight * 2);
    TFramePtr usual = Quadrant();
    const std::vector<TFramePtr> pulled = stage.FilterAll({small.get(), large.get(), usual.get()});
    ASSERT_EQ(pulled.size(), 3u);
    for (const TFramePtr& frame : pulled) {
        EXPECT_EQ(frame->width, kWidth);
        EXPECT_EQ(frame->height, kHeight);
        const std::vector<int> lumas = QuadrantLumas(*frame);
        EXPECT_NEAR(lumas[2], kLight, 3);
        EXPECT_NEAR(lumas[0], kDark, 3);
    }
    EXPECT_EQ(stage.task.MessageCount("Input pictures changed to "), 2);
}
