// The companion library of the shipped hook modules on its own: position expressions,
// argument reading, font lookup and drawing overlays into pictures.
#include <gtest/gtest.h>
#include <libavutil/pixfmt.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "hook_arguments.h"
#include "hook_expression.h"
#include "hook_imaging.h"
#include "hook_overlay.h"
#include "vhook_test_support.h"

using namespace mirelk::test;

namespace {

const HookExpressionValues kValues = {320.0, 240.0, 64.0, 48.0, 0.0, 2.5};

double Evaluate(const std::string& text, HookExpressionValues values = kValues)
{
    double result = NAN;
    char reason[128];
    EXPECT_EQ(hook_expression_evaluate(text.c_str(), &values, &result, reason, sizeof reason), 0) << text << ": " << reason;
    return result;
}

std::string Refusal(const std::string& text)
{
    double result = 0.0;
    char reason[128] = "";
    if (hook_expression_evaluate(text.c_str(), &kValues, &result, reason, sizeof reason) == 0) return "(accepted)";
    return reason;
}

std::string FontFor(const std::string& name, const HookTextStyle& style, const std::string& moduleFolder = "")
{
    char path[4096] = "";
    char reason[256] = "";
    int styleInFile = 0;
    if (hook_find_font(name.c_str(), &style, moduleFolder.c_str(), path, sizeof path, &styleInFile, reason,
                       sizeof reason) != 0)
        return std::string("(refused: ") + reason + ")";
    return path;
}

}  // namespace

TEST(VhookExpression, TheOptionFormsExpressions)
{
    EXPECT_DOUBLE_EQ(Evaluate("W-w"), 256.0);
    EXPECT_DOUBLE_EQ(Evaluate("H-h"), 192.0);
    HookExpressionValues values = kValues;
    EXPECT_DOUBLE_EQ(Evaluate("(W-w)*(0.5+0.5*sin(N/47*PI))", values), 128.0);
    EXPECT_DOUBLE_EQ(Evaluate("(H-h)*(0.5+0.5*cos(N/97*PI))", values), 192.0);
    values.frameNumber = 97.0;
    EXPECT_NEAR(Evaluate("(H-h)*(0.5+0.5*cos(N/97*PI))", values), 0.0, 1e-9);
    EXPECT_NEAR(Evaluate("(H-25)*(0.5+0.50*cos(N/97*PI))", values), 0.0, 1e-9);
    values.frameNumber = 23.5;
    EXPECT_NEAR(Evaluate("(W-w)*(0.5+0.5*sin(N/47*PI))", values), 256.0, 1e-9);
}

TEST(VhookExpression, ArithmeticFollowsTheUsualRules)
{
    EXPECT_DOUBLE_EQ(Evaluate("1+2*3"), 7.0);
    EXPECT_DOUBLE_EQ(Evaluate("(1+2)*3"), 9.0);
    EXPECT_DOUBLE_EQ(Evaluate("10-4-3"), 3.0);
    EXPECT_DOUBLE_EQ(Evaluate("2^3^2"), 512.0);
    EXPECT_DOUBLE_EQ(Evaluate("-2^2"), -4.0);
    EXPECT_DOUBLE_EQ(Evaluate(" - -3 "), 3.0);
    EXPECT_DOUBLE_EQ(Evaluate("7%4"), 3.0);
    EXPECT_DOUBLE_EQ(Evaluate("1.5e2+.5"), 150.5);
    EXPECT_DOUBLE_EQ(Evaluate("min(W,H)+max(w,h)+abs(-1)+pow(2,4)+mod(7,3)"), 240.0 + 64.0 + 1.0 + 16.0 + 1.0);
    EXPECT_DOUBLE_EQ(Evaluate("floor(2.7)+ceil(2.2)+round(2.5)+sqrt(16)"), 2.0 + 3.0 + 3.0 + 4.0);
    EXPECT_DOUBLE_EQ(Evaluate("T*2"), 5.0);
    EXPECT_NEAR(Evaluate("E"), std::exp(1.0), 1e-12);
    EXPECT_NEAR(Evaluate("atan2(1,1)*4"), Evaluate("PI"), 1e-12);
}

