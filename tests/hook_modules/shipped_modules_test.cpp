// The modules the program ships, "imlib2.so" (a picture or a text), "watermark.so" and the
// sample module "ZarnHook.so", configured with the option form's own lines and run on pictures.
#include <gtest/gtest.h>
#include <libavutil/pixfmt.h>

#include <algorithm>

#include "hook_test_support.h"

using namespace mirelk::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// The picture the build draws for imlib2.so.
constexpr int kPictureWidth = 64;
constexpr int kPictureHeight = 48;
constexpr std::uint8_t kGrey = 126;  // mid-grey in video range
constexpr std::uint8_t kBlack = 16;

class VhookModule : public LibrariesLoaded {
protected:
    const TPlanarPicture m_black = TPlanarPicture::Yuv420(kWidth, kHeight, kBlack);
};

std::string PictureLine(const std::string& x, const std::string& y)
{
    return HookLine("imlib2.so", "-i " + VhookPath("imlib2.jpg") + " -x " + x + " -y " + y);
}

std::string SampleLine(const std::string& arguments) { return HookLine("ZarnHook.so", arguments); }

std::string SamplePictureLine(int x, int y, const std::string& maskArgument)
{
    return SampleLine("-i " + VhookPath("ZarnHook.bmp") + maskArgument + " -ix " + std::to_string(x) + " -iy " +
                      std::to_string(y));
}

std::vector<int> Edges(const TChangedArea& area) { return {area.left, area.top, area.right, area.bottom}; }

// The most changed pixels of one row.
int WidestRow(const TPlanarPicture& picture, const TPlanarPicture& before)
{
    const TChangedArea area = picture.Changed(before);
    int widest = 0;
    for (int y = area.top; y <= area.bottom; ++y)
        widest = std::max(widest, picture.Changed(before, 0, 0, y, kWidth, y).count);
    return widest;
}

}  // namespace

TEST_F(VhookModule, Imlib2PictureIsDrawnWhereItsPositionSaysAndCutToTheFrame)
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

TEST_F(VhookModule, Imlib2OtherPlanarLayoutsAreDrawnOnAndOthersLeftAlone)
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

TEST_F(VhookModule, Imlib2PictureAlphaIsKept)
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

TEST_F(VhookModule, Imlib2TextsAreDrawnInTheirColourAtTheirPlace)
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
    EXPECT_EQ(Edges(cut), (std::vector<int>{0, 0, 29, 19}));
    // With a text as well, the text is drawn too (at 0, 0 by default).
    const std::string both = "-i " + VhookPath("ZarnHook.bmp") + " -mc #FFFFFF -ix 200 -iy 150 -t Qelvan";
    const TChangedArea drawnBoth = DrawnBy(SampleLine(both), m_black).Changed(m_black);
    EXPECT_LT(drawnBoth.top, 20);
    EXPECT_LT(drawnBoth.left, 10);
    EXPECT_GT(drawnBoth.bottom, 150);
    EXPECT_GT(drawnBoth.right, 200);
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
