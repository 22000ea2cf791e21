// The shipped hook modules at work: whole conversions through the engine with "vhook=" lines,
// checked by decoding the output with the ffmpeg tool; lines the modules refuse; and many tasks
// using the modules at once.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <latch>
#include <thread>

#include "hook_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class VhookConversion : public LibrariesLoaded {};

const char* kLossless = "vcodec=ffv1\npix_fmt=yuv420p\n";

}  // namespace

TEST_F(VhookConversion, DancingPictureAndStyledTextOnEveryFrame)
{
    TempFolder folder;
    const std::string black = MakeMedia(folder.Path("black.mkv"), "-f lavfi -i color=c=black:s=320x240:r=25:d=1 -c:v ffv1");
    ASSERT_FALSE(black.empty());
    CapturingTask task;
    const std::string dancing = " -x (W-w)*(0.5+0.5*sin(N/47*PI)) -y (H-h)*(0.5+0.5*cos(N/97*PI))";
    const std::string options =
        std::string(kLossless) + "vhook=" + HookLine("imlib2.so", "-i " + VhookPath("imlib2.jpg") + dancing) +
        "\r\nvhook=" + HookLine("ZarnHook.so", "-t Qelvan -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16 -fst BU");
    ASSERT_EQ(Convert(task, black, folder.Path("drawn.mkv"), options), "");
    EXPECT_EQ(DecodeErrors(folder.Path("drawn.mkv")), "");
    const auto source = DecodedPictures(black, 320, 240);
    const auto drawn = DecodedPictures(folder.Path("drawn.mkv"), 320, 240);
    ASSERT_EQ(source.size(), 25u);
    ASSERT_EQ(drawn.size(), 25u);
    const double pi = std::acos(-1.0);
    for (int frame = 0; frame < 25; ++frame) {
        // The picture moves with the frame number within the lower right; the text stays near
        // (10, 10); nothing else changes.
        const TChangedArea picture = drawn[frame].Changed(source[frame], 0, 100, 100);
        EXPECT_EQ(picture.left, std::lround(256 * (0.5 + 0.5 * std::sin(frame / 47.0 * pi)))) << frame;
        EXPECT_EQ(picture.top, std::lround(192 * (0.5 + 0.5 * std::cos(frame / 97.0 * pi)))) << frame;
        EXPECT_EQ(picture.Width(), 64) << frame;
        const TChangedArea text = drawn[frame].Changed(source[frame], 0, 0, 0, 99, 99);
        EXPECT_GT(text.count, 100) << frame;
        EXPECT_GE(text.left, 10) << frame;
        EXPECT_GE(text.top, 10) << frame;
        EXPECT_LE(text.top, 25) << frame;
        EXPECT_TRUE(drawn[frame].Changed(source[frame], 0, 0, 100, 99).Empty()) << frame;
        EXPECT_TRUE(drawn[frame].Changed(source[frame], 0, 100, 0, 319, 99).Empty()) << frame;
    }
}

TEST_F(VhookConversion, WatermarkFromAFolderWithABlank)
{
    // The option form separates a line's items by "|" when a path holds a blank; the module
    // finds its companion library in its own folder.
    TempFolder folder;
    const std::filesystem::path hooks = std::filesystem::path(folder.Path()) / "my vhook";
    std::filesystem::create_directories(hooks);
    for (const char* file : {"watermark.so", "libmirelk_hook_support.so", "watermark.gif"})
        std::filesystem::copy_file(VhookPath(file), hooks / file);
    const std::string grey = MakeMedia(folder.Path("grey.mkv"), "-f lavfi -i color=c=gray:s=320x240:r=10:d=0.5 -c:v ffv1");
    ASSERT_FALSE(grey.empty());
    CapturingTask task;
    const std::string line = (hooks / "watermark.so").string() + "|-f|" + (hooks / "watermark.gif").string() + "|-m|1";
    ASSERT_EQ(Convert(task, grey, folder.Path("marked.mkv"), std::string(kLossless) + "vhook=" + line), "");
    const auto source = DecodedPictures(grey, 320, 240);
    const auto marked = DecodedPictures(folder.Path("marked.mkv"), 320, 240);
    ASSERT_EQ(marked.size(), 5u);
    for (std::size_t i = 0; i < marked.size(); ++i) {
        EXPECT_GT(marked[i].Luma(160, 44), source[i].Luma(160, 44) + 40) << i;  // the white ring
        EXPECT_LT(marked[i].Luma(160, 120), source[i].Luma(160, 120) - 20) << i; // the dark band
        EXPECT_EQ(marked[i].Luma(10, 10), source[i].Luma(10, 10)) << i;
    }
}

