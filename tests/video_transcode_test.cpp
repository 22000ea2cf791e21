// Conversions that re-encode pictures, checked with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class VideoTranscode : public LibrariesLoaded {
protected:
    TempFolder folder;
};

}  // namespace

// Pictures are duplicated to reach a higher rate and dropped to reach a lower one, each told at
// debug level and counted in the last report line; without sync they go through as they came.
TEST_F(VideoTranscode, FrameRateSync)
{
    struct Case {
        int inputRate;
        const char* options;
        const char* notice;
        int least;
        int most;
    };
    const Case cases[] = {
        {25, "r=50\nvsync=1", "*** 1 dup!", 46, 49},
        {50, "r=25\nvsync=1", "*** drop!", 47, 50},
        {50, "r=25\nvsync=0", "*** drop!", 0, 0},
    };
    for (const Case& c : cases) {
        const std::string rate = std::to_string(c.inputRate);
        const std::string input = MakeMedia(folder.Path(rate + ".mkv"),
                                            "-f lavfi -i testsrc=duration=2:size=64x48:rate=" + rate + " -c:v mpeg4");
        ASSERT_FALSE(input.empty());
        CapturingTask task;
        const std::string out = folder.Path("out.avi");
        ASSERT_EQ(Convert(task, input, out, std::string("vcodec=mpeg4\nv=3\n") + c.options), "") << c.options;
        EXPECT_GE(task.MessageCount(c.notice), c.least) << c.options;
        EXPECT_LE(task.MessageCount(c.notice), c.most) << c.options;
        const int dups = task.MessageCount("*** 1 dup!");
        const int drops = task.MessageCount("*** drop!");
        EXPECT_EQ(CountFrames(out), 2 * c.inputRate + dups - drops) << c.options;
        const std::string counts = " dup=" + std::to_string(dups) + " drop=" + std::to_string(drops);
        EXPECT_TRUE(std::any_of(task.messages.begin(), task.messages.end(), [&](const auto& message) {
            return message.second.find(counts) != std::string::npos;
        })) << c.options << counts;
    }
}

TEST_F(VideoTranscode, CropPadAndColour)
{
    // A red picture, cropped, then framed in blue bands.
    const std::string red = MakeMedia(folder.Path("red.mkv"), "-f lavfi -i color=c=red:size=160x120:rate=25:d=1 -c:v ffv1");
    ASSERT_FALSE(red.empty());
    CapturingTask task;
    const std::string out = folder.Path("framed.mkv");
    // Crops apply to the size known when they are given: the input's, once it is open.
    ASSERT_EQ(Convert(task, red, out,
                      "vcodec=ffv1\ncroptop=20\ncropbottom=20\ncropleft=10\ncropright=10\npadtop=20\npadbottom=20\n"
                      "padleft=8\npadright=12\npadcolor=16711680"),
              "");
    EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), "160\n120");
    const std::string rgb = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(out) +
                                       " -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(rgb.size(), 160u * 120 * 3);
    // Red and blue of a pixel; the picture is rows 20-99, columns 8-147.
    const auto redAndBlue = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * 160 + x) * 3;
        return std::pair<int, int>{static_cast<unsigned char>(rgb[at]), static_cast<unsigned char>(rgb[at + 2])};
    };
    for (const auto& [x, y] : {std::pair{70, 5}, {70, 115}, {5, 60}, {152, 60}}) {
        EXPECT_LT(redAndBlue(x, y).first, 40) << x << "," << y;
        EXPECT_GT(redAndBlue(x, y).second, 200) << x << "," << y;
    }
    for (const auto& [x, y] : {std::pair{70, 60}, {70, 22}, {70, 97}, {10, 60}, {145, 60}}) {
        EXPECT_GT(redAndBlue(x, y).first, 200) << x << "," << y;
        EXPECT_LT(redAndBlue(x, y).second, 40) << x << "," << y;
    }
}

