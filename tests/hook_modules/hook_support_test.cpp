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
#include "hook_test_support.h"

using namespace mirelk::test;

namespace {

const HookExpressionValues kValues = {320.0, 240.0, 64.0, 48.0, 0.0, 2.5};

// The value of an expression, or its refusal's reason.
std::string Evaluated(const std::string& text)
{
    double result = NAN;
    char reason[128] = "";
    if (hook_expression_evaluate(text.c_str(), &kValues, &result, reason, sizeof reason) != 0) return reason;
    char number[64];
    std::snprintf(number, sizeof number, "%.9g", result);
    return number;
}

std::string FontFor(const std::string& name, HookTextStyle style, const std::string& moduleFolder = "")
{
    char path[4096] = "";
    char reason[256] = "";
    if (hook_find_font(name.c_str(), &style, moduleFolder.c_str(), path, sizeof path, nullptr, reason, sizeof reason))
        return std::string("(refused: ") + reason + ")";
    return path;
}

}  // namespace

TEST(VhookExpression, ValuesAndRefusals)
{
    const std::string deep = "the expression is nested too deeply";
    std::string powers = "1";
    for (int i = 0; i < 5000; ++i) powers += "^1";
    const std::pair<std::string, std::string> cases[] = {
        {"W-w", "256"}, {"H-h", "192"}, {"(1+2)*3-10-4-3", "-8"}, {"1+2*3", "7"}, {"2^3^2", "512"},
        {"-2^2", "-4"}, {" - -3 ", "3"}, {"7%4", "3"}, {"1.5e2+.5", "150.5"}, {"T*2", "5"},
        {"min(W,H)+max(w,h)+abs(-1)+pow(2,4)+mod(7,3)", "322"},
        {"floor(2.7)+ceil(2.2)+round(2.5)+sqrt(16)", "12"}, {"atan2(1,1)*4-PI+log(E)", "1"},
        {std::string(40, '(') + "W" + std::string(40, ')') + "-" + std::string(40, '-') + "1", "319"},
        {"", "the expression ends too early"}, {"W-", "the expression ends too early"},
        {"(W-w", "missing ')'"}, {"W w", "unexpected 'w'"}, {"1..2", "unexpected '.'"}, {"2E", "unexpected 'E'"},
        {"pi", "unknown name \"pi\""}, {"sine(1)", "unknown function \"sine\""},
        {"sin(1,2)", "sin takes 1 argument(s), not 2"}, {"min(1)", "min takes 2 argument(s), not 1"},
        {".", "a lone '.' is not a number"}, {std::string(5000, '(') + "1" + std::string(5000, ')'), deep},
        {std::string(5000, '-') + "1", deep}, {powers, deep},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Evaluated(text), expected) << text.substr(0, 40);
    EXPECT_EQ(hook_expression_check("W-w", nullptr, 0), 0);
    EXPECT_NE(hook_expression_check("W-", nullptr, 0), 0);
    EXPECT_NE(hook_expression_check(nullptr, nullptr, 0), 0);
    // A locale with a decimal comma, where the system has one, changes nothing.
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(Evaluated("0.5*W"), "160");
    std::setlocale(LC_NUMERIC, previous.c_str());
    // Positions are rounded, limited, and never made of what is not a number.
    for (const auto& [value, expected] :
         {std::pair{12.5, 13L}, {-12.5, -13L}, {1e300, 1000000000L}, {-1e300, -1000000000L}}) {
        long position = 0;
        EXPECT_TRUE(hook_expression_to_position(value, &position));
        EXPECT_EQ(position, expected) << value;
    }
    long position = 0;
    EXPECT_FALSE(hook_expression_to_position(INFINITY, &position) || hook_expression_to_position(NAN, &position));
}

TEST(VhookArguments, NumbersColoursAndFolders)
{
    struct Number {
        const char* text;
        long lowest, highest;
        bool accepted;
    };
    // Both ends of a range are in it.
    for (const Number& item : {Number{"255", 0, 255, true}, Number{"0", 0, 255, true}, Number{"-5", -5, 5, true},
                               Number{"+5", -5, 5, true}, Number{"256", 0, 255, false}, Number{"-6", -5, 5, false},
                               Number{"12a", 0, 255, false}, Number{" 1", 0, 255, false}, Number{"", 0, 255, false},
                               Number{"99999999999999999999999", 0, 255, false}}) {
        long value = 99;
        EXPECT_EQ(hook_parse_integer(item.text, item.lowest, item.highest, &value) == 0, item.accepted) << item.text;
        EXPECT_EQ(value, item.accepted ? std::stol(item.text) : 99) << item.text;
    }
    std::uint8_t rgb[3] = {0, 0, 0};
    ASSERT_EQ(hook_parse_colour("FF8001", rgb), 0);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{0xFF, 0x80, 0x01}));
    ASSERT_EQ(hook_parse_colour("#0aB0c0", rgb), 0);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{0x0A, 0xB0, 0xC0}));
    for (const char* bad : {"FFFFF", "GGGGGG", "#FFFFFFF", "##FFFFFF"}) EXPECT_NE(hook_parse_colour(bad, rgb), 0) << bad;
    char folder[64];
    for (const auto& [path, expected] : {std::pair<const char*, const char*>{"/opt/app/vhook/imlib2.so", "/opt/app/vhook"},
                                         {"imlib2.so", ""}, {"/imlib2.so", "/"}}) {
        EXPECT_EQ(hook_folder_of(path, folder, sizeof folder), 0);
        EXPECT_STREQ(folder, expected);
    }
    EXPECT_NE(hook_folder_of("/a/very/long/folder/name/imlib2.so", folder, 8), 0);
}