TEST_F(VhookConversion, BadArgumentsAreRefusedWithTheModulesReason)
{
    const std::string jpg = VhookPath("imlib2.jpg"), gif = VhookPath("watermark.gif"), bmp = VhookPath("ZarnHook.bmp");
    const struct {
        std::string module, arguments, reason;
    } cases[] = {
        {"imlib2.so", "", "give either -i PICTURE or -t TEXT"},
        {"imlib2.so", "-i " + jpg + " -t Qelvan", "give either -i PICTURE or -t TEXT"},
        {"imlib2.so", "-i /no/such/picture.jpg -x W-w -y H-h", "picture file /no/such/picture.jpg not found"},
        {"imlib2.so", "-i " + VhookPath("") + " -x 0", "picture file " + VhookPath("") + " not found"},
        {"imlib2.so", "-i " + VhookPath("imlib2.so") + " -x 0",
         "cannot read picture " + VhookPath("imlib2.so") + ": Imlib2: No loader for file format"},
        {"imlib2.so", "-i " + jpg + " -x W- -y 0", "bad position \"W-\": the expression ends too early"},
        {"imlib2.so", "-i " + jpg + " -x 0 -y", "option -y needs a value"},
        {"imlib2.so", "-i " + jpg + " -z 0", "unknown option \"-z\""},
        {"imlib2.so", "-t Qelvan -R 256", "-R needs a number from 0 to 255, not \"256\""},
        {"imlib2.so", "-t Qelvan -B blue", "-B needs a number from 0 to 255, not \"blue\""},
        {"imlib2.so", "-t Qelvan -F Tahoma.ttf/0", "font size in \"Tahoma.ttf/0\" must be 1 to 512"},
        {"imlib2.so", "-t Qelvan -F Tahoma.ttf/513", "font size in \"Tahoma.ttf/513\" must be 1 to 512"},
        {"imlib2.so", "-t Qelvan -F /no/such/font.ttf/16", "font file /no/such/font.ttf not found"},
        {"watermark.so", "-f " + gif + " -m 2", "-m needs 0 or 1, not \"2\""},
        {"watermark.so", "-f " + gif + " -m one", "-m needs 0 or 1, not \"one\""},
        {"watermark.so", "-m 1", "give the watermark picture with -f FILE"},
        {"watermark.so", "-f /no/such/watermark.gif -m 0", "picture file /no/such/watermark.gif not found"},
        {"watermark.so", "-f " + gif + " -x 1", "unknown option \"-x\""},
        {"ZarnHook.so", "-ix 0 -iy 0", "give a picture with -i FILE, a text with -t TEXT, or both"},
        {"ZarnHook.so", "-i /no/such/ZarnHook.bmp -mc FFFFFF -ix 0 -iy 0", "picture file /no/such/ZarnHook.bmp not found"},
        {"ZarnHook.so", "-i " + bmp + " -mc GGGGGG -ix 0 -iy 0", "-mc needs a colour RRGGBB in hexadecimal, not \"GGGGGG\""},
        {"ZarnHook.so", "-i " + bmp + " -ix W- -iy 0", "bad position \"W-\": the expression ends too early"},
        {"ZarnHook.so", "-t Qelvan -fs 0", "-fs needs a size from 1 to 512, not \"0\""},
        {"ZarnHook.so", "-t Qelvan -fs 513", "-fs needs a size from 1 to 512, not \"513\""},
        {"ZarnHook.so", "-t Qelvan -fs big", "-fs needs a size from 1 to 512, not \"big\""},
        {"ZarnHook.so", "-t Qelvan -fst BX", "-fst takes the letters B, I, U and S, not \"BX\""},
        {"ZarnHook.so", "-t Qelvan -fc white", "-fc needs a colour RRGGBB in hexadecimal, not \"white\""},
        {"ZarnHook.so", "-t Qelvan -tx (10", "bad position \"(10\": missing ')'"},
        {"ZarnHook.so", "-t Qelvan -fn /no/such/font.ttf", "font file /no/such/font.ttf not found"},
        {"ZarnHook.so", "-q 1 -t Qelvan", "unknown option \"-q\""},
    };
    for (const auto& item : cases) {
        const std::string value = item.arguments.empty() ? VhookPath(item.module) : HookLine(item.module, item.arguments);
        testing::internal::CaptureStderr();
        const THookTask task(value);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), item.module + ": " + item.reason + "\n") << value;
        EXPECT_EQ(task.Error(), "Failed to add video hook function: " + value);
        EXPECT_TRUE(task.Logged("Failed to Configure " + VhookPath(item.module))) << value;
    }
    // The ends of the ranges are in them; a font that is not installed is drawn with DejaVu
    // Sans; a font path without a size gets 16; mode 0 is the default.
    for (const std::string& value :
         {HookLine("imlib2.so", "-t Qelvan -R 0 -G 255 -F Tahoma/512"), HookLine("imlib2.so", "-t Qelvan -F Tahoma/1"),
          HookLine("imlib2.so", "-t Qelvan -F /usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"),
          HookLine("watermark.so", "-f " + gif), HookLine("watermark.so", "-f " + gif + " -m 0"),
          HookLine("ZarnHook.so", "-t Qelvan -fs 1"), HookLine("ZarnHook.so", "-t Qelvan -fs 512")})
        EXPECT_TRUE(THookTask(value).Accepted()) << value;
}

