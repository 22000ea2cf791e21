// The watermark module "watermark.so" and the sample module "ZarnHook.so", configured with the
// option form's own lines.
#include <gtest/gtest.h>

#include <algorithm>

#include "hook_test_support.h"

using namespace mirelk::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr std::uint8_t kGrey = 126;  // mid-grey in video range
constexpr std::uint8_t kBlack = 16;

class VhookModule : public LibrariesLoaded {
protected:
    const TPlanarPicture m_black = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
};

std::string SampleLine(const std::string& arguments) { return HookLine("ZarnHook.so", arguments); }

std::string SamplePictureLine(int x, int y, const std::string& maskArgument)
{
    return SampleLine("-i " + VhookPath("ZarnHook.bmp") + maskArgument + " -ix " + std::to_string(x) + " -iy " +
                      std::to_string(y));
}

// The most changed pixels of one row of an area.
int WidestRow(const TPlanarPicture& picture, const TPlanarPicture& before)
{
    const TChangedArea area = picture.Changed(before);
    int widest = 0;
    for (int y = area.top; y <= area.bottom; ++y) widest = std::max(widest, picture.Changed(before, 0, 0, y, kWidth, y).count);
    return widest;
}

}  // namespace

TEST_F(VhookModule, WatermarkAddsOrBlendsTheMarkStretchedToEachFrame)
{
    // The build's watermark, 160x120, stretched twice over 320x240: a white ring of radius 64 to
    // 88 around the centre, a dark band (51,51,51) over rows 108 to 131 and columns 40 to 279,
    // the rest neutral mid-grey.
    const TPlanarPicture grey = TPlanarPicture::Yuv420(kWidth, kHeight, kGrey);
    const struct {
        const char* mode;
        int ring, band;
    } modes[] = {
        {"0", 235, 60},  // the mark's difference from grey is added
        {"1", (kGrey * 127 + 235 * 128 + 127) / 255, (kGrey * 127 + 60 * 128 + 127) / 255},  // half strength
    };
    for (const auto& item : modes) {
        const TPlanarPicture marked =
            DrawnBy(HookLine("watermark.so", "-f " + VhookPath("watermark.gif") + " -m " + item.mode), grey);
        EXPECT_EQ(marked.Luma(160, 44), item.ring) << item.mode;
        EXPECT_EQ(marked.Luma(160, 120), item.band) << item.mode;
        EXPECT_EQ(marked.Luma(160, 90), kGrey) << item.mode;  // inside the ring
        const TChangedArea changed = marked.Changed(grey);
        EXPECT_EQ(changed.left, 40) << item.mode;
        EXPECT_EQ(changed.right, 279) << item.mode;
        EXPECT_NEAR(changed.top, 120 - 88, 3) << item.mode;  // the ring's edge, to a pixel or two
        EXPECT_NEAR(changed.bottom, 120 + 88, 3) << item.mode;
        // Neutral marks leave the colour alone.
        EXPECT_TRUE(marked.Changed(grey, 1).Empty()) << item.mode;
    }

    // Mode 0 is the default. A smaller frame, an odd-sized one, the first size again: the mark
    // is stretched afresh each time.
    THookTask task(HookLine("watermark.so", "-f " + VhookPath("watermark.gif")));
    const TPlanarPicture small = TPlanarPicture::Yuv420(160, 120, kGrey);
    const TPlanarPicture odd = TPlanarPicture::Yuv420(33, 17, kGrey);
    std::vector<TPlanarPicture> pictures = {grey, small, odd, grey};
    for (TPlanarPicture& picture : pictures) {
        task.Run(picture);
        EXPECT_TRUE(picture.OutsideUntouched());
    }
    EXPECT_EQ(pictures[1].Luma(80, 22), 235);
    EXPECT_EQ(pictures[1].Luma(80, 45), kGrey);
    EXPECT_FALSE(pictures[2].Changed(odd).Empty());
    EXPECT_EQ(pictures[3].Luma(160, 44), 235);
}

