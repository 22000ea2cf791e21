// What decoded pictures go through before they are encoded: deinterlacing, frame hook
// modules, the custom hook and its periods.
#include <gtest/gtest.h>

#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class VideoHooks : public LibrariesLoaded {};


// The luma plane of every picture of a file (as stored, no range conversion), one string of
// width x height bytes a picture.
std::vector<std::string> LumaPictures(const std::string& path, int width, int height)
{
    const std::string raw =
        RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) + " -f rawvideo -pix_fmt yuv420p -");
    std::vector<std::string> pictures;
    const std::size_t luma = static_cast<std::size_t>(width) * height;
    const std::size_t size = luma * 3 / 2;
    for (std::size_t at = 0; at + size <= raw.size(); at += size) pictures.push_back(raw.substr(at, luma));
    return pictures;
}

int Luma(const std::string& picture, int width, int x, int y)
{
    return static_cast<unsigned char>(picture[static_cast<std::size_t>(y) * width + x]);
}

const char* kLossless = "vcodec=ffv1\npix_fmt=yuv420p\n";

}  // namespace

TEST_F(VideoHooks, DeinterlaceSpreadsLinesVertically)
{
    TempFolder folder;
    // One bright row on black: the vertical low-pass spreads it over its neighbours.
    const std::string comb = MakeMedia(folder.Path("line.mkv"),
                                       "-f lavfi -i \"nullsrc=s=64x48:d=0.2,geq=lum='if(eq(Y,20),235,16)':cb=128:cr=128\" "
                                       "-c:v ffv1 -pix_fmt yuv420p");
    ASSERT_FALSE(comb.empty());
    CapturingTask plain;
    ASSERT_EQ(Convert(plain, comb, folder.Path("plain.mkv"), kLossless), "");
    CapturingTask smoothed;
    ASSERT_EQ(Convert(smoothed, comb, folder.Path("smoothed.mkv"), std::string(kLossless) + "deinterlace"), "");
    const auto before = LumaPictures(folder.Path("plain.mkv"), 64, 48);
    const auto after = LumaPictures(folder.Path("smoothed.mkv"), 64, 48);
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(Luma(before[0], 64, 30, 20), 235);
    EXPECT_EQ(Luma(before[0], 64, 30, 19), 16);
    // (-1 4 2 4 -1) / 8 around the line: the line keeps a quarter, its neighbours take half.
    EXPECT_NEAR(Luma(after[0], 64, 30, 20), (-16 + 4 * 16 + 2 * 235 + 4 * 16 - 16 + 4) / 8, 1);
    EXPECT_NEAR(Luma(after[0], 64, 30, 19), (-16 + 4 * 16 + 2 * 16 + 4 * 235 - 16 + 4) / 8, 1);
    EXPECT_LE(Luma(after[0], 64, 30, 18), 1);  // the negative tap clamps at black
    EXPECT_EQ(Luma(after[0], 64, 30, 10), 16);
}

TEST_F(VideoHooks, HookModulesRunWithinTheirPeriods)
{
    TempFolder folder;
    const std::string grey = MakeMedia(folder.Path("grey.mkv"), "-f lavfi -i color=c=gray:s=64x48:r=10:d=2 -c:v ffv1");
    ASSERT_FALSE(grey.empty());
    const std::string module = std::string(MIRELK_HOOK_TEST_MODULE_DIR) + "/hook_paint_rectangle.so";
    CapturingTask task;
    // Paint a white square only during the first half second of input time.
    task.HookPeriods = {{0, 500000}};
    ASSERT_EQ(Convert(task, grey, folder.Path("painted.mkv"),
                      std::string(kLossless) + "vhook=" + module + "|8|8|16|16|235"),
              "");
    const auto pictures = LumaPictures(folder.Path("painted.mkv"), 64, 48);
    ASSERT_EQ(pictures.size(), 20u);
    EXPECT_EQ(Luma(pictures[0], 64, 12, 12), 235);
    EXPECT_EQ(Luma(pictures[5], 64, 12, 12), 235);
    EXPECT_NE(Luma(pictures[6], 64, 12, 12), 235);
    EXPECT_NE(Luma(pictures[19], 64, 12, 12), 235);
    EXPECT_NE(Luma(pictures[0], 64, 40, 40), 235);

    // A copied video stream has no pictures for the hooks.
    CapturingTask copying;
    EXPECT_EQ(Convert(copying, grey, folder.Path("copy.mkv"), "vcodec=copy\nvhook=" + module + "|0|0|4|4|0"),
              "-vcodec copy and -vhook are incompatible (frames are not decoded)");
    CapturingTask missing;
    EXPECT_EQ(Convert(missing, grey, folder.Path("none.mkv"), "vhook=" + folder.Path("no_such_module.so")),
              "Failed to add video hook function: " + folder.Path("no_such_module.so"));
}