TEST_F(VhookConversion, TasksUseTheModulesAtOnce)
{
    const std::vector<std::string> lines = {
        HookLine("imlib2.so", "-R 255 -G 255 -B 0 -F Tahoma.ttf/16 -t Qelvan -x 10 -y (H-25)*(0.5+0.50*cos(N/97*PI))"),
        HookLine("imlib2.so", "-i " + VhookPath("imlib2.jpg") + " -x (W-w)*(0.5+0.5*sin(N/47*PI)) -y H-h"),
        HookLine("watermark.so", "-f " + VhookPath("watermark.gif") + " -m 1"),
        HookLine("ZarnHook.so", "-i " + VhookPath("ZarnHook.bmp") + " -mc FFFFFF -ix 30 -iy 20"),
        HookLine("ZarnHook.so", "-t Qelvan -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16 -fst BU"),
    };
    // Each line configured by a task of its own and run over twelve frames.
    const auto run = [&](const std::string& line) {
        THookTask task(line);
        TPlanarPicture picture = TPlanarPicture::Yuv420(160, 120, 100);
        for (int frame = 0; frame < 12; ++frame) task.Run(picture, frame * 40000);
        return picture;
    };
    std::vector<TPlanarPicture> expected;
    for (const std::string& line : lines) {
        expected.push_back(run(line));
        EXPECT_FALSE(expected.back().Changed(TPlanarPicture::Yuv420(160, 120, 100)).Empty()) << line;
    }
    constexpr int kThreads = 10;
    std::latch start(kThreads);
    std::vector<int> mismatches(kThreads, 0);
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                for (int round = 0; round < 4; ++round) {
                    const std::size_t which = static_cast<std::size_t>(t + round) % lines.size();
                    const TPlanarPicture result = run(lines[which]);
                    if (!result.Changed(expected[which]).Empty() || !result.OutsideUntouched()) ++mismatches[t];
                }
            });
    }
    EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}
