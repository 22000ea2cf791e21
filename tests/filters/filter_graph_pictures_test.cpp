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

class FilterGraphPictures : public LibrariesLoaded {
protected:
    void SetUp() override
    {
        LibrariesLoaded::SetUp();
        m_clip = MakeQuadrantClip(m_folder.Path("quadrant.mkv"), kWidth, kHeight, 1);
        ASSERT_FALSE(m_clip.empty());
    }
    std::string Out() const { return m_folder.Path("out.mkv"); }
    static TFramePtr Quadrant(int width = kWidth, int height = kHeight)
    {
        return LumaPicture(width, height, [=](int x, int y) { return TopLeftLight(width, height, x, y); });
    }

    TempFolder m_folder;
    std::string m_clip;
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

TEST_F(FilterGraphPictures, FlipsAndNegationMovePixelsWhereTheyBelong)
{
    constexpr int kNegatedLight = 255 - kLight;
    constexpr int kNegatedDark = 255 - kDark;
    struct Case {
        const char* chain;
        std::vector<int> lumas;
    };
    const Case cases[] = {
        {"null", {kLight, kDark, kDark, kDark}},
        {"vflip", {kDark, kDark, kLight, kDark}},
        {"hflip", {kDark, kLight, kDark, kDark}},
        {"negate", {kNegatedLight, kNegatedDark, kNegatedDark, kNegatedDark}},
        {"vflip,hflip,negate", {kNegatedDark, kNegatedDark, kNegatedDark, kNegatedLight}},
    };
    for (const Case& c : cases) {
        GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\nvfilters=") + c.chain);
        ASSERT_EQ(stage.Build(), "") << c.chain;
        TFramePtr picture = Quadrant();
        std::vector<TFramePtr> pulled = stage.Filter(*picture, 0);
        std::vector<TFramePtr> rest = stage.Finish();
        for (TFramePtr& frame : rest) pulled.push_back(std::move(frame));
        ASSERT_EQ(pulled.size(), 1u) << c.chain;
        EXPECT_EQ(pulled[0]->width, kWidth) << c.chain;
        EXPECT_EQ(pulled[0]->height, kHeight) << c.chain;
        EXPECT_EQ(pulled[0]->format, AV_PIX_FMT_YUV420P) << c.chain;
        EXPECT_EQ(QuadrantLumas(*pulled[0]), c.lumas) << c.chain;
        // The decoder's picture is the caller's: the filters worked on their own copy.
        EXPECT_EQ(QuadrantLumas(*picture), (std::vector<int>{kLight, kDark, kDark, kDark})) << c.chain;
    }
}

TEST_F(FilterGraphPictures, SizesAndTimesOfWhatComesOut)
{
    struct Case {
        const char* chain;
        int width;
        int height;
        double timeFactor;
    };
    const Case cases[] = {
        {"scale=320:240", 320, 240, 1.0},
        {"setpts=0.5*PTS", kWidth, kHeight, 0.5},
        // Times come back in microseconds whatever time base the chain ends in.
        {"settb=1/25", kWidth, kHeight, 1.0},
        {"rotate=45*PI/180", kWidth, kHeight, 1.0},
        {"vflip,hflip,negate,scale=320:240,rotate=45*PI/180,setpts=0.5*PTS", 320, 240, 0.5},
    };
    constexpr int kPictures = 6;
    for (const Case& c : cases) {
        GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\nvfilters=") + c.chain);
        ASSERT_EQ(stage.Build(), "") << c.chain;
        std::vector<std::int64_t> times;
        std::vector<TFramePtr> pulled;
        TFramePtr picture = Quadrant();
        for (int index = 0; index < kPictures; ++index)
            for (TFramePtr& frame : stage.Filter(*picture, index * kPictureTime, &times)) pulled.push_back(std::move(frame));
        for (TFramePtr& frame : stage.Finish(&times)) pulled.push_back(std::move(frame));
        ASSERT_EQ(pulled.size(), static_cast<std::size_t>(kPictures)) << c.chain;
        for (int index = 0; index < kPictures; ++index) {
            EXPECT_EQ(pulled[index]->width, c.width) << c.chain;
            EXPECT_EQ(pulled[index]->height, c.height) << c.chain;
            EXPECT_EQ(times[index], static_cast<std::int64_t>(index * kPictureTime * c.timeFactor)) << c.chain;
        }
    }
}

TEST_F(FilterGraphPictures, RotationFillsTheCornersAndKeepsTheMiddle)
{
    GraphStage stage(m_clip, Out(), "vcodec=ffv1\nvfilters=rotate=45*PI/180");
    ASSERT_EQ(stage.Build(), "");
    TFramePtr white = LumaPicture(kWidth, kHeight, [](int, int) { return kLight; });
    std::vector<TFramePtr> pulled = stage.Filter(*white, 0);
    for (TFramePtr& frame : stage.Finish()) pulled.push_back(std::move(frame));
    ASSERT_EQ(pulled.size(), 1u);
    const AVFrame& turned = *pulled[0];
    EXPECT_EQ(LumaAt(turned, kWidth / 2, kHeight / 2), kLight);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{kWidth - 1, 0}, std::pair{0, kHeight - 1},
                               std::pair{kWidth - 1, kHeight - 1}})
        EXPECT_LE(LumaAt(turned, x, y), kDark + 2) << x << "," << y;
}

TEST_F(FilterGraphPictures, ConvertsToTheEncoderFormat)
{
    const std::string full = MakeMedia(m_folder.Path("444.mkv"),
                                       "-f lavfi -i testsrc=d=1:s=64x48:r=25 -pix_fmt yuv444p -c:v ffv1");
    ASSERT_FALSE(full.empty());
    GraphStage stage(full, m_folder.Path("out.avi"), "vcodec=mpeg4\nvfilters=hflip");
    ASSERT_EQ(stage.Build(), "");
    TFramePtr picture = LumaPicture(
        kWidth, kHeight, [](int x, int y) { return TopLeftLight(kWidth, kHeight, x, y); }, AV_PIX_FMT_YUV444P);
    std::vector<TFramePtr> pulled = stage.Filter(*picture, 0);
    for (TFramePtr& frame : stage.Finish()) pulled.push_back(std::move(frame));
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
    std::vector<TFramePtr> pulled;
    TFramePtr small = Quadrant(kWidth / 2, kHeight / 2);
    TFramePtr large = Quadrant(kWidth * 2 + 2, kHeight * 2);
    TFramePtr usual = Quadrant();
    for (TFramePtr& frame : stage.Filter(*small, 0)) pulled.push_back(std::move(frame));
    for (TFramePtr& frame : stage.Filter(*large, kPictureTime)) pulled.push_back(std::move(frame));
    for (TFramePtr& frame : stage.Filter(*usual, 2 * kPictureTime)) pulled.push_back(std::move(frame));
    for (TFramePtr& frame : stage.Finish()) pulled.push_back(std::move(frame));
    ASSERT_EQ(pulled.size(), 3u);
    for (const TFramePtr& frame : pulled) {
        EXPECT_EQ(frame->width, kWidth);
        EXPECT_EQ(frame->height, kHeight);
        const std::vector<int> lumas = QuadrantLumas(*frame);
        EXPECT_NEAR(lumas[2], kLight, 3);
        EXPECT_NEAR(lumas[0], kDark, 3);
    }
    int notices = 0;
    for (const auto& message : stage.task.messages)
        notices += message.second.rfind("Input pictures changed to ", 0) == 0;
    EXPECT_EQ(notices, 2);
}
