#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::FailureOf;
using mirelk::test::MakeMedia;
using mirelk::test::TempFolder;
namespace fs = std::filesystem;

namespace {

class OutputFiles : public mirelk::test::LibrariesLoaded {
protected:
    void SetUp() override
    {
        LibrariesLoaded::SetUp();
        clip = MakeMedia(folder.Path("in.mkv"), "-f lavfi -i testsrc=duration=1:size=320x240:rate=25 -f lavfi -i "
                                                "sine=duration=1:sample_rate=44100 -c:v mpeg4 -c:a mp2");
        ASSERT_FALSE(clip.empty());
    }
    TempFolder folder;
    std::string clip;  // a short clip with picture and sound
};

std::vector<AVMediaType> StreamTypes(const TOpenOutput& output)
{
    std::vector<AVMediaType> types;
    for (const TOpenOutputStream& stream : output.streams) types.push_back(stream.codec->codec_type);
    return types;
}

}  // namespace

TEST_F(OutputFiles, FormatsAndFolders)
{
    CapturingTask task;
    const std::string unknown = folder.Path("result.nosuchformat");
    EXPECT_FALSE(task.OpenOutputFile(unknown));
    EXPECT_EQ(task.LastErrMsg, "Unable to find a suitable output format for '" + unknown + "'");

    const std::string nowhere = folder.Path("missing folder/result.mkv");
    EXPECT_FALSE(task.OpenOutputFile(nowhere));
    EXPECT_EQ(task.LastErrMsg, "Could not open '" + nowhere + "': No such file or directory");
    EXPECT_FALSE(fs::exists(folder.Path("missing folder")));
    EXPECT_EQ(task.OutputCount(), 0);

    // The forced format wins over the file name, and is used up by the output.
    task.ParseOption("f", "matroska");
    const std::string forced = folder.Path("result ü.dat");
    ASSERT_TRUE(task.OpenOutputFile(forced)) << task.LastErrMsg;
    EXPECT_STREQ(task.Output(0).context->oformat->name, "matroska");
    EXPECT_EQ(task.Options().forcedOutputFormat, nullptr);
    // The file is made by a run: until then nothing is on the disk, under its name or beside it.
    EXPECT_FALSE(fs::exists(forced));
    EXPECT_FALSE(fs::exists(PartFileName(forced)));
    task.CleanUp();
    EXPECT_FALSE(fs::exists(forced));
}

TEST_F(OutputFiles, MediaTypesFollowFormatInputsAndSwitches)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    ASSERT_FALSE(sound.empty());
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(sound)) << task.LastErrMsg;
    // AVI has a default video codec, but the input has no picture.
    ASSERT_TRUE(task.OpenOutputFile(folder.Path("sound.avi"))) << task.LastErrMsg;
    EXPECT_EQ(StreamTypes(task.Output(0)), std::vector<AVMediaType>{AVMEDIA_TYPE_AUDIO});

    CapturingTask both;
    ASSERT_TRUE(both.OpenInputFile(clip)) << both.LastErrMsg;
    both.ParseOption("vn", "");
    ASSERT_TRUE(both.OpenOutputFile(folder.Path("silent.mkv")));
    EXPECT_EQ(StreamTypes(both.Output(0)), std::vector<AVMediaType>{AVMEDIA_TYPE_AUDIO});
    // Only a video stream uses the switch up: the next output has no picture either, until
    // a new video stream is asked for.
    ASSERT_TRUE(both.OpenOutputFile(folder.Path("still silent.mkv")));
    EXPECT_EQ(StreamTypes(both.Output(1)), std::vector<AVMediaType>{AVMEDIA_TYPE_AUDIO});
    both.ParseOption("vn", "0");
    ASSERT_TRUE(both.OpenOutputFile(folder.Path("full.mkv")));
    EXPECT_EQ(StreamTypes(both.Output(2)), (std::vector<AVMediaType>{AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}));
}

