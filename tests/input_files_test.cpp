#include <gtest/gtest.h>

#include <fstream>

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::MakeMedia;
using mirelk::test::SamplePath;
using mirelk::test::TempFolder;

namespace {

class InputFiles : public mirelk::test::LibrariesLoaded {};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

TEST_F(InputFiles, OpenFailuresGiveTheirTexts)
{
    TempFolder folder;
    CapturingTask task;
    const std::string missing = folder.Path("no such clip.mp4");
    EXPECT_FALSE(task.OpenInputFile(missing));
    EXPECT_EQ(task.LastErrMsg, missing + ": no such file or directory");

    // No demuxer recognises plain text with a name no demuxer claims.
    const std::string text = folder.Path("notes.xyz");
    WriteText(text, "Shopping list: milk, eggs, bread.\nNothing here is a picture.\n");
    EXPECT_FALSE(task.OpenInputFile(text));
    EXPECT_EQ(task.LastErrMsg, text + ": Unknown format");

    // The same text named .mp4 reaches the MP4 demuxer, which fails on the header.
    const std::string fakeMp4 = folder.Path("notes.mp4");
    WriteText(fakeMp4, "Shopping list: milk, eggs, bread.\nNothing here is a picture.\n");
    EXPECT_FALSE(task.OpenInputFile(fakeMp4));
    EXPECT_EQ(task.LastErrMsg, fakeMp4 + ": Error while parsing header");

    const std::string empty = folder.Path("empty.mkv");
    WriteText(empty, "");
    EXPECT_FALSE(task.OpenInputFile(empty));
    EXPECT_EQ(task.LastErrMsg.rfind(empty + ": ", 0), 0u) << task.LastErrMsg;

    // Codec names are checked before anything is opened, and used up by the attempt.
    task.ParseOption("acodec", "no_such_decoder");
    EXPECT_FALSE(task.OpenInputFile(missing));
    EXPECT_EQ(task.LastErrMsg, "Unknown decoder 'no_such_decoder'");
    task.ParseOption("vcodec", "mp3");
    EXPECT_FALSE(task.OpenInputFile(missing));
    EXPECT_EQ(task.LastErrMsg, "Invalid decoder type 'mp3'");
    EXPECT_TRUE(task.Options().videoCodecName.empty());
    EXPECT_EQ(task.InputCount(), 0);
}

TEST_F(InputFiles, PropertiesFlowIntoTheOptions)
{
    TempFolder folder;
    const std::string clip = MakeMedia(folder.Path("clip 片段.mkv"),
                                       "-f lavfi -i testsrc=duration=2:size=320x240:rate=25 -f lavfi -i "
                                       "sine=frequency=440:duration=2:sample_rate=22050 -ac 1 -c:v mpeg4 -c:a mp2");
    ASSERT_FALSE(clip.empty());
    CapturingTask task;
    task.ParseOptionText("an\nvcodec=mpeg4", false);
    ASSERT_TRUE(task.OpenInputFile(clip)) << task.LastErrMsg;
    EXPECT_EQ(task.InputCount(), 1);
    EXPECT_EQ(task.Options().frameWidth, 320);
    EXPECT_EQ(task.Options().frameHeight, 240);
    EXPECT_EQ(task.Options().frameRate.num, 25);
    EXPECT_EQ(task.Options().frameRate.den, 1);
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(task.Options().framePixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(task.Options().audioSampleRate, 22050);
    EXPECT_EQ(task.Options().audioChannels, 1);
    EXPECT_GE(task.Options().expectedTotalDuration, 1990);
    // "an" before the input discards its audio; the video decoder named is kept per stream.
    const AVFormatContext* context = task.Input(0).context.get();
    ASSERT_EQ(context->nb_streams, 2u);
    EXPECT_EQ(context->streams[0]->discard, AVDISCARD_DEFAULT);
    EXPECT_EQ(context->streams[1]->discard, AVDISCARD_ALL);
    ASSERT_EQ(task.InputStreams().size(), 2u);
    ASSERT_NE(task.InputStreams()[0].decoder, nullptr);
    EXPECT_STREQ(task.InputStreams()[0].decoder->name, "mpeg4");
    EXPECT_EQ(task.InputStreams()[1].decoder, nullptr);
    // The per-file options are used up.
    EXPECT_TRUE(task.Options().videoCodecName.empty());

    // A 25 fps input chooses PAL for a target with the automatic norm.
    task.ParseOption("target", "vcd");
    EXPECT_EQ(task.Options().frameWidth, 352);
    EXPECT_EQ(task.Options().frameHeight, 288);
    EXPECT_STREQ(task.AVOptions()->CodecOptions(miVideo).Get("g"), "15");
}

TEST_F(InputFiles, AutoNormLooksAtTheOpenInputs)
{
    TempFolder folder;
    const std::string ntsc =
        MakeMedia(folder.Path("ntsc.mkv"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=30000/1001 -c:v mpeg4");
    ASSERT_FALSE(ntsc.empty());
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(ntsc)) << task.LastErrMsg;
    task.ParseOption("r", "12");  // the rate option decides nothing; the input's stream does
    task.ParseOption("target", "dvd");
    EXPECT_EQ(task.Options().frameHeight, 480);
    EXPECT_EQ(task.Options().frameRate.num, 30000);
    // The input's own aspect stays: nothing is assumed for it.
    EXPECT_EQ(task.messages.back(), (std::pair<int, std::string>{1, "Assuming NTSC for target."}));
}

TEST_F(InputFiles, StartTimeSeeksOnceAndSetsTheOffset)
{
    TempFolder folder;
    const std::string clip = MakeMedia(folder.Path("keys.mp4"),
                                       "-f lavfi -i testsrc=duration=4:size=64x48:rate=25 -c:v mpeg4 -g 10");
    ASSERT_FALSE(clip.empty());
    CapturingTask task;
    task.ParseOption("ss", "2");
    ASSERT_TRUE(task.OpenInputFile(clip)) << task.LastErrMsg;
    EXPECT_EQ(task.Options().startTime, 0);
    const AVFormatContext* context = task.Input(0).context.get();
    const std::int64_t ownStart = context->start_time == AV_NOPTS_VALUE ? 0 : context->start_time;
    EXPECT_EQ(task.Input(0).timestampOffset, -(2000000 + ownStart));
    // The next packet read is the key picture at the seek target, not the first one.
    AVPacket* packet = av::av_packet_alloc();
    ASSERT_GE(av::av_read_frame(task.Input(0).context.get(), packet), 0);
    EXPECT_NEAR(packet->pts * av_q2d(context->streams[packet->stream_index]->time_base), 2.0, 0.05);
    av::av_packet_free(&packet);

    // A second input is not seeked: the start time was used up.
    ASSERT_TRUE(task.OpenInputFile(clip)) << task.LastErrMsg;
    packet = av::av_packet_alloc();
    ASSERT_GE(av::av_read_frame(task.Input(1).context.get(), packet), 0);
    EXPECT_EQ(packet->pts, 0);
    av::av_packet_free(&packet);

    // With copied timestamps the offset is the option alone.
    CapturingTask copying;
    copying.ParseOptionText("ss=1\ncopyts\nitsoffset=3", false);
    ASSERT_TRUE(copying.OpenInputFile(clip));
    EXPECT_EQ(copying.Input(0).timestampOffset, 3000000);
}

TEST_F(InputFiles, SharedSampleProperties)
{
    const std::string sample = SamplePath("h264-aac-1080p.mp4");
    if (sample.empty()) GTEST_SKIP() << "no shared samples";
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(sample)) << task.LastErrMsg;
    EXPECT_EQ(task.Options().frameWidth, 1920);
    EXPECT_EQ(task.Options().frameHeight, 1080);
    EXPECT_EQ(task.Options().frameRate.num, 25);
    EXPECT_EQ(task.Options().audioSampleRate, 48000);
    EXPECT_EQ(task.Options().audioChannels, 2);
    EXPECT_NEAR(task.Options().expectedTotalDuration, 5060, 40);

    const std::string surround = SamplePath("ac3-5.1.mkv");
    ASSERT_TRUE(task.OpenInputFile(surround)) << task.LastErrMsg;
    EXPECT_EQ(task.Options().audioChannels, 6);
    EXPECT_EQ(task.Options().audioChannelLayout, AV_CH_LAYOUT_5POINT1);
    EXPECT_EQ(task.InputCount(), 2);
    EXPECT_EQ(task.InputStreams().size(), 3u);
}

TEST_F(InputFiles, PictureWithoutSizeGetsFourThirds)
{
    TempFolder folder;
    const std::string full = MakeMedia(folder.Path("full.ts"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 -c:v libx264");
    ASSERT_FALSE(full.empty());
    // Only the table packets: the stream is declared, but no picture says its size.
    std::ifstream in(full, std::ios::binary);
    std::string head(188 * 3, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const std::string tablesOnly = folder.Path("tables.ts");
    std::ofstream(tablesOnly, std::ios::binary) << head;
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(tablesOnly)) << task.LastErrMsg;
    EXPECT_EQ(task.Options().frameWidth, 0);
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 4.0f / 3.0f);
}

TEST_F(InputFiles, RateNoticeOnlyWhenVerbose)
{
    TempFolder folder;
    // Every third picture of 25 fps: the stream's base rate and its average rate differ.
    const std::string sparse = MakeMedia(folder.Path("sparse.mp4"),
                                         "-f lavfi -i testsrc=duration=2:size=64x48:rate=25 "
                                         "-vf select='not(mod(n\\,3))' -vsync vfr -c:v mpeg4");
    ASSERT_FALSE(sparse.empty());
    const auto notices = [&](const char* verbosity) {
        CapturingTask task;
        task.ParseOption("v", verbosity);
        EXPECT_TRUE(task.OpenInputFile(sparse)) << task.LastErrMsg;
        int count = 0;
        for (const auto& [level, text] : task.messages)
            if (text.rfind("Seems stream 0 codec frame rate differs from container frame rate: ", 0) == 0) {
                EXPECT_EQ(level, 1);
                ++count;
            }
        return count;
    };
    EXPECT_EQ(notices("1"), 1);
    EXPECT_EQ(notices("0"), 0);
}

TEST_F(InputFiles, TruncatedInputOpensOrFailsCleanly)
{
    const std::string sample = SamplePath("h264-aac-1080p.mp4");
    if (sample.empty()) GTEST_SKIP() << "no shared samples";
    TempFolder folder;
    std::ifstream in(sample, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const std::string truncated = folder.Path("cut.mp4");
    std::ofstream(truncated, std::ios::binary) << head;
    CapturingTask task;
    const bool opened = task.OpenInputFile(truncated);
    if (!opened) {
        EXPECT_EQ(task.LastErrMsg.rfind(truncated + ": ", 0), 0u) << task.LastErrMsg;
    }
    EXPECT_EQ(task.InputCount(), opened ? 1 : 0);
}