// The first pass at a fixed quantiser also tells its report line: the quantiser, its histogram
// (quantiser 3 counted every report), the PSNR, the size.
TEST_F(VideoTranscode, TwoPassStatisticsAndTheReportLine)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=2:size=160x120:rate=25 -c:v ffv1");
    ASSERT_FALSE(clip.empty());
    const std::string prefix = folder.Path("stats");
    CapturingTask first;
    first.ProgressInterval = 0;
    ASSERT_EQ(Convert(first, clip, folder.Path("pass1.avi"), "vcodec=mpeg4\nqscale=3\npsnr\nqphist\npass=1\npasslogfile=" + prefix),
              "");
    ASSERT_TRUE(fs::exists(prefix + "-0.log"));
    EXPECT_GT(fs::file_size(prefix + "-0.log"), 100u);
    std::string final;
    for (const auto& message : first.messages)
        if (message.second.rfind("frame=   50", 0) == 0 && message.second.find(" L") != std::string::npos) final = message.second;
    EXPECT_NE(final.find("q=3.0 L000"), std::string::npos) << final;
    EXPECT_NE(final.find("PSNR=Y:"), std::string::npos) << final;
    EXPECT_NE(final.find(" *:"), std::string::npos) << final;
    EXPECT_NE(final.find("size="), std::string::npos) << final;

    CapturingTask second;
    const std::string out = folder.Path("pass2.avi");
    ASSERT_EQ(Convert(second, clip, out,
                      "vcodec=mpeg4\nb=200000\npass=2\npasslogfile=" + prefix + "\nvstats_file=" + folder.Path("v.log")),
              "");
    EXPECT_EQ(DecodeErrors(out), "");
    EXPECT_EQ(CountFrames(out), 50);
    const std::string statistics = RunCommand("head -n 1 " + ShellQuoted(folder.Path("v.log")));
    EXPECT_EQ(statistics.rfind("frame=     1 q= ", 0), 0u) << statistics;
    EXPECT_NE(statistics.find("type= I"), std::string::npos) << statistics;

    CapturingTask missing;
    EXPECT_EQ(Convert(missing, clip, folder.Path("nolog.avi"), "vcodec=mpeg4\npass=2\npasslogfile=" + folder.Path("none")),
              "Cannot read log file " + folder.Path("none") + "-0.log for pass-2 encoding");
}

// Records come about once per interval: the clip read at its own pace (input option "re") for two
// seconds, a record due every tenth of one, gives many however slow the machine; one a second
// would give two or three. The last one tells the whole run.
TEST_F(VideoTranscode, ProgressRecords)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=2:size=160x120:rate=25 "
                                                                "-f lavfi -i sine=duration=2 -c:v mpeg4 -c:a mp2");
    ASSERT_FALSE(clip.empty());
    CapturingTask task;
    task.ProgressInterval = 100000;
    std::vector<TProgressRecord> records;
    task.OnProgress = [&](TCustomFFmpeg&, const TProgressRecord& record) { records.push_back(record); };
    ASSERT_EQ(Convert(task, clip, folder.Path("out.avi"), "vcodec=mpeg4\nacodec=mp2", "re"), "");
    ASSERT_GE(records.size(), 8u);
    EXPECT_GE(records.front().frameNumber, 1);
    EXPECT_EQ(records.back().frameNumber, 50);
    EXPECT_GT(records.back().quality, 0.0f);
    EXPECT_NEAR(records.back().currentDuration, 2000, 100);
    EXPECT_NEAR(records.back().totalOutputDuration, 2000, 100);
    EXPECT_EQ(records.back().currentSize, static_cast<std::int64_t>(fs::file_size(folder.Path("out.avi"))));
    // With a progress callback the report line is not logged; the summary still is.
    bool summary = false;
    for (const auto& message : task.messages) {
        EXPECT_EQ(message.second.rfind("frame=", 0), std::string::npos);
        if (message.second.rfind("video:", 0) != 0) continue;
        summary = true;
        // The coded bytes it counts are the file less the container's own overhead.
        double videoKB = 0;
        double audioKB = 0;
        ASSERT_EQ(std::sscanf(message.second.c_str(), "video:%lfkB audio:%lfkB", &videoKB, &audioKB), 2);
        const double fileKB = static_cast<double>(fs::file_size(folder.Path("out.avi"))) / 1024;
        EXPECT_LE(videoKB + audioKB, fileKB + 1);
        EXPECT_GE(videoKB + audioKB, fileKB * 0.8);
    }
    EXPECT_TRUE(summary);
}
