// The watermark module "watermark.so" and the sample module "ZarnHook.so", configured with the
// option form's own lines.
#include <gtest/gtest.h>

#include <algorithm>

#include "vhook_test_support.h"

using namespace mirelk::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr std::uint8_t kGrey = 126;  // mid-grey in video range
constexpr std::uint8_t kBlack = 16;

class VhookWatermark : public LibrariesLoaded {};
class VhookSample : public LibrariesLoaded {};

std::string WatermarkLine(const std::string& mode)
{
    return HookLine("watermark.so", "-f " + VhookPath("watermark.gif") + " -m " + mode);
}

// The build's watermark, 160x120, stretched twice over 320x240: a white ring of radius 64 to
// 88 around the centre, a dark band over rows 108 to 131 and columns 40 to 279, the rest
// neutral mid-grey.
struct WatermarkSpots {
    static constexpr int kRingX = 160, kRingY = 44;
    static constexpr int kBandX = 160, kBandY = 120;
    static constexpr int kHoleX = 160, kHoleY = 90;
    static constexpr int kOutsideX = 10, kOutsideY = 10;
};

TPlanarPicture Watermarked(THookTask& task, int width = kWidth, int height = kHeight)
{
    TPlanarPicture picture = TPlanarPicture::Yuv420(width, height, kGrey);
    task.Run(picture);
    EXPECT_TRUE(picture.OutsideUntouched());
    return picture;
}

std::string SamplePictureLine(int x, int y, const std::string& mask = "FFFFFF")
{
    std::string arguments = "-i " + VhookPath("ZarnHook.bmp");
    if (!mask.empty()) arguments += " -mc " + mask;
    return HookLine("ZarnHook.so", arguments + " -ix " + std::to_string(x) + " -iy " + std::to_string(y));
}

std::string SampleTextLine(const std::string& style)
{
    std::string arguments = "-t Qelvan -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16";
    if (!style.empty()) arguments += " -fst " + style;
    return HookLine("ZarnHook.so", arguments);
}

void ExpectRefused(const std::string& module, const std::string& value)
{
    THookTask task(value);
    EXPECT_EQ(task.Error(), "Failed to add video hook function: " + value);
    EXPECT_TRUE(task.Logged("Failed to Configure " + VhookPath(module))) << value;
}

int WidestRow(const TPlanarPicture& picture, const TPlanarPicture& before, const TChangedArea& area)
{
    int widest = 0;
    for (int y = area.top; y <= area.bottom; ++y) widest = std::max(widest, picture.ChangedInRow(before, 0, y));
    return widest;
}

}  // namespace

