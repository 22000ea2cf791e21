#include <gtest/gtest.h>

#include <fstream>

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::MakeMedia;
using mirelk::test::TempFolder;

namespace {

class InputFiles : public mirelk::test::LibrariesLoaded {
protected:
    TempFolder folder;
};

}  // namespace

TEST_F(InputFiles, OpenFailuresGiveTheirTexts)
{
    CapturingTask task;
    const std::string missing = folder.Path("no such clip.mp4");
    EXPECT_FALSE(task.OpenInputFile(missing));
    EXPECT_EQ(task.LastErrMsg, missing + ": no such file or directory");

    // Plain text: no demuxer recognises it under a name none claims; named .mp4, it reaches
    // the MP4 demuxer, which fails on the header.
    for (const auto& [name, reason] : {std::pair<std::string, std::string>{"notes.xyz", "Unknown format"},
                                       {"notes.mp4", "Error while parsing header"}, {"empty.mkv", ""}}) {
        const std::string path = folder.Path(name);
        std::ofstream(path) << (reason.empty() ? "" : "Shopping list: milk, eggs, bread.\nNothing here is a picture.\n");
        EXPECT_FALSE(task.OpenInputFile(path));
        // An empty file fails with whatever the demuxer says, after the name.
        const std::string expected = path + ": " + reason;
        EXPECT_EQ(reason.empty() ? task.LastErrMsg.substr(0, expected.size()) : task.LastErrMsg, expected);
    }

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
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 4.0f / 3.0f);
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

    // A target's norm comes from the input's rate where the rate option decides none.
    task.ParseOptionText("r=12\ntarget=vcd", false);
    EXPECT_EQ(task.Options().frameHeight, 288);
    EXPECT_EQ(task.Options().frameRate.num, 25);
}

TEST_F(InputFiles, StartTimeSeeksOnceAndSetsTheOffset)
{
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
    // The next packet read is the key picture at the seek target, not the first one; a second
    // input is not seeked, the start time was used up.
    const auto nextTime = [](const TOpenInput& input) {
        AVPacket* packet = av::av_packet_alloc();
        double time = -1;
        if (av::av_read_frame(input.context.get(), packet) >= 0)
            time = packet->pts * av_q2d(input.context->streams[packet->stream_index]->time_base);
        av::av_packet_free(&packet);
        return time;
    };
    EXPECT_NEAR(nextTime(task.Input(0)), 2.0, 0.05);
    ASSERT_TRUE(task.OpenInputFile(clip)) << task.LastErrMsg;
    EXPECT_EQ(nextTime(task.Input(1)), 0.0);

    // With copied timestamps the offset is the option alone.
    CapturingTask copying;
    copying.ParseOptionText("ss=1\ncopyts\nitsoffset=3", false);
    ASSERT_TRUE(copying.OpenInputFile(clip));
    EXPECT_EQ(copying.Input(0).timestampOffset, 3000000);
}

TEST_F(InputFiles, RateNoticeOnlyWhenVerbose)
{
    // Every third picture of 25 fps: the stream's base rate and its average rate differ.
    const std::string sparse = MakeMedia(folder.Path("sparse.mp4"),
                                         "-f lavfi -i testsrc=duration=2:size=64x48:rate=25 "
                                         "-vf select='not(mod(n\\,3))' -vsync vfr -c:v mpeg4");
    ASSERT_FALSE(sparse.empty());
    const auto notices = [&](const char* verbosity) {
        CapturingTask task;
        task.ParseOption("v", verbosity);
        EXPECT_TRUE(task.OpenInputFile(sparse)) << task.LastErrMsg;
        return task.MessageCount("Seems stream 0 codec frame rate differs from container frame rate: ");
    };
    EXPECT_EQ(notices("1"), 1);
    EXPECT_EQ(notices("0"), 0);
}