TEST_F(VideoHooks, BeforeHookDecidesPerPicture)
{
    TempFolder folder;
    const std::string grey = MakeMedia(folder.Path("grey.mkv"), "-f lavfi -i color=c=gray:s=64x48:r=10:d=1 -c:v ffv1");
    ASSERT_FALSE(grey.empty());
    const std::string module = std::string(MIRELK_HOOK_TEST_MODULE_DIR) + "/hook_paint_rectangle.so";
    CapturingTask task;
    int asked = 0;
    task.OnBeforeHook = [&](TCustomFFmpeg&, std::int64_t, THookAction& action) {
        ++asked;
        action = asked % 2 == 1 ? haContinue : haIgnore;
        if (asked == 7) action = haStop;
    };
    ASSERT_EQ(Convert(task, grey, folder.Path("alternating.mkv"),
                      std::string(kLossless) + "vhook=" + module + "|0|0|8|8|235"),
              "");
    EXPECT_EQ(asked, 7);  // not asked again once stopped
    const auto pictures = LumaPictures(folder.Path("alternating.mkv"), 64, 48);
    ASSERT_EQ(pictures.size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Luma(pictures[i], 64, 2, 2) == 235, i < 6 && i % 2 == 0) << i;
}

TEST_F(VideoHooks, CustomHookDrawsOnTheBitmap)
{
    TempFolder folder;
    const std::string grey = MakeMedia(folder.Path("grey.mkv"), "-f lavfi -i color=c=gray:s=64x48:r=10:d=1 -c:v ffv1");
    ASSERT_FALSE(grey.empty());
    CapturingTask task;
    std::vector<int> numbers;
    task.OnCustomHook = [&](TCustomFFmpeg&, TBitmap24& bitmap, int frameNumber, std::int64_t, bool& update, bool& stop) {
        numbers.push_back(frameNumber);
        EXPECT_EQ(bitmap.Width(), 64);
        EXPECT_EQ(bitmap.Height(), 48);
        if (frameNumber == 3) throw std::runtime_error("paint brush broke");
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                std::uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
                pixel[0] = pixel[1] = pixel[2] = 255;  // white, B G R
            }
        update = frameNumber != 2;
        stop = frameNumber == 5;
    };
    ASSERT_EQ(Convert(task, grey, folder.Path("drawn.mkv"), kLossless), "");
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    const auto pictures = LumaPictures(folder.Path("drawn.mkv"), 64, 48);
    ASSERT_EQ(pictures.size(), 10u);
    const std::vector<bool> white = {true, false, false, true, true, false, false, false, false, false};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Luma(pictures[i], 64, 3, 3) > 230, white[i]) << i;
    bool reported = false;
    for (const auto& message : task.messages)
        reported = reported || message == std::pair<int, std::string>{0, "Error occurs OnCustomHook: paint brush broke"};
    EXPECT_TRUE(reported);

    CapturingTask copying;
    copying.OnCustomHook = task.OnCustomHook;
    EXPECT_EQ(Convert(copying, grey, folder.Path("copy.mkv"), "vcodec=copy"),
              "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
}