TEST_F(VhookWatermark, ModeZeroLightensAndDarkensByTheMark)
{
    THookTask task(WatermarkLine("0"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    using S = WatermarkSpots;
    const TPlanarPicture marked = Watermarked(task);
    EXPECT_EQ(marked.Luma(S::kRingX, S::kRingY), 235);  // white: grey + (white - grey)
    EXPECT_EQ(marked.Luma(S::kBandX, S::kBandY), 60);   // dark grey 51,51,51
    EXPECT_EQ(marked.Luma(S::kHoleX, S::kHoleY), kGrey);
    EXPECT_EQ(marked.Luma(S::kOutsideX, S::kOutsideY), kGrey);
    // Neutral marks leave the colour alone.
    const TPlanarPicture grey = TPlanarPicture::Yuv420(kWidth, kHeight, kGrey);
    EXPECT_TRUE(marked.Changed(grey, 1).Empty());
    const TChangedArea changed = marked.Changed(grey);
    EXPECT_EQ(changed.left, 40);
    EXPECT_EQ(changed.right, 279);
    // The ring's drawn edge, to a pixel or two of its radius.
    EXPECT_NEAR(changed.top, 120 - 88, 3);
    EXPECT_NEAR(changed.bottom, 120 + 88, 3);
}

TEST_F(VhookWatermark, ModeOneBlendsTheMarkAtHalfStrength)
{
    THookTask task(WatermarkLine("1"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    using S = WatermarkSpots;
    const TPlanarPicture marked = Watermarked(task);
    EXPECT_EQ(marked.Luma(S::kRingX, S::kRingY), (kGrey * 127 + 235 * 128 + 127) / 255);
    EXPECT_EQ(marked.Luma(S::kBandX, S::kBandY), (kGrey * 127 + 60 * 128 + 127) / 255);
    EXPECT_EQ(marked.Luma(S::kHoleX, S::kHoleY), kGrey);
    EXPECT_EQ(marked.Luma(S::kOutsideX, S::kOutsideY), kGrey);
}

TEST_F(VhookWatermark, FollowsTheFrameSize)
{
    THookTask task(WatermarkLine("0"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    Watermarked(task);
    // A smaller frame, then an odd-sized one: the mark is stretched afresh each time.
    const TPlanarPicture small = Watermarked(task, 160, 120);
    EXPECT_EQ(small.Luma(80, 22), 235);
    EXPECT_EQ(small.Luma(80, 45), kGrey);
    const TPlanarPicture odd = Watermarked(task, 33, 17);
    EXPECT_FALSE(odd.Changed(TPlanarPicture::Yuv420(33, 17, kGrey)).Empty());
    const TPlanarPicture again = Watermarked(task);
    EXPECT_EQ(again.Luma(WatermarkSpots::kRingX, WatermarkSpots::kRingY), 235);
}

TEST_F(VhookWatermark, BadArgumentsFailConfigure)
{
    ExpectRefused("watermark.so", WatermarkLine("2"));
    ExpectRefused("watermark.so", WatermarkLine("-1"));
    ExpectRefused("watermark.so", WatermarkLine("one"));
    ExpectRefused("watermark.so", HookLine("watermark.so", "-m 1"));
    ExpectRefused("watermark.so", HookLine("watermark.so", "-f /no/such/watermark.gif -m 0"));
    ExpectRefused("watermark.so", HookLine("watermark.so", "-f " + VhookPath("watermark.gif") + " -m"));
    ExpectRefused("watermark.so", HookLine("watermark.so", "-f " + VhookPath("watermark.gif") + " -x 1"));
    ExpectRefused("watermark.so", VhookPath("watermark.so"));
    // Mode 0 is the default.
    EXPECT_TRUE(THookTask(HookLine("watermark.so", "-f " + VhookPath("watermark.gif"))).Accepted());
}

TEST_F(VhookSample, PictureWithMaskColourNearTheBottomRight)
{
    // As the option form places it: 10 pixels from the bottom-right corner of the source.
    const int x = kWidth - 48 - 10, y = kHeight - 48 - 10;
    THookTask task(SamplePictureLine(x, y));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = picture;
    task.Run(picture);
    const TChangedArea drawn = picture.Changed(black);
    ASSERT_FALSE(drawn.Empty());
    EXPECT_GE(drawn.left, x);
    EXPECT_GE(drawn.top, y);
    EXPECT_LT(drawn.right, x + 48);
    EXPECT_LT(drawn.bottom, y + 48);
    EXPECT_EQ(picture.Luma(x, y), kBlack);                  // the white corner is masked
    EXPECT_NE(picture.Luma(x + 24, y + 24), kBlack);        // the red square
    EXPECT_GT(picture.V((x + 24) / 2, (y + 24) / 2), 200);  // is red
    EXPECT_NE(picture.Luma(x + 24, y + 10), kBlack);        // the green disc
    EXPECT_TRUE(picture.OutsideUntouched());

    // Without a mask colour the white is drawn too.
    THookTask unmasked(SamplePictureLine(x, y, ""));
    ASSERT_TRUE(unmasked.Accepted()) << unmasked.Error();
    TPlanarPicture whole = black;
    unmasked.Run(whole);
    EXPECT_EQ(whole.Luma(x, y), 235);
    EXPECT_EQ(whole.Changed(black).count, 48 * 48);
}

TEST_F(VhookSample, PictureOfASmallSourceIsCut)
{
    // A source smaller than the picture gives negative positions.
    THookTask task(SamplePictureLine(40 - 48 - 10, 30 - 48 - 10, ""));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture picture = TPlanarPicture::Yuv420(40, 30, kBlack);
    const TPlanarPicture black = picture;
    task.Run(picture);
    const TChangedArea drawn = picture.Changed(black);
    EXPECT_EQ(drawn.left, 0);
    EXPECT_EQ(drawn.top, 0);
    EXPECT_EQ(drawn.right, 48 - 18 - 1);
    EXPECT_EQ(drawn.bottom, 48 - 28 - 1);
    EXPECT_TRUE(picture.OutsideUntouched());
}

TEST_F(VhookSample, TextWithFontSizeAndStyle)
{
    THookTask plainTask(SampleTextLine(""));
    THookTask styledTask(SampleTextLine("BU"));
    ASSERT_TRUE(plainTask.Accepted()) << plainTask.Error();
    ASSERT_TRUE(styledTask.Accepted()) << styledTask.Error();
    TPlanarPicture plain = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = plain;
    TPlanarPicture styled = black;
    plainTask.Run(plain);
    styledTask.Run(styled);
    const TChangedArea plainArea = plain.Changed(black);
    const TChangedArea styledArea = styled.Changed(black);
    ASSERT_FALSE(plainArea.Empty());
    ASSERT_FALSE(styledArea.Empty());
    for (const TChangedArea& area : {plainArea, styledArea}) {
        EXPECT_GE(area.left, 10);
        EXPECT_GE(area.top, 10);
        EXPECT_LE(area.right, 10 + 6 * 16);
        EXPECT_LE(area.bottom, 10 + 40);
    }
    // Bold strokes cover more; the underline is one changed row across the whole text.
    EXPECT_GT(styledArea.count, plainArea.count + plainArea.count / 5);
    EXPECT_EQ(WidestRow(styled, black, styledArea), styledArea.Width());
    EXPECT_LT(WidestRow(plain, black, plainArea), plainArea.Width());
    EXPECT_TRUE(styled.OutsideUntouched());

    // Italic and strikeout, and a larger size.
    THookTask slanted(SampleTextLine("IS"));
    ASSERT_TRUE(slanted.Accepted()) << slanted.Error();
    TPlanarPicture struck = black;
    slanted.Run(struck);
    const TChangedArea struckArea = struck.Changed(black);
    EXPECT_EQ(WidestRow(struck, black, struckArea), struckArea.Width());
    THookTask large(HookLine("ZarnHook.so", "-t Qelvan -tx 10 -ty 10 -fs 48"));
    ASSERT_TRUE(large.Accepted()) << large.Error();
    TPlanarPicture big = black;
    large.Run(big);
    EXPECT_GT(big.Changed(black).Width(), 2 * plainArea.Width());
}

TEST_F(VhookSample, FontNamesAndTextsWithBlanks)
{
    THookTask sans(HookLine("ZarnHook.so", "-t Qelvan Qelvan -tx 0 -ty 0 -fn DejaVuSans"));
    THookTask serif(HookLine("ZarnHook.so", "-t Qelvan Qelvan -tx 0 -ty 0 -fn DejaVu Serif"));
    ASSERT_TRUE(sans.Accepted()) << sans.Error();
    ASSERT_TRUE(serif.Accepted()) << serif.Error();
    TPlanarPicture sansPicture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = sansPicture;
    TPlanarPicture serifPicture = black;
    sans.Run(sansPicture);
    serif.Run(serifPicture);
    EXPECT_FALSE(serifPicture.Changed(sansPicture).Empty());
    EXPECT_GT(sansPicture.Changed(black).Width(), 100);
}

TEST_F(VhookSample, TextColour)
{
    THookTask task(HookLine("ZarnHook.so", "-t Qelvan -tx 0 -ty 0 -fc 0000FF -fs 24 -fst B"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = picture;
    task.Run(picture);
    const TChangedArea tinted = picture.Changed(black, 1);
    ASSERT_FALSE(tinted.Empty());
    int bluest = 128;
    for (int y = tinted.top; y <= tinted.bottom; ++y)
        for (int x = tinted.left; x <= tinted.right; ++x) bluest = std::max<int>(bluest, picture.U(x, y));
    EXPECT_GT(bluest, 180);
}

TEST_F(VhookSample, PictureAndTextTogether)
{
    THookTask task(HookLine("ZarnHook.so", "-i " + VhookPath("ZarnHook.bmp") + " -mc FFFFFF -ix 200 -iy 150 -t Qelvan"));
    ASSERT_TRUE(task.Accepted()) << task.Error();
    TPlanarPicture picture = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
    const TPlanarPicture black = picture;
    task.Run(picture);
    const TChangedArea drawn = picture.Changed(black);
    EXPECT_LT(drawn.top, 20);
    EXPECT_LT(drawn.left, 10);
    EXPECT_GT(drawn.bottom, 150);
    EXPECT_GT(drawn.right, 200);
}

TEST_F(VhookSample, BadArgumentsFailConfigure)
{
    const std::string picture = VhookPath("ZarnHook.bmp");
    ExpectRefused("ZarnHook.so", VhookPath("ZarnHook.so"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-ix 0 -iy 0"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-i /no/such/ZarnHook.bmp -mc FFFFFF -ix 0 -iy 0"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-i " + picture + " -mc GGGGGG -ix 0 -iy 0"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-i " + picture + " -mc FFF -ix 0 -iy 0"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-i " + picture + " -ix W- -iy 0"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-i " + picture + " -ix 0 -iy"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-t Qelvan -fs 0"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-t Qelvan -fs big"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-t Qelvan -fst BX"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-t Qelvan -fc white"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-t Qelvan -tx (10"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-t Qelvan -fn /no/such/font.ttf"));
    ExpectRefused("ZarnHook.so", HookLine("ZarnHook.so", "-q 1 -t Qelvan"));
}