TEST(VhookExpression, NumbersIgnoreTheLocale)
{
    // A locale with a decimal comma, where the system has one; the evaluator must not care.
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(Evaluate("0.5*W"), 160.0);
    std::setlocale(LC_NUMERIC, previous.c_str());
}

TEST(VhookExpression, MalformedTextIsRefusedWithAReason)
{
    EXPECT_EQ(Refusal(""), "the expression ends too early");
    EXPECT_EQ(Refusal("W-"), "the expression ends too early");
    EXPECT_EQ(Refusal("(W-w"), "missing ')'");
    EXPECT_EQ(Refusal("W w"), "unexpected 'w'");
    EXPECT_EQ(Refusal("X+1"), "unknown name \"X\"");
    EXPECT_EQ(Refusal("pi"), "unknown name \"pi\"");
    EXPECT_EQ(Refusal("sine(1)"), "unknown function \"sine\"");
    EXPECT_EQ(Refusal("sin(1,2)"), "sin takes 1 argument(s), not 2");
    EXPECT_EQ(Refusal("min(1)"), "min takes 2 argument(s), not 1");
    EXPECT_EQ(Refusal("1..2"), "unexpected '.'");
    EXPECT_EQ(Refusal("."), "a lone '.' is not a number");
    EXPECT_EQ(Refusal("2E"), "unexpected 'E'");
    EXPECT_EQ(Refusal(std::string(5000, '(') + "1" + std::string(5000, ')')), "the expression is nested too deeply");
    EXPECT_EQ(Refusal(std::string(5000, '-') + "1"), "the expression is nested too deeply");
    std::string powers = "1";
    for (int i = 0; i < 5000; ++i) powers += "^1";
    EXPECT_EQ(Refusal(powers), "the expression is nested too deeply");
    EXPECT_DOUBLE_EQ(Evaluate(std::string(40, '(') + "W" + std::string(40, ')') + "-" + std::string(40, '-') + "1"),
                     319.0);
    EXPECT_EQ(hook_expression_check("W-w", nullptr, 0), 0);
    EXPECT_NE(hook_expression_check("W-", nullptr, 0), 0);
    EXPECT_NE(hook_expression_check(nullptr, nullptr, 0), 0);
}

TEST(VhookExpression, PositionsAreRoundedLimitedAndNeverNaN)
{
    long position = 0;
    ASSERT_TRUE(hook_expression_to_position(12.5, &position));
    EXPECT_EQ(position, 13);
    ASSERT_TRUE(hook_expression_to_position(-12.5, &position));
    EXPECT_EQ(position, -13);
    ASSERT_TRUE(hook_expression_to_position(1e300, &position));
    EXPECT_EQ(position, 1000000000L);
    ASSERT_TRUE(hook_expression_to_position(-1e300, &position));
    EXPECT_EQ(position, -1000000000L);
    EXPECT_FALSE(hook_expression_to_position(Evaluate("1/0"), &position));
    EXPECT_FALSE(hook_expression_to_position(Evaluate("sqrt(-1)"), &position));
}

TEST(VhookArguments, NumbersColoursAndFolders)
{
    long value = 0;
    EXPECT_EQ(hook_parse_integer("255", 0, 255, &value), 0);
    EXPECT_EQ(value, 255);
    EXPECT_EQ(hook_parse_integer("-3", -5, 5, &value), 0);
    EXPECT_EQ(value, -3);
    EXPECT_NE(hook_parse_integer("256", 0, 255, &value), 0);
    EXPECT_NE(hook_parse_integer("12a", 0, 255, &value), 0);
    EXPECT_NE(hook_parse_integer(" 1", 0, 255, &value), 0);
    EXPECT_NE(hook_parse_integer("", 0, 255, &value), 0);
    EXPECT_NE(hook_parse_integer("99999999999999999999999", 0, 255, &value), 0);
    std::uint8_t rgb[3] = {0, 0, 0};
    ASSERT_EQ(hook_parse_colour("FF8001", rgb), 0);
    EXPECT_EQ(rgb[0], 0xFF);
    EXPECT_EQ(rgb[1], 0x80);
    EXPECT_EQ(rgb[2], 0x01);
    EXPECT_EQ(hook_parse_colour("#00ff00", rgb), 0);
    EXPECT_EQ(rgb[1], 0xFF);
    EXPECT_NE(hook_parse_colour("FFFFF", rgb), 0);
    EXPECT_NE(hook_parse_colour("GGGGGG", rgb), 0);
    char folder[64];
    EXPECT_EQ(hook_folder_of("/opt/app/vhook/imlib2.so", folder, sizeof folder), 0);
    EXPECT_STREQ(folder, "/opt/app/vhook");
    EXPECT_EQ(hook_folder_of("imlib2.so", folder, sizeof folder), 0);
    EXPECT_STREQ(folder, "");
    EXPECT_EQ(hook_folder_of("/imlib2.so", folder, sizeof folder), 0);
    EXPECT_STREQ(folder, "/");
    EXPECT_NE(hook_folder_of("/a/very/long/folder/name/imlib2.so", folder, 8), 0);
}

