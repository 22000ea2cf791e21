// The picture and text module "imlib2.so", configured with the option form's own lines.
#include <gtest/gtest.h>
#include <libavutil/pixfmt.h>

#include "hook_test_support.h"

using namespace mirelk::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// The picture the build draws for this module.
constexpr int kPictureWidth = 64;
constexpr int kPictureHeight = 48;
constexpr std::uint8_t kBlack = 16;

class VhookImlib2 : public LibrariesLoaded {
protected:
    const TPlanarPicture m_black = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
};

std::string PictureLine(const std::string& x, const std::string& y)
{
    return HookLine("imlib2.so", "-i " + VhookPath("imlib2.jpg") + " -x " + x + " -y " + y);
}

std::vector<int> Edges(const TChangedArea& area) { return {area.left, area.top, area.right, area.bottom}; }

}  // namespace

TEST_F(VhookImlib2, PictureIsDrawnWhereItsPositionSaysAndCutToTheFrame)
{
    const int right = kWidth - 1, bottom = kHeight - 1;
    const struct {
        const char *x, *y;
        std::vector<int> edges;  // left, top, right, bottom of what is drawn
    } cases[] = {
        {"W-w", "H-h", {kWidth - kPictureWidth, kHeight - kPictureHeight, right, bottom}},
        {"-w/2", "-h/2", {0, 0, kPictureWidth / 2 - 1, kPictureHeight / 2 - 1}},
        {"W-w/2", "H-h/4", {kWidth - kPictureWidth / 2, kHeight - kPictureHeight / 4, right, bottom}},
        // Far outside, or at no number at all: nothing is drawn.
        {"W", "0", {0, 0, -1, -1}}, {"-w", "0", {0, 0, -1, -1}}, {"1e300", "0", {0, 0, -1, -1}},
        {"-1e300", "0", {0, 0, -1, -1}}, {"1/0", "0", {0, 0, -1, -1}}, {"sqrt(-1)", "0", {0, 0, -1, -1}},
    };
    for (const auto& item : cases) {
        const TPlanarPicture picture = DrawnBy(PictureLine(item.x, item.y), m_black);
        const TChangedArea drawn = picture.Changed(m_black);
        EXPECT_EQ(Edges(drawn), item.edges) << item.x;
        // The picture is bright all over: every pixel it covers changes.
        EXPECT_EQ(drawn.count, drawn.Width() * drawn.Height()) << item.x;
    }
    const TPlanarPicture corner = DrawnBy(PictureLine("W-w", "H-h"), m_black);
    const TChangedArea tinted = corner.Changed(m_black, 1);
    EXPECT_FALSE(tinted.Empty());
    EXPECT_GE(tinted.left, (kWidth - kPictureWidth) / 2);
    EXPECT_GE(tinted.top, (kHeight - kPictureHeight) / 2);
    // The white disc in its middle stays white.
    EXPECT_GE(corner.Luma(kWidth - kPictureWidth / 2, kHeight - kPictureHeight / 2), 230);
    // A frame smaller than the picture is covered whole.
    const TPlanarPicture tiny = TPlanarPicture::Yuv420(15, 9, kBlack);
    EXPECT_EQ(DrawnBy(PictureLine("W-w", "H-h"), tiny).Changed(tiny).count, 15 * 9);
}