TEST_F(OutputFiles, VideoStreamSettings)
{
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(clip)) << task.LastErrMsg;
    task.ParseOptionText("vcodec=mpeg4\npix_fmt=rgb24\nr=24\npadtop=8\npadbottom=8\naspect=16:9\nqscale=4\n"
                         "rc_override=0,100,2/200,300,-50\ng=12\nvtag=XVID\npass=1",
                         false);
    std::string matrix;
    for (int i = 0; i < 64; ++i) matrix += (i ? "," : "") + std::to_string(16 + i);
    task.ParseOption("intra_matrix", matrix);
    ASSERT_TRUE(task.OpenOutputFile(folder.Path("out.avi"))) << task.LastErrMsg;
    const TOpenOutputStream& video = task.Output(0).streams.at(0);
    const AVCodecContext* codec = video.codec.get();
    ASSERT_NE(video.encoder, nullptr);
    EXPECT_STREQ(video.encoder->name, "mpeg4");
    // The encoder has no rgb24: it gets the first format of its list.
    EXPECT_EQ(codec->pix_fmt, video.encoder->pix_fmts[0]);
    EXPECT_EQ(codec->width, 320);
    EXPECT_EQ(codec->height, 256);
    EXPECT_EQ(codec->time_base.den, 24);
    EXPECT_EQ(codec->gop_size, 12);
    EXPECT_EQ(codec->codec_tag, 0x44495658u);
    EXPECT_TRUE(codec->flags & AV_CODEC_FLAG_QSCALE);
    EXPECT_TRUE(codec->flags & AV_CODEC_FLAG_PASS1);
    EXPECT_EQ(codec->global_quality, 4 * FF_QP2LAMBDA);
    ASSERT_NE(codec->intra_matrix, nullptr);
    EXPECT_EQ(codec->intra_matrix[63], 79);
    EXPECT_NEAR(av_q2d(codec->sample_aspect_ratio), 16.0 / 9.0 * 256 / 320, 0.01);
    // A positive third number is a quantiser, a negative one a quality factor in percent.
    ASSERT_EQ(codec->rc_override_count, 2);
    EXPECT_EQ(codec->rc_override[0].qscale, 2);
    EXPECT_EQ(codec->rc_override[1].start_frame, 200);
    EXPECT_EQ(codec->rc_override[1].end_frame, 300);
    EXPECT_EQ(codec->rc_override[1].qscale, 0);
    EXPECT_FLOAT_EQ(codec->rc_override[1].quality_factor, 0.5f);

    // The rate snaps to the encoder's list where it has one.
    CapturingTask snapped;
    ASSERT_TRUE(snapped.OpenInputFile(clip));
    snapped.ParseOptionText("vcodec=mpeg2video\nr=24.7", false);
    ASSERT_TRUE(snapped.OpenOutputFile(folder.Path("snapped.mpg")));
    EXPECT_EQ(snapped.Output(0).streams.at(0).codec->time_base.den, 25);

    CapturingTask disc;
    ASSERT_TRUE(disc.OpenInputFile(clip));
    disc.ParseOption("target", "pal-vcd");
    ASSERT_TRUE(disc.OpenOutputFile(folder.Path("disc.mpg"))) << disc.LastErrMsg;
    EXPECT_STREQ(disc.Output(0).context->oformat->name, "vcd");
    EXPECT_STREQ(disc.Output(0).muxerOptions.Get("muxrate"), "1411200");
    // The preload in seconds goes to the muxer in microseconds.
    EXPECT_STREQ(disc.Output(0).muxerOptions.Get("preload"), "440000");
    EXPECT_EQ(disc.Output(0).context->max_delay, 700000);

    CapturingTask bad;
    bad.ParseOption("rc_override", "0,100");
    EXPECT_EQ(FailureOf([&] { bad.OpenOutputFile(folder.Path("bad.avi")); }), "error parsing rc_override");
    bad.ParseOption("vcodec", "mp2");
    EXPECT_EQ(FailureOf([&] { bad.OpenOutputFile(folder.Path("bad.avi")); }), "Invalid encoder type 'mp2'");
    EXPECT_EQ(bad.OutputCount(), 0);
    CapturingTask unknown;
    unknown.ParseOption("acodec", "no_such_encoder");
    EXPECT_EQ(FailureOf([&] { unknown.OpenOutputFile(folder.Path("bad.mka")); }), "Unknown encoder 'no_such_encoder'");
    EXPECT_FALSE(fs::exists(folder.Path("bad.mka")));
}

TEST_F(OutputFiles, StreamCopyTakesTheInputAspect)
{
    const std::string wide = MakeMedia(folder.Path("wide.mkv"),
                                       "-f lavfi -i testsrc=duration=1:size=320x240:rate=25 -vf setsar=4/3 -c:v mpeg4");
    ASSERT_FALSE(wide.empty());
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(wide)) << task.LastErrMsg;
    EXPECT_NEAR(task.Options().frameAspectRatio, 16.0 / 9.0, 0.001);
    task.ParseOption("vcodec", "copy");
    ASSERT_TRUE(task.OpenOutputFile(folder.Path("copy.mkv")));
    const TOpenOutputStream& copy = task.Output(0).streams.at(0);
    EXPECT_TRUE(copy.streamCopy);
    EXPECT_EQ(copy.stream->sample_aspect_ratio.num, 4);
    EXPECT_EQ(copy.stream->sample_aspect_ratio.den, 3);
    EXPECT_FALSE(task.Options().videoStreamCopy);
}

