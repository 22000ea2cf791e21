// The picture and text module "imlib2.so", configured with the option form's own lines.
#include <gtest/gtest.h>
#include <libavutil/pixfmt.h>

#include <algorithm>
#include <cmath>

#include "vhook_test_support.h"

using namespace mirelk::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// The picture the build draws for this module.
constexpr int kPictureWidth = 64;
constexpr int kPictureHeight = 48;
constexpr std::uint8_t kBlack = 16;

class VhookImlib2 : public LibrariesLoaded {};

std::string PictureLine(const std::string& x, const std::string& y)
{
    return HookLine("imlib2.so", "-i " + VhookPath("imlib2.jpg") + " -x " + x + " -y " + y);
}

std::string TextLine(const std::string& text, const std::string& y)
{
    return HookLine("imlib2.so", "-R 255 -G 255 -B 255 -F Tahoma.ttf/16 -t " + text + " -x 10 -y " + y);
}

// Runs the task on black frames until frame number `frame`, and returns what it drew there.
TChangedArea DrawnAtFrame(THookTask& task, int frame, int& framesRun)
{
    TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = picture;
    for (; framesRun < frame; ++framesRun) {
        TPlanarPicture scratch = black;
        task.Run(scratch);
    }
    task.Run(picture);
    ++framesRun;
    EXPECT_TRUE(picture.OutsideUntouched());
    return picture.Changed(black);
}

void ExpectRefused(const std::string& value)
{
    THookTask task(value);
    EXPECT_EQ(task.Error(), "Failed to add video hook function: " + value);
    EXPECT_TRUE(task.Logged("Failed to Configure " + VhookPath("imlib2.so"))) << value;
}

}  // namespace

