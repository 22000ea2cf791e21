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

// Formats from the samples and from made clips, checked by ffprobe. The disc presets make the
// sound stereo: a VCD whatever the input has, a DVD from mono.
TEST_F(VideoTranscode, Formats)
{
    const std::string sample = SamplePath("h264-aac-1080p.mp4");
    const std::string square = SamplePath("vp9-1080x1080.webm");
    if (sample.empty()) GTEST_SKIP() << "no shared samples";
    const std::string surround = MakeMedia(folder.Path("surround.mkv"),
                                           "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 -f lavfi -i "
                                           "anullsrc=channel_layout=5.1:sample_rate=48000 -t 1 -c:v mpeg4 -c:a flac");
    const std::string mono = MakeMedia(folder.Path("mono.mkv"),
                                       "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 -f lavfi -i "
                                       "sine=duration=1:sample_rate=48000 -c:v mpeg4 -c:a flac");
    ASSERT_FALSE(surround.empty() || mono.empty());
    struct Case {
        std::string input;
        const char* name;
        const char* options;
        const char* video;  // codec, width, height, rate
        const char* audio;  // codec, rate, channels; "" for none
    };
    const Case cases[] = {
        {sample, "out.avi", "vcodec=mpeg4\nacodec=libmp3lame\ns=640x360\nb=1000000", "mpeg4\n640\n360\n25/1",
         "mp3\n48000\n2"},
        {sample, "out.mkv", "vcodec=libx264\nacodec=aac\ns=640x360\npreset=ultrafast", "h264\n640\n360\n25/1",
         "aac\n48000\n2"},
        {sample, "out.3gp", "vcodec=h263\nacodec=libopencore_amrnb\ns=128x96\nar=8000\nac=1\nab=12200\nr=15",
         "h263\n128\n96\n15/1", "amr_nb\n8000\n1"},
        {square, "square.mp4", "vcodec=mpeg4\ns=360x360", "mpeg4\n360\n360\n30/1", ""},
        {surround, "out.mpg", "target=pal-vcd", "mpeg1video\n352\n288\n25/1", "mp2\n44100\n2"},
        {mono, "out.vob", "target=pal-dvd", "mpeg2video\n720\n576\n25/1", "ac3\n48000\n2"},
    };
    for (const Case& c : cases) {
        CapturingTask task;
        const std::string out = folder.Path(c.name);
        ASSERT_EQ(Convert(task, c.input, out, c.options), "") << c.name;
        EXPECT_TRUE(task.Finished) << c.name;
        EXPECT_EQ(Probe(out, "v:0", "stream=codec_name,width,height,r_frame_rate"), c.video) << c.name;
        EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,sample_rate,channels"), c.audio) << c.name;
        EXPECT_NEAR(ProbeDuration(out), ProbeDuration(c.input), 0.1) << c.name;
        EXPECT_EQ(DecodeErrors(out), "") << c.name;
    }
    // The disc presets' packet sizes reached the muxer.
    EXPECT_EQ(fs::file_size(folder.Path("out.mpg")) % 2324, 0u);
    EXPECT_EQ(fs::file_size(folder.Path("out.vob")) % 2048, 0u);

    // A tiny picture into an encoder that wants at least 16 x 16: asked for a larger size.
    CapturingTask tiny;
    const std::string grown = folder.Path("grown.avi");
    ASSERT_EQ(Convert(tiny, SamplePath("vp8-8x8.webm"), grown, "vcodec=mpeg4\ns=32x32"), "");
    EXPECT_EQ(Probe(grown, "v:0", "stream=codec_name,width,height"), "mpeg4\n32\n32");
    EXPECT_EQ(DecodeErrors(grown), "");
}

TEST_F(VideoTranscode, FrameRateSync)
{
    const std::string at25 = MakeMedia(folder.Path("25.mkv"), "-f lavfi -i testsrc=duration=2:size=64x48:rate=25 -c:v mpeg4");
    const std::string at50 = MakeMedia(folder.Path("50.mkv"), "-f lavfi -i testsrc=duration=2:size=64x48:rate=50 -c:v mpeg4");
    ASSERT_FALSE(at25.empty());
    ASSERT_FALSE(at50.empty());

    CapturingTask doubling;
    const std::string doubled = folder.Path("doubled.avi");
    ASSERT_EQ(Convert(doubling, at25, doubled, "vcodec=mpeg4\nr=50\nvsync=1\nv=3"), "");
    const int duplicated = doubling.MessageCount("*** 1 dup!");
    EXPECT_GE(duplicated, 46);
    EXPECT_LE(duplicated, 49);
    EXPECT_NEAR(CountFrames(doubled), 100, 2);

    CapturingTask halving;
    const std::string halved = folder.Path("halved.avi");
    ASSERT_EQ(Convert(halving, at50, halved, "vcodec=mpeg4\nr=25\nvsync=1\nv=3"), "");
    const int dropped = halving.MessageCount("*** drop!");
    EXPECT_GE(dropped, 47);
    EXPECT_LE(dropped, 50);
    EXPECT_NEAR(CountFrames(halved), 50, 2);
    // The summary line at debug level counts them too.
    EXPECT_TRUE(std::any_of(halving.messages.begin(), halving.messages.end(), [&](const auto& message) {
        return message.second.find(" drop=" + std::to_string(dropped)) != std::string::npos;
    }));

    CapturingTask following;
    const std::string followed = folder.Path("followed.avi");
    ASSERT_EQ(Convert(following, at50, followed, "vcodec=mpeg4\nr=25\nvsync=0\nv=3"), "");
    EXPECT_EQ(following.MessageCount("*** drop!"), 0);
    EXPECT_EQ(CountFrames(followed), 100);
}

TEST_F(VideoTranscode, CropPadAndColour)
{
    // A red picture, cropped, then padded with blue bands.
    const std::string red = MakeMedia(folder.Path("red.mkv"), "-f lavfi -i color=c=red:size=160x120:rate=25:d=1 -c:v ffv1");
    ASSERT_FALSE(red.empty());
    CapturingTask task;
    const std::string out = folder.Path("framed.mkv");
    // Crops apply to the size known when they are given: the input's, once it is open.
    ASSERT_EQ(Convert(task, red, out,
                      "vcodec=ffv1\ncroptop=20\ncropbottom=20\ncropleft=10\ncropright=10\npadtop=20\npadbottom=20\n"
                      "padcolor=16711680"),
              "");
    EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), "140\n120");
    // Rows 0-19 are the pad colour (blue), rows 20-99 the picture (red).
    const std::string rgb = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(out) +
                                       " -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(rgb.size(), 140u * 120 * 3);
    const auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * 140 + x) * 3;
        return std::vector<int>{static_cast<unsigned char>(rgb[at]), static_cast<unsigned char>(rgb[at + 1]),
                                static_cast<unsigned char>(rgb[at + 2])};
    };
    const std::vector<int> band = pixel(70, 5);
    EXPECT_LT(band[0], 40);
    EXPECT_GT(band[2], 200);
    const std::vector<int> inside = pixel(70, 60);
    EXPECT_GT(inside[0], 200);
    EXPECT_LT(inside[2], 40);
    EXPECT_EQ(pixel(70, 115), band);
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