TEST_F(OutputFiles, AudioStreamsNewStreamsAndMetadata)
{
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(clip)) << task.LastErrMsg;
    const std::string outputText = "acodec=libfaac\nab=96000\nar=22050\nac=1\nalang=fin\nmetadata=title=Holiday\n"
                                   "metadata=title=Ignored\nmetadata=artist=Someone\nnewaudio\nvbsf=dump_extra";
    task.ParseOptionText(outputText, false);
    ASSERT_TRUE(task.OpenOutputFile(folder.Path("out.mkv"))) << task.LastErrMsg;
    EXPECT_EQ(task.Output(0).streams.size(), 2u);
    task.ParseOptionText("acodec=mp2\nar=48000", false);
    task.ParseOptionText(outputText, true);  // the second pass adds the new stream
    const TOpenOutput& output = task.Output(0);
    ASSERT_EQ(output.streams.size(), 3u);
    const TOpenOutputStream& audio = output.streams[1];
    ASSERT_NE(audio.encoder, nullptr);
    EXPECT_STREQ(audio.encoder->name, "aac");
    EXPECT_EQ(task.messages.front(),
              (std::pair<int, std::string>{1, "Encoder 'libfaac' is not available; using its successor 'aac'"}));
    EXPECT_EQ(audio.codec->sample_rate, 22050);
    EXPECT_EQ(audio.codec->ch_layout.nb_channels, 1);
    EXPECT_EQ(audio.codec->bit_rate, 96000);
    EXPECT_STREQ(av::av_dict_get(audio.stream->metadata, "language", nullptr, 0)->value, "fin");
    // The added stream uses the options in force when it was made.
    const TOpenOutputStream& added = output.streams[2];
    EXPECT_EQ(added.codec->sample_rate, 22050);  // the text set ar again before newaudio
    EXPECT_STREQ(added.encoder->name, "aac");
    // Metadata: the first of two values of a key stays; the list is used up.
    EXPECT_STREQ(av::av_dict_get(output.context->metadata, "title", nullptr, 0)->value, "Holiday");
    EXPECT_STREQ(av::av_dict_get(output.context->metadata, "artist", nullptr, 0)->value, "Someone");
    EXPECT_TRUE(task.Options().metadata.size() == 3u);  // the second pass added them again for later files
    // The video chain went to the video stream made next; the second pass starts a new chain
    // for a video stream made later.
    ASSERT_EQ(output.streams[0].bitstreamFilters.size(), 1u);
    EXPECT_EQ(output.streams[0].bitstreamFilters[0].name, "dump_extra");
    EXPECT_TRUE(output.streams[1].bitstreamFilters.empty());
    EXPECT_EQ(task.Options().videoBitstreamFilters.size(), 1u);
}

// The libraries may go away while a task still holds its files, decoders, encoders and option
// objects: the task then lets them go unfreed instead of calling through unbound entry points.
TEST_F(OutputFiles, ATaskOutlivesTheLibraries)
{
    {
#if defined(__SANITIZE_ADDRESS__)
        // What the task lets go is meant to stay allocated; the leak check is told so.
        __lsan::ScopedDisabler intendedLeaks;
#endif
        auto task = std::make_unique<CapturingTask>();
        ASSERT_TRUE(task->OpenInputFile(clip));
        task->ParseOption("b", "800k");
        ASSERT_TRUE(task->OpenOutputFile(folder.Path("out.mp4"))) << task->LastErrMsg;
        FFLoader().UnloadLibs(DefaultAVLibraries);
        ASSERT_EQ(av::avcodec_free_context, nullptr);
        task.reset();
    }
    ASSERT_TRUE(FFLoader().LoadLibs(DefaultAVLibraries)) << FFLoader().LastErrMsg();
    CapturingTask again;
    ASSERT_TRUE(again.OpenInputFile(clip));
    ASSERT_TRUE(again.OpenOutputFile(folder.Path("again.mp4"))) << again.LastErrMsg;
    again.Transcode();
    EXPECT_TRUE(again.Finished);
    EXPECT_EQ(mirelk::test::Probe(folder.Path("again.mp4"), "v:0", "stream=codec_name"), "h264");
}