TEST_F(VhookImlib2, PictureSitsInTheBottomRightCorner)
{
    THookTask task(PictureLine("W-w", "H-h"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = picture;
    task.Run(picture);
    const TChangedArea drawn = picture.Changed(black);
    EXPECT_EQ(drawn.left, kWidth - kPictureWidth);
    EXPECT_EQ(drawn.top, kHeight - kPictureHeight);
    EXPECT_EQ(drawn.right, kWidth - 1);
    EXPECT_EQ(drawn.bottom, kHeight - 1);
    // The picture is bright all over: every pixel it covers changes.
    EXPECT_EQ(drawn.count, kPictureWidth * kPictureHeight);
    const TChangedArea tinted = picture.Changed(black, 1);
    EXPECT_GE(tinted.left, (kWidth - kPictureWidth) / 2);
    EXPECT_GE(tinted.top, (kHeight - kPictureHeight) / 2);
    EXPECT_FALSE(tinted.Empty());
    EXPECT_TRUE(picture.OutsideUntouched());
    // The white disc in its middle stays white.
    EXPECT_GE(picture.Luma(kWidth - kPictureWidth / 2, kHeight - kPictureHeight / 2), 230);
}

TEST_F(VhookImlib2, DancingPictureMovesFromFrameToFrame)
{
    THookTask task(PictureLine("(W-w)*(0.5+0.5*sin(N/47*PI))", "(H-h)*(0.5+0.5*cos(N/97*PI))"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    int framesRun = 0;
    for (int frame : {0, 20, 60, 97}) {
        const TChangedArea drawn = DrawnAtFrame(task, frame, framesRun);
        const double pi = std::acos(-1.0);
        const long x = std::lround((kWidth - kPictureWidth) * (0.5 + 0.5 * std::sin(frame / 47.0 * pi)));
        const long y = std::lround((kHeight - kPictureHeight) * (0.5 + 0.5 * std::cos(frame / 97.0 * pi)));
        EXPECT_EQ(drawn.left, x) << "frame " << frame;
        EXPECT_EQ(drawn.top, y) << "frame " << frame;
        EXPECT_EQ(drawn.Width(), kPictureWidth) << "frame " << frame;
        EXPECT_EQ(drawn.Height(), kPictureHeight) << "frame " << frame;
    }
}

TEST_F(VhookImlib2, TextIsDrawnAtItsPositionOnly)
{
    THookTask task(TextLine("Qelvan", "10"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = picture;
    task.Run(picture);
    const TChangedArea drawn = picture.Changed(black);
    ASSERT_FALSE(drawn.Empty());
    EXPECT_GE(drawn.left, 10);
    EXPECT_LE(drawn.left, 14);
    EXPECT_GE(drawn.top, 10);
    EXPECT_LE(drawn.top, 24);
    EXPECT_LE(drawn.right, 10 + 6 * 16);
    EXPECT_LE(drawn.bottom, 10 + 40);
    EXPECT_GE(drawn.count, 100);
    // White text: the strongest strokes reach white, the colour stays neutral.
    int brightest = 0;
    for (int y = drawn.top; y <= drawn.bottom; ++y)
        for (int x = drawn.left; x <= drawn.right; ++x) brightest = std::max<int>(brightest, picture.Luma(x, y));
    EXPECT_GE(brightest, 230);
    EXPECT_TRUE(picture.Changed(black, 1).Empty());
    EXPECT_TRUE(picture.Changed(black, 2).Empty());
    EXPECT_TRUE(picture.OutsideUntouched());
}

TEST_F(VhookImlib2, ScrollingTextMovesAndIsCutAtTheEdge)
{
    THookTask task(TextLine("Qelvan", "(H-25)*(0.5+0.50*cos(N/97*PI))"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    int framesRun = 0;
    // Frame 0: the text's top is at H-25, so its lower part falls below the frame.
    const TChangedArea first = DrawnAtFrame(task, 0, framesRun);
    ASSERT_FALSE(first.Empty());
    EXPECT_GE(first.top, kHeight - 25);
    // Frame 97: cos(PI) = -1, the text is at the top.
    const TChangedArea later = DrawnAtFrame(task, 97, framesRun);
    ASSERT_FALSE(later.Empty());
    EXPECT_LT(later.bottom, 40);
}

TEST_F(VhookImlib2, TextColourAndBlanksThroughBars)
{
    // The engine splits at "|" when the value has one, so a text may hold blanks.
    THookTask task(VhookPath("imlib2.so") + "|-t|Red text|-R|255|-G|0|-B|0|-x|0|-y|0");
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = picture;
    task.Run(picture);
    const TChangedArea tinted = picture.Changed(black, 2);
    ASSERT_FALSE(tinted.Empty());
    int reddest = 128;
    for (int y = tinted.top; y <= tinted.bottom; ++y)
        for (int x = tinted.left; x <= tinted.right; ++x) reddest = std::max<int>(reddest, picture.V(x, y));
    EXPECT_GT(reddest, 170);
    // "Red text" is wider than "Red" alone would be.
    EXPECT_GT(picture.Changed(black).Width(), 60);
}

TEST_F(VhookImlib2, TextWithBlanksInABlankSeparatedLine)
{
    // The option form puts the text in as it is; the engine then splits it at its blanks.
    THookTask one(TextLine("Hello", "10"));
    THookTask three(TextLine("Hello big  world", "10"));
    ASSERT_TRUE(one.Accepted()) << one.Error();
    ASSERT_TRUE(three.Accepted()) << three.Error();
    TPlanarPicture oneWord = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = oneWord;
    TPlanarPicture threeWords = black;
    one.Run(oneWord);
    three.Run(threeWords);
    const TChangedArea short_ = oneWord.Changed(black);
    const TChangedArea long_ = threeWords.Changed(black);
    EXPECT_EQ(long_.left, short_.left);
    EXPECT_GT(long_.Width(), 2 * short_.Width());
    // The words stay apart: a column without ink after "Hello".
    EXPECT_GT(threeWords.Changed(oneWord).left, short_.right + 1) << short_.left << " " << long_.right;
}

TEST_F(VhookImlib2, OtherPlanarLayoutsAreDrawnOnAndOthersLeftAlone)
{
    THookTask task(PictureLine("W-w", "H-h"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    struct Layout {
        int format, shiftX, shiftY;
    };
    for (const Layout layout : {Layout{AV_PIX_FMT_YUV422P, 1, 0}, Layout{AV_PIX_FMT_YUV444P, 0, 0},
                                Layout{AV_PIX_FMT_YUVJ420P, 1, 1}}) {
        TPlanarPicture picture(kWidth, kHeight, layout.format, layout.shiftX, layout.shiftY, kBlack, 128);
        const TPlanarPicture black = picture;
        task.Run(picture);
        const TChangedArea drawn = picture.Changed(black);
        EXPECT_EQ(drawn.left, kWidth - kPictureWidth) << layout.format;
        EXPECT_EQ(drawn.top, kHeight - kPictureHeight) << layout.format;
        const TChangedArea tinted = picture.Changed(black, 1);
        EXPECT_EQ(tinted.left, (kWidth - kPictureWidth) >> layout.shiftX) << layout.format;
        EXPECT_EQ(tinted.top, (kHeight - kPictureHeight) >> layout.shiftY) << layout.format;
        EXPECT_TRUE(picture.OutsideUntouched()) << layout.format;
    }
    for (const int format : {AV_PIX_FMT_RGB24, AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P10LE}) {
        TPlanarPicture picture(kWidth, kHeight, format, 1, 1, kBlack, 128);
        const TPlanarPicture before = picture;
        task.Run(picture);
        for (int plane = 0; plane < 3; ++plane) EXPECT_TRUE(picture.Changed(before, plane).Empty()) << format;
    }
}

TEST_F(VhookImlib2, PicturesPartlyOutsideAreCutToTheFrame)
{
    struct Case {
        const char *x, *y;
        TChangedArea expected;  // left, top, right, bottom
    };
    const Case cases[] = {
        {"-w/2", "-h/2", {0, 0, kPictureWidth / 2 - 1, kPictureHeight / 2 - 1}},
        {"W-w/2", "H-h/4", {kWidth - kPictureWidth / 2, kHeight - kPictureHeight / 4, kWidth - 1, kHeight - 1}},
    };
    for (const Case& item : cases) {
        THookTask task(PictureLine(item.x, item.y));
        ASSERT_TRUE(task.Accepted()) << task.Error();
        TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
        const TPlanarPicture black = picture;
        task.Run(picture);
        const TChangedArea drawn = picture.Changed(black);
        EXPECT_EQ(drawn.left, item.expected.left) << item.x;
        EXPECT_EQ(drawn.top, item.expected.top) << item.x;
        EXPECT_EQ(drawn.right, item.expected.right) << item.x;
        EXPECT_EQ(drawn.bottom, item.expected.bottom) << item.x;
        EXPECT_TRUE(picture.OutsideUntouched()) << item.x;
    }
    // Far outside, or at no number at all: nothing is drawn.
    for (const char* x : {"W", "-w", "1e300", "-1e300", "1/0", "sqrt(-1)"}) {
        THookTask task(PictureLine(x, "0"));
        ASSERT_TRUE(task.Accepted()) << task.Error();
        TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
        const TPlanarPicture black = picture;
        task.Run(picture);
        EXPECT_TRUE(picture.Changed(black).Empty()) << x;
        EXPECT_TRUE(picture.OutsideUntouched()) << x;
    }
    // A frame smaller than the picture.
    THookTask task(PictureLine("W-w", "H-h"));
    TPlanarPicture tiny = TPlanarPicture::Yuv420(15, 9, kBlack);
    const TPlanarPicture black = tiny;
    task.Run(tiny);
    EXPECT_EQ(tiny.Changed(black).count, 15 * 9);
    EXPECT_TRUE(tiny.OutsideUntouched());
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
    THookTask task(HookLine("imlib2.so", "-i " + picture + " -x 8 -y 4"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture frame = TPlanarPicture::Yuv420(64, 48, kBlack);
    const TPlanarPicture black = frame;
    task.Run(frame);
    const TChangedArea drawn = frame.Changed(black);
    EXPECT_EQ(drawn.left, 8);
    EXPECT_EQ(drawn.right, 8 + 15);
    EXPECT_EQ(drawn.top, 4);
    EXPECT_EQ(drawn.bottom, 4 + 15);
    EXPECT_EQ(frame.Luma(8, 4), 235);
}

TEST_F(VhookImlib2, BadArgumentsFailConfigure)
{
    const std::string picture = VhookPath("imlib2.jpg");
    ExpectRefused(VhookPath("imlib2.so"));  // nothing to draw
    ExpectRefused(HookLine("imlib2.so", "-x 10 -y 10"));
    ExpectRefused(HookLine("imlib2.so", "-i " + picture + " -t Qelvan"));
    ExpectRefused(HookLine("imlib2.so", "-i /no/such/picture.jpg -x W-w -y H-h"));
    ExpectRefused(HookLine("imlib2.so", "-i " + VhookPath("") + " -x 0"));  // a folder
    ExpectRefused(HookLine("imlib2.so", "-i " + VhookPath("imlib2.so") + " -x 0"));  // not a picture
    ExpectRefused(HookLine("imlib2.so", "-i " + picture + " -x W- -y 0"));
    ExpectRefused(HookLine("imlib2.so", "-i " + picture + " -x X -y 0"));
    ExpectRefused(HookLine("imlib2.so", "-i " + picture + " -x 0 -y"));
    ExpectRefused(HookLine("imlib2.so", "-i " + picture + " -z 0"));
    ExpectRefused(HookLine("imlib2.so", "-t Qelvan -R 256"));
    ExpectRefused(HookLine("imlib2.so", "-t Qelvan -G -1"));
    ExpectRefused(HookLine("imlib2.so", "-t Qelvan -B blue"));
    ExpectRefused(HookLine("imlib2.so", "-t Qelvan -F Tahoma.ttf/0"));
    ExpectRefused(HookLine("imlib2.so", "-t Qelvan -F Tahoma.ttf/9999"));
    ExpectRefused(HookLine("imlib2.so", "-t Qelvan -F /no/such/font.ttf/16"));
    // A font that is not installed is drawn with DejaVu Sans; a path without a size gets 16.
    EXPECT_TRUE(THookTask(HookLine("imlib2.so", "-t Qelvan -F Tahoma")).Accepted());
    EXPECT_TRUE(THookTask(HookLine("imlib2.so", "-t Qelvan -F /usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"))
                    .Accepted());
}