TEST(VhookArguments, OptionPairsAndTextsOfSeveralWords)
{
    std::vector<std::string> items = {"imlib2.so", "-x", "W-w", "-t", "Hello", "big", "world", "-y", "0", "-x", "1"};
    std::vector<char*> argv;
    for (auto& item : items) argv.push_back(item.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(items.size());
    const char *x = "0", *y = "0", *text = nullptr;
    char words[32];
    const HookOption options[] = {{"-x", &x, nullptr, 0}, {"-y", &y, nullptr, 0}, {"-t", &text, words, sizeof words}};
    ASSERT_EQ(hook_read_options(argc, argv.data(), options, 3), 0);
    EXPECT_STREQ(x, "1");  // the later value counts
    EXPECT_STREQ(y, "0");
    EXPECT_STREQ(text, "Hello big world");
    EXPECT_EQ(hook_read_options(1, argv.data(), options, 3), 0);

    // Without a words buffer a stray item is an unknown option; a name without its value; a
    // text longer than its buffer.
    const HookOption strict[] = {{"-x", &x, nullptr, 0}, {"-y", &y, nullptr, 0}, {"-t", &text, nullptr, 0}};
    char small[8];
    const HookOption tight[] = {{"-x", &x, nullptr, 0}, {"-y", &y, nullptr, 0}, {"-t", &text, small, sizeof small}};
    testing::internal::CaptureStderr();
    EXPECT_NE(hook_read_options(argc, argv.data(), strict, 3), 0);
    EXPECT_NE(hook_read_options(2, argv.data(), options, 3), 0);
    EXPECT_NE(hook_read_options(argc, argv.data(), tight, 3), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "imlib2.so: unknown option \"big\"\nimlib2.so: option -x needs a value\n"
              "imlib2.so: the text of -t is too long\n");
}

TEST(VhookFonts, MissingFontsStandForDejaVuSansAndTheModulesFolderComesFirst)
{
    const std::string dejavu = std::string(HOOK_FONT_FOLDER) + "/";
    TempFolder modules;
    std::filesystem::copy_file(dejavu + "DejaVuSerif.ttf", modules.Path("Tahoma.ttf"));
    const HookTextStyle plain{}, bold{1, 0, 1, 0}, italic{0, 1, 0, 0}, boldItalic{1, 1, 0, 0};
    const struct {
        std::string name;
        HookTextStyle style;
        std::string folder, expected;
    } cases[] = {
        {"Tahoma", plain, "", dejavu + "DejaVuSans.ttf"},
        {"Tahoma.ttf", plain, "", dejavu + "DejaVuSans.ttf"},
        {"Tahoma", bold, "", dejavu + "DejaVuSans-Bold.ttf"},
        {"Tahoma", boldItalic, "", dejavu + "DejaVuSans-BoldOblique.ttf"},
        {"dejavu serif", italic, "", dejavu + "DejaVuSerif-Italic.ttf"},
        {"DejaVuSansMono.ttf", plain, "", dejavu + "DejaVuSansMono.ttf"},
        {dejavu + "DejaVuSerif.ttf", bold, "", dejavu + "DejaVuSerif.ttf"},
        {"/no/such/font.ttf", plain, "", "(refused: font file /no/such/font.ttf not found)"},
        {"Tahoma", plain, modules.Path(), modules.Path("Tahoma.ttf")},
        {"tahoma.TTF", plain, modules.Path(), modules.Path("Tahoma.ttf")},
        {"Verdana", plain, modules.Path(), dejavu + "DejaVuSans.ttf"},
    };
    for (const auto& item : cases) EXPECT_EQ(FontFor(item.name, item.style, item.folder), item.expected) << item.name;
}

TEST(VhookFonts, StyleLettersInAnyOrderAndCase)
{
    const std::pair<const char*, std::vector<int>> cases[] = {
        {"BU", {1, 0, 1, 0}}, {"isb", {1, 1, 0, 1}}, {"", {0, 0, 0, 0}}};
    for (const auto& [letters, expected] : cases) {
        HookTextStyle style{1, 1, 1, 1};
        ASSERT_EQ(hook_parse_text_style(letters, &style), 0) << letters;
        EXPECT_EQ((std::vector<int>{style.bold, style.italic, style.underline, style.strikeout}), expected) << letters;
    }
    HookTextStyle style{};
    EXPECT_NE(hook_parse_text_style("BX", &style), 0);
}

TEST(VhookOverlay, PartlyCoveredChromaIsPartlyChanged)
{
    // A red 1x1 overlay on black: the luma sample takes it fully, its 2x2 chroma block a quarter.
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
    hook_overlay_free(&overlay);
    hook_overlay_free(&overlay);  // an empty overlay may be freed again
    EXPECT_NE(hook_overlay_create(&overlay, 0, 5), 0);
    EXPECT_NE(hook_overlay_create(&overlay, HOOK_OVERLAY_MAXIMUM_SIDE + 1, 5), 0);
}
