// What decoded pictures go through before they are encoded: deinterlacing, frame hook
// modules, the custom hook and its periods.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "hook_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

const char* kLossless = "vcodec=ffv1\npix_fmt=yuv420p\n";

class VideoHooks : public LibrariesLoaded {
protected:
    void SetUp() override
    {
        LibrariesLoaded::SetUp();
        m_grey = MakeMedia(m_folder.Path("grey.mkv"), "-f lavfi -i color=c=gray:s=64x48:r=10:d=1 -c:v ffv1");
        ASSERT_FALSE(m_grey.empty());
    }
    // Converts the grey clip losslessly with these options and reads back a luma sample of
    // every picture.
    std::vector<int> LumaAt(CapturingTask& task, const std::string& options, int x, int y)
    {
        const std::string output = m_folder.Path("out.mkv");
        EXPECT_EQ(Convert(task, m_grey, output, std::string(kLossless) + options), "");
        std::vector<int> samples;
        for (const TPlanarPicture& picture : DecodedPictures(output, 64, 48)) samples.push_back(picture.Luma(x, y));
        std::filesystem::remove(output);
        return samples;
    }

    TempFolder m_folder;
    std::string m_grey;
    const std::string m_paint = TestModulePath("hook_paint_rectangle");
};

}  // namespace

TEST_F(VideoHooks, DeinterlaceSpreadsLinesVertically)
{
    // One bright row on black: the vertical low-pass spreads it over its neighbours.
    const std::string comb = MakeMedia(m_folder.Path("line.mkv"),
                                       "-f lavfi -i \"nullsrc=s=64x48:d=0.2,geq=lum='if(eq(Y,20),235,16)':cb=128:cr=128\" "
                                       "-c:v ffv1 -pix_fmt yuv420p");
    ASSERT_FALSE(comb.empty());
    CapturingTask task;
    ASSERT_EQ(Convert(task, comb, m_folder.Path("smoothed.mkv"), std::string(kLossless) + "deinterlace"), "");
    const auto before = DecodedPictures(comb, 64, 48);
    const auto after = DecodedPictures(m_folder.Path("smoothed.mkv"), 64, 48);
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(before[0].Luma(30, 20), 235);
    EXPECT_EQ(before[0].Luma(30, 19), 16);
    // (-1 4 2 4 -1) / 8 around the line: the line keeps a quarter, its neighbours take half.
    EXPECT_NEAR(after[0].Luma(30, 20), (-16 + 4 * 16 + 2 * 235 + 4 * 16 - 16 + 4) / 8, 1);
    EXPECT_NEAR(after[0].Luma(30, 19), (-16 + 4 * 16 + 2 * 16 + 4 * 235 - 16 + 4) / 8, 1);
    EXPECT_LE(after[0].Luma(30, 18), 1);  // the negative tap clamps at black
    EXPECT_EQ(after[0].Luma(30, 10), 16);
}

TEST_F(VideoHooks, HookModulesRunWithinTheirPeriodsAndWhereTheBeforeHookLetsThem)
{
    // A white square only during the first half second of input time.
    CapturingTask period;
    period.HookPeriods = {{0, 500000}};
    EXPECT_EQ(LumaAt(period, "vhook=" + m_paint + "|8|8|16|16|235", 12, 12),
              (std::vector<int>{235, 235, 235, 235, 235, 235, 126, 126, 126, 126}));
    CapturingTask asking;
    int asked = 0;
    asking.OnBeforeHook = [&](TCustomFFmpeg&, std::int64_t, THookAction& action) {
        ++asked;
        action = asked == 7 ? haStop : asked % 2 == 1 ? haContinue : haIgnore;
    };
    EXPECT_EQ(LumaAt(asking, "vhook=" + m_paint + "|0|0|8|8|235", 2, 2),
              (std::vector<int>{235, 126, 235, 126, 235, 126, 126, 126, 126, 126}));
    EXPECT_EQ(asked, 7);  // not asked again once stopped

    // A copied video stream has no pictures for the hooks.
    CapturingTask copying;
    EXPECT_EQ(Convert(copying, m_grey, m_folder.Path("copy.mkv"), "vcodec=copy\nvhook=" + m_paint + "|0|0|4|4|0"),
              "-vcodec copy and -vhook are incompatible (frames are not decoded)");
    CapturingTask missing;
    EXPECT_EQ(Convert(missing, m_grey, m_folder.Path("none.mkv"), "vhook=" + m_folder.Path("no_such_module.so")),
              "Failed to add video hook function: " + m_folder.Path("no_such_module.so"));
}

TEST_F(VideoHooks, CustomHookDrawsOnTheBitmap)
{
    CapturingTask task;
    std::vector<int> numbers;
    task.OnCustomHook = [&](TCustomFFmpeg&, TBitmap24& bitmap, int frameNumber, std::int64_t, bool& update, bool& stop) {
        numbers.push_back(frameNumber);
        EXPECT_EQ(bitmap.Width(), 64);
        EXPECT_EQ(bitmap.Height(), 48);
        if (frameNumber == 3) throw std::runtime_error("paint brush broke");
        for (int y = 0; y < 8; ++y) std::fill_n(bitmap.ScanLine(y), 3 * 8, 255);  // white
        update = frameNumber != 2;
        stop = frameNumber == 5;
    };
    std::vector<bool> white;
    for (int luma : LumaAt(task, "", 3, 3)) white.push_back(luma > 230);
    EXPECT_EQ(white, (std::vector<bool>{true, false, false, true, true, false, false, false, false, false}));
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_NE(std::find(task.messages.begin(), task.messages.end(),
                        std::pair<int, std::string>{0, "Error occurs OnCustomHook: paint brush broke"}),
              task.messages.end());

    CapturingTask copying;
    copying.OnCustomHook = task.OnCustomHook;
    EXPECT_EQ(Convert(copying, m_grey, m_folder.Path("copy.mkv"), "vcodec=copy"),
              "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
}
