// The shipped hook modules at work: whole conversions through the engine with "vhook=" lines,
// checked by decoding the output with the ffmpeg tool, and many tasks using the modules at
// once.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <libavutil/pixfmt.h>

#include <cmath>
#include <filesystem>
#include <latch>
#include <thread>

#include "engine/options/ffmpeg_exception.h"
#include "vhook_test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class VhookConversion : public LibrariesLoaded {};


// Every picture of a file decoded by the ffmpeg tool, as 4:2:0 pictures.
std::vector<TPlanarPicture> DecodedPictures(const std::string& path, int width, int height)
{
    const std::string raw =
        RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) + " -f rawvideo -pix_fmt yuv420p -");
    const std::size_t lumaSize = static_cast<std::size_t>(width) * height;
    const std::size_t chromaSize = static_cast<std::size_t>((width + 1) / 2) * ((height + 1) / 2);
    std::vector<TPlanarPicture> pictures;
    for (std::size_t at = 0; at + lumaSize + 2 * chromaSize <= raw.size(); at += lumaSize + 2 * chromaSize) {
        TPlanarPicture picture = TPlanarPicture::Yuv420(width, height, 0);
        std::size_t next = at;
        for (int plane = 0; plane < 3; ++plane) {
            const int planeWidth = plane == 0 ? width : (width + 1) / 2;
            const int planeHeight = plane == 0 ? height : (height + 1) / 2;
            for (int y = 0; y < planeHeight; ++y)
                for (int x = 0; x < planeWidth; ++x)
                    picture.SetSample(plane, x, y, static_cast<std::uint8_t>(raw[next++]));
        }
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

const char* kLossless = "vcodec=ffv1\npix_fmt=yuv420p\n";

}  // namespace

TEST_F(VhookConversion, PictureAndStyledTextOnEveryFrame)
{
    TempFolder folder;
    const std::string grey = MakeMedia(folder.Path("grey.mkv"), "-f lavfi -i color=c=gray:s=160x120:r=10:d=1 -c:v ffv1");
    ASSERT_FALSE(grey.empty());
    CapturingTask task;
    const std::string options = std::string(kLossless) + "vhook=" +
                                HookLine("imlib2.so", "-i " + VhookPath("imlib2.jpg") + " -x W-w -y H-h") + "\r\n" +
                                "vhook=" +
                                HookLine("ZarnHook.so", "-t Qelvan -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16 -fst BU");
    ASSERT_EQ(Convert(task, grey, folder.Path("drawn.mkv"), options), "");
    const auto source = DecodedPictures(grey, 160, 120);
    const auto drawn = DecodedPictures(folder.Path("drawn.mkv"), 160, 120);
    ASSERT_EQ(source.size(), 10u);
    ASSERT_EQ(drawn.size(), 10u);
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const TChangedArea changed = drawn[i].Changed(source[i]);
        // The picture fills the corner; the text lies near (10, 10); nothing else changes.
        EXPECT_EQ(changed.right, 159) << i;
        EXPECT_EQ(changed.bottom, 119) << i;
        EXPECT_GE(changed.left, 10) << i;
        EXPECT_GE(changed.top, 10) << i;
        EXPECT_LE(changed.top, 25) << i;
        EXPECT_NE(drawn[i].Luma(159 - 32, 119 - 24), source[i].Luma(159 - 32, 119 - 24)) << i;
        int changedInMiddle = 0;
        for (int y = 60; y < 120 - 48; ++y) changedInMiddle += drawn[i].ChangedInRow(source[i], 0, y);
        EXPECT_EQ(changedInMiddle, 0) << i;
        int textPixels = 0;
        for (int y = 10; y < 50; ++y) textPixels += drawn[i].ChangedInRow(source[i], 0, y);
        EXPECT_GT(textPixels, 100) << i;
    }
    EXPECT_EQ(DecodeErrors(folder.Path("drawn.mkv")), "");
}

TEST_F(VhookConversion, DancingPictureMovesAcrossTheOutput)
{
    TempFolder folder;
    const std::string black = MakeMedia(folder.Path("black.mkv"), "-f lavfi -i color=c=black:s=320x240:r=25:d=1 -c:v ffv1");
    ASSERT_FALSE(black.empty());
    CapturingTask task;
    const std::string line = HookLine("imlib2.so", "-i " + VhookPath("imlib2.jpg") +
                                                       " -x (W-w)*(0.5+0.5*sin(N/47*PI)) -y (H-h)*(0.5+0.5*cos(N/97*PI))");
    ASSERT_EQ(Convert(task, black, folder.Path("dancing.mkv"), std::string(kLossless) + "vhook=" + line), "");
    const auto source = DecodedPictures(black, 320, 240);
    const auto drawn = DecodedPictures(folder.Path("dancing.mkv"), 320, 240);
    ASSERT_EQ(drawn.size(), 25u);
    ASSERT_EQ(source.size(), 25u);
    const double pi = std::acos(-1.0);
    for (int frame : {0, 12, 24}) {
        const TChangedArea changed = drawn[frame].Changed(source[frame]);
        EXPECT_EQ(changed.left, std::lround(256 * (0.5 + 0.5 * std::sin(frame / 47.0 * pi)))) << frame;
        EXPECT_EQ(changed.top, std::lround(192 * (0.5 + 0.5 * std::cos(frame / 97.0 * pi)))) << frame;
    }
    EXPECT_NE(drawn[0].Changed(source[0]).left, drawn[24].Changed(source[24]).left);
}