TEST(VhookArguments, OptionPairsAndTextsOfSeveralWords)
{
    std::vector<std::string> items = {"imlib2.so", "-x", "W-w", "-t", "Hello", "big", "world", "-y", "0", "-x", "1"};
    std::vector<char*> argv;
    for (auto& item : items) argv.push_back(item.data());
    argv.push_back(nullptr);
    const char *x = "0", *y = "0", *text = nullptr;
    char words[32];
    const HookOption options[] = {{"-x", &x, nullptr, 0}, {"-y", &y, nullptr, 0}, {"-t", &text, words, sizeof words}};
    ASSERT_EQ(hook_read_options(static_cast<int>(items.size()), argv.data(), options, 3), 0);
    EXPECT_STREQ(x, "1");  // the later value counts
    EXPECT_STREQ(y, "0");
    EXPECT_STREQ(text, "Hello big world");

    // Without a words buffer, a stray item is an unknown option.
    const HookOption strict[] = {{"-x", &x, nullptr, 0}, {"-y", &y, nullptr, 0}, {"-t", &text, nullptr, 0}};
    EXPECT_NE(hook_read_options(static_cast<int>(items.size()), argv.data(), strict, 3), 0);
    // A name without its value; a text longer than its buffer.
    EXPECT_NE(hook_read_options(2, argv.data(), options, 3), 0);
    char small[8];
    const HookOption tight[] = {{"-x", &x, nullptr, 0}, {"-y", &y, nullptr, 0}, {"-t", &text, small, sizeof small}};
    EXPECT_NE(hook_read_options(static_cast<int>(items.size()), argv.data(), tight, 3), 0);
    EXPECT_EQ(hook_read_options(1, argv.data(), options, 3), 0);
}

TEST(VhookFonts, MissingFontsStandForDejaVuSans)
{
    const std::string folder = HOOK_FONT_FOLDER;
    HookTextStyle plain{};
    EXPECT_EQ(FontFor("Tahoma", plain), folder + "/DejaVuSans.ttf");
    EXPECT_EQ(FontFor("Tahoma.ttf", plain), folder + "/DejaVuSans.ttf");
    HookTextStyle bold{};
    bold.bold = 1;
    bold.underline = 1;
    EXPECT_EQ(FontFor("Tahoma", bold), folder + "/DejaVuSans-Bold.ttf");
    HookTextStyle boldItalic = bold;
    boldItalic.italic = 1;
    EXPECT_EQ(FontFor("Tahoma", boldItalic), folder + "/DejaVuSans-BoldOblique.ttf");
    HookTextStyle italic{};
    italic.italic = 1;
    EXPECT_EQ(FontFor("dejavu serif", italic), folder + "/DejaVuSerif-Italic.ttf");
    EXPECT_EQ(FontFor("DejaVuSansMono.ttf", plain), folder + "/DejaVuSansMono.ttf");
    EXPECT_EQ(FontFor(folder + "/DejaVuSerif.ttf", bold), folder + "/DejaVuSerif.ttf");
    EXPECT_EQ(FontFor("/no/such/font.ttf", plain), "(refused: font file /no/such/font.ttf not found)");
}