TEST_F(VhookModule, SamplePictureWithAndWithoutMaskColour)
{
    // As the option form places it: 10 pixels from the bottom-right corner of the source.
    const int x = kWidth - 48 - 10, y = kHeight - 48 - 10;
    const TPlanarPicture masked = DrawnBy(SamplePictureLine(x, y, " -mc FFFFFF"), m_black);
    const TChangedArea drawn = masked.Changed(m_black);
    ASSERT_FALSE(drawn.Empty());
    EXPECT_GE(drawn.left, x);
    EXPECT_GE(drawn.top, y);
    EXPECT_LT(drawn.right, x + 48);
    EXPECT_LT(drawn.bottom, y + 48);
    EXPECT_EQ(masked.Luma(x, y), kBlack);                  // the white corner is masked
    EXPECT_NE(masked.Luma(x + 24, y + 24), kBlack);        // the red square
    EXPECT_GT(masked.V((x + 24) / 2, (y + 24) / 2), 200);  // is red
    EXPECT_NE(masked.Luma(x + 24, y + 10), kBlack);        // the green disc

    // Without a mask colour the white is drawn too.
    const TPlanarPicture whole = DrawnBy(SamplePictureLine(x, y, ""), m_black);
    EXPECT_EQ(whole.Luma(x, y), 235);
    EXPECT_EQ(whole.Changed(m_black).count, 48 * 48);
    // A source smaller than the picture gives negative positions: the picture is cut.
    const TPlanarPicture small = TPlanarPicture::Yuv420(40, 30, kBlack);
    const TChangedArea cut = DrawnBy(SamplePictureLine(40 - 48 - 10, 30 - 48 - 10, ""), small).Changed(small);
    EXPECT_EQ(std::vector<int>({cut.left, cut.top, cut.right, cut.bottom}), (std::vector<int>{0, 0, 29, 19}));
    // With a text as well, the text is drawn too (at 0, 0 by default).
    const TChangedArea both = DrawnBy(SampleLine("-i " + VhookPath("ZarnHook.bmp") + " -mc #FFFFFF -ix 200 -iy 150 -t Qelvan"), m_black).Changed(m_black);
    EXPECT_LT(both.top, 20);
    EXPECT_LT(both.left, 10);
    EXPECT_GT(both.bottom, 150);
    EXPECT_GT(both.right, 200);
}

TEST_F(VhookModule, SampleTextWithFontSizeStyleAndColour)
{
    const std::string text = "-t Qelvan -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16";
    const TPlanarPicture plain = DrawnBy(SampleLine(text), m_black);
    const TPlanarPicture styled = DrawnBy(SampleLine(text + " -fst BU"), m_black);
    const TChangedArea plainArea = plain.Changed(m_black);
    const TChangedArea styledArea = styled.Changed(m_black);
    ASSERT_FALSE(plainArea.Empty());
    EXPECT_GE(plainArea.left, 10);
    EXPECT_GE(plainArea.top, 10);
    // Bold strokes cover more; the underline is one changed row across the whole text, as
    // is the strikeout.
    EXPECT_GT(styledArea.count, plainArea.count + plainArea.count / 5);
    EXPECT_EQ(WidestRow(styled, m_black), styledArea.Width());
    EXPECT_LT(WidestRow(plain, m_black), plainArea.Width());
    const TPlanarPicture struck = DrawnBy(SampleLine(text + " -fst IS"), m_black);
    EXPECT_EQ(WidestRow(struck, m_black), struck.Changed(m_black).Width());
    // A larger size; a colour.
    EXPECT_GT(DrawnBy(SampleLine("-t Qelvan -tx 10 -ty 10 -fs 48"), m_black).Changed(m_black).Width(),
              2 * plainArea.Width());
    const TPlanarPicture blue = DrawnBy(SampleLine("-t Qelvan -tx 0 -ty 0 -fc #0000FF -fs 24 -fst B"), m_black);
    const TChangedArea tinted = blue.Changed(m_black, 1);
    ASSERT_FALSE(tinted.Empty());
    EXPECT_GT(blue.Highest(1, tinted), 180);
}

TEST_F(VhookModule, SampleFontNamesAndTextsOfSeveralWords)
{
    // Where blanks separate the items, a text and a font name of several words are joined again.
    const TPlanarPicture sans = DrawnBy(SampleLine("-t Qelvan Qelvan -tx 0 -ty 0 -fn DejaVuSans"), m_black);
    const TPlanarPicture serif = DrawnBy(SampleLine("-t Qelvan Qelvan -tx 0 -ty 0 -fn DejaVu Serif"), m_black);
    EXPECT_FALSE(serif.Changed(sans).Empty());
    EXPECT_GT(sans.Changed(m_black).Width(), 100);
}