TEST_F(VhookConversion, WatermarkFromAFolderWithABlank)
{
    // The option form separates a line's items by "|" when a path holds a blank.
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

TEST_F(VhookConversion, RefusedLineStopsTheTask)
{
    TempFolder folder;
    const std::string grey = MakeMedia(folder.Path("grey.mkv"), "-f lavfi -i color=c=gray:s=64x48:r=10:d=0.3 -c:v ffv1");
    ASSERT_FALSE(grey.empty());
    CapturingTask task;
    const std::string value = HookLine("watermark.so", "-f " + folder.Path("missing.gif") + " -m 0");
    EXPECT_EQ(Convert(task, grey, folder.Path("never.mkv"), std::string(kLossless) + "vhook=" + value),
              "Failed to add video hook function: " + value);
}

namespace {

// A module called directly, the way several tasks' chains call it at once.
struct TDirectHook {
    std::string module;
    std::string arguments;  // separated by blanks
};

TPlanarPicture RunDirectly(void* library, const TDirectHook& hook, int frames)
{
    auto configure = reinterpret_cast<MirelkHookConfigureProc>(dlsym(library, "Configure"));
    auto process = reinterpret_cast<MirelkHookProcessProc>(dlsym(library, "Process"));
    auto release = reinterpret_cast<MirelkHookReleaseProc>(dlsym(library, "Release"));
    std::vector<std::string> items = {VhookPath(hook.module)};
    for (std::size_t start = 0; start < hook.arguments.size();) {
        const std::size_t end = std::min(hook.arguments.find(' ', start), hook.arguments.size());
        items.push_back(hook.arguments.substr(start, end - start));
        start = end + 1;
    }
    std::vector<char*> argv;
    for (auto& item : items) argv.push_back(item.data());
    argv.push_back(nullptr);
    TPlanarPicture picture = TPlanarPicture::Yuv420(160, 120, 100);
    void* context = nullptr;
    if (configure(&context, static_cast<int>(items.size()), argv.data()) != 0) return picture;
    for (int frame = 0; frame < frames; ++frame)
        process(context, &picture.Picture(), AV_PIX_FMT_YUV420P, picture.Width(), picture.Height(), frame * 40000);
    release(context);
    return picture;
}

}  // namespace

TEST(VhookConcurrency, TasksUseTheModulesAtOnce)
{
    const std::vector<TDirectHook> hooks = {
        {"imlib2.so", "-R 255 -G 255 -B 0 -F Tahoma.ttf/16 -t Qelvan -x 10 -y (H-25)*(0.5+0.50*cos(N/97*PI))"},
        {"imlib2.so", "-i " + VhookPath("imlib2.jpg") + " -x (W-w)*(0.5+0.5*sin(N/47*PI)) -y H-h"},
        {"watermark.so", "-f " + VhookPath("watermark.gif") + " -m 1"},
        {"ZarnHook.so", "-i " + VhookPath("ZarnHook.bmp") + " -mc FFFFFF -ix 30 -iy 20"},
        {"ZarnHook.so", "-t Qelvan -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16 -fst BU"},
    };
    std::vector<void*> libraries;
    for (const auto& hook : hooks) {
        libraries.push_back(dlopen(VhookPath(hook.module).c_str(), RTLD_NOW | RTLD_LOCAL));
        ASSERT_NE(libraries.back(), nullptr) << dlerror();
    }
    constexpr int kFrames = 12;
    std::vector<TPlanarPicture> expected;
    for (std::size_t i = 0; i < hooks.size(); ++i) expected.push_back(RunDirectly(libraries[i], hooks[i], kFrames));

    constexpr int kThreads = 10;
    constexpr int kRounds = 4;
    std::latch start(kThreads);
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int round = 0; round < kRounds; ++round) {
                const std::size_t which = static_cast<std::size_t>(t + round) % hooks.size();
                const TPlanarPicture result = RunDirectly(libraries[which], hooks[which], kFrames);
                if (!result.Changed(expected[which]).Empty() || !result.OutsideUntouched()) ++mismatches[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
    for (std::size_t i = 0; i < hooks.size(); ++i)
        EXPECT_FALSE(expected[i].Changed(TPlanarPicture::Yuv420(160, 120, 100)).Empty()) << hooks[i].arguments;
    for (void* library : libraries) dlclose(library);
}