TEST(VhookFonts, TheModulesOwnFolderComesFirst)
{
    TempFolder modules;
    std::filesystem::copy_file(std::string(HOOK_FONT_FOLDER) + "/DejaVuSerif.ttf", modules.Path("Tahoma.ttf"));
    HookTextStyle plain{};
    EXPECT_EQ(FontFor("Tahoma", plain, modules.Path()), modules.Path("Tahoma.ttf"));
    EXPECT_EQ(FontFor("tahoma.TTF", plain, modules.Path()), modules.Path("Tahoma.ttf"));
    EXPECT_EQ(FontFor("Verdana", plain, modules.Path()), std::string(HOOK_FONT_FOLDER) + "/DejaVuSans.ttf");
}

TEST(VhookFonts, StyleLetters)
{
    HookTextStyle style{};
    ASSERT_EQ(hook_parse_text_style("BU", &style), 0);
    EXPECT_TRUE(style.bold && style.underline && !style.italic && !style.strikeout);
    ASSERT_EQ(hook_parse_text_style("isb", &style), 0);
    EXPECT_TRUE(style.bold && !style.underline && style.italic && style.strikeout);
    ASSERT_EQ(hook_parse_text_style("", &style), 0);
    EXPECT_FALSE(style.bold || style.underline || style.italic || style.strikeout);
    EXPECT_NE(hook_parse_text_style("BX", &style), 0);
}

TEST(VhookOverlay, PartlyCoveredChromaIsPartlyChanged)
{
    // A white 1x1 overlay on black: the luma sample takes it fully, the 2x2 chroma block a
    // quarter (here: nothing, white has no colour), a red one tints its block by a quarter.
    HookOverlay overlay{};
    ASSERT_EQ(hook_overlay_create(&overlay, 1, 1), 0);
    overlay.rgba[0] = 255;
    overlay.rgba[3] = 255;
    TPlanarPicture picture = TPlanarPicture::Yuv420(8, 8, 16);
    HookPictureLayout layout{};
    ASSERT_TRUE(hook_picture_layout(AV_PIX_FMT_YUV420P, &layout));
    hook_overlay_draw(&overlay, &picture.Picture(), &layout, 8, 8, 3, 3, HOOK_BLEND_OVER, 255);
    EXPECT_EQ(picture.Luma(3, 3), 16 + ((66 * 255 + 128) >> 8));
    EXPECT_EQ(picture.Luma(2, 3), 16);
    EXPECT_EQ(picture.V(1, 1), 128 + (240 - 128 + 2) / 4);  // red's V is 240 in video range
    EXPECT_EQ(picture.V(2, 1), 128);
    EXPECT_TRUE(picture.OutsideUntouched());

    // Wholly outside, or at absurd positions: nothing changes, nothing overflows.
    const TPlanarPicture before = picture;
    for (long position : {-2L, 8L, 2000000000L, -2000000000L}) {
        hook_overlay_draw(&overlay, &picture.Picture(), &layout, 8, 8, position, 0, HOOK_BLEND_OVER, 255);
        hook_overlay_draw(&overlay, &picture.Picture(), &layout, 8, 8, 0, position, HOOK_BLEND_OVER, 255);
    }
    EXPECT_TRUE(picture.Changed(before).Empty());
    hook_overlay_free(&overlay);
    hook_overlay_free(&overlay);
    EXPECT_NE(hook_overlay_create(&overlay, 0, 5), 0);
    EXPECT_NE(hook_overlay_create(&overlay, HOOK_OVERLAY_MAXIMUM_SIDE + 1, 5), 0);
}

TEST(VhookOverlay, FormatsDrawnOn)
{
    HookPictureLayout layout{};
    ASSERT_TRUE(hook_picture_layout(AV_PIX_FMT_YUV422P, &layout));
    EXPECT_EQ(layout.chromaShiftX, 1);
    EXPECT_EQ(layout.chromaShiftY, 0);
    ASSERT_TRUE(hook_picture_layout(AV_PIX_FMT_YUVJ444P, &layout));
    EXPECT_EQ(layout.chromaShiftX, 0);
    EXPECT_EQ(layout.fullRange, 1);
    EXPECT_FALSE(hook_picture_layout(AV_PIX_FMT_RGB24, &layout));
    EXPECT_FALSE(hook_picture_layout(AV_PIX_FMT_NV12, &layout));
    EXPECT_FALSE(hook_picture_layout(AV_PIX_FMT_YUV420P10LE, &layout));
    EXPECT_FALSE(hook_picture_layout(-1, &layout));
}