TEST_F(VhookImlib2, OtherPlanarLayoutsAreDrawnOnAndOthersLeftAlone)
{
    const struct {
        int format, shiftX, shiftY;
    } layouts[] = {{AV_PIX_FMT_YUV422P, 1, 0}, {AV_PIX_FMT_YUV444P, 0, 0}, {AV_PIX_FMT_YUVJ420P, 1, 1}};
    for (const auto& layout : layouts) {
        const TPlanarPicture black(kWidth, kHeight, layout.format, layout.shiftX, layout.shiftY, kBlack, 128);
        const TPlanarPicture picture = DrawnBy(PictureLine("W-w", "H-h"), black);
        EXPECT_EQ(Edges(picture.Changed(black)),
                  (std::vector<int>{kWidth - kPictureWidth, kHeight - kPictureHeight, kWidth - 1, kHeight - 1}));
        const TChangedArea tinted = picture.Changed(black, 1);
        EXPECT_EQ(tinted.left, (kWidth - kPictureWidth) >> layout.shiftX) << layout.format;
        EXPECT_EQ(tinted.top, (kHeight - kPictureHeight) >> layout.shiftY) << layout.format;
    }
    for (const int format : {AV_PIX_FMT_RGB24, AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P10LE}) {
        const TPlanarPicture before(kWidth, kHeight, format, 1, 1, kBlack, 128);
        const TPlanarPicture picture = DrawnBy(PictureLine("W-w", "H-h"), before);
        for (int plane = 0; plane < 3; ++plane) EXPECT_TRUE(picture.Changed(before, plane).Empty()) << format;
    }
}

TEST_F(VhookImlib2, PictureAlphaIsKept)
{
    // A white picture whose right half is transparent.
    TempFolder folder;
    const std::string picture =
        MakeMedia(folder.Path("half.png"),
                  "-f lavfi -i \"color=c=white:s=32x16,format=rgba,geq=r=255:g=255:b=255:a='if(lt(X,16),255,0)'\" "
                  "-frames:v 1");
    ASSERT_FALSE(picture.empty());
    const TPlanarPicture black = TPlanarPicture::Yuv420(64, 48, kBlack);
    const TPlanarPicture frame = DrawnBy(HookLine("imlib2.so", "-i " + picture + " -x 8 -y 4"), black);
    EXPECT_EQ(Edges(frame.Changed(black)), (std::vector<int>{8, 4, 8 + 15, 4 + 15}));
    EXPECT_EQ(frame.Luma(8, 4), 235);
}

TEST_F(VhookImlib2, TextsAreDrawnInTheirColourAtTheirPlace)
{
    const auto text = [](const std::string& words) {
        return HookLine("imlib2.so", "-R 255 -G 255 -B 255 -F Tahoma.ttf/16 -t " + words + " -x 10 -y 10");
    };
    const TPlanarPicture oneWord = DrawnBy(text("Hello"), m_black);
    const TChangedArea drawn = oneWord.Changed(m_black);
    ASSERT_FALSE(drawn.Empty());
    EXPECT_GE(drawn.left, 10);
    EXPECT_LE(drawn.left, 14);
    EXPECT_GE(drawn.top, 10);
    EXPECT_LE(drawn.top, 24);
    EXPECT_LE(drawn.right, 10 + 5 * 16);
    EXPECT_LE(drawn.bottom, 10 + 40);
    EXPECT_GE(drawn.count, 100);
    // White text: the strongest strokes reach white, the colour stays neutral.
    EXPECT_GE(oneWord.Highest(0, drawn), 230);
    EXPECT_TRUE(oneWord.Changed(m_black, 1).Empty() && oneWord.Changed(m_black, 2).Empty());

    // The option form puts a text in as it is; the engine then splits it at its blanks, and
    // the module joins the words again, one blank apart.
    const TPlanarPicture threeWords = DrawnBy(text("Hello big  world"), m_black);
    EXPECT_EQ(threeWords.Changed(m_black).left, drawn.left);
    EXPECT_GT(threeWords.Changed(m_black).Width(), 2 * drawn.Width());
    EXPECT_GT(threeWords.Changed(oneWord).left, drawn.right + 1);  // a column without ink after "Hello"

    // The engine splits at "|" when the value has one, so a text may hold blanks.
    const TPlanarPicture red = DrawnBy(VhookPath("imlib2.so") + "|-t|Red text|-R|255|-G|0|-B|0|-x|0|-y|0", m_black);
    const TChangedArea tinted = red.Changed(m_black, 2);
    ASSERT_FALSE(tinted.Empty());
    EXPECT_GT(red.Highest(2, tinted), 170);
    EXPECT_GT(red.Changed(m_black).Width(), 60);  // wider than "Red" alone
}
