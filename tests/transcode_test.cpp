// Whole conversions, checked with ffprobe and ffmpeg as independent readers.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class Transcode : public LibrariesLoaded {
protected:
    TempFolder folder;
};

int Peak(const std::vector<std::int16_t>& samples, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    int peak = 0;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first and the last packet time (seconds) of a stream, as ffprobe reads them.
std::pair<double, double> PacketTimes(const std::string& path, const std::string& stream)
{
    std::istringstream times(RunCommand("ffprobe -v error -select_streams " + stream +
                                        " -show_entries packet=pts_time -of csv=p=0 " + ShellQuoted(path)));
    std::pair<double, double> span{1e9, -1e9};
    for (std::string line; std::getline(times, line);) {
        if (line.empty() || line == "N/A") continue;
        span.first = std::min(span.first, std::atof(line.c_str()));
        span.second = std::max(span.second, std::atof(line.c_str()));
    }
    return span;
}

}  // namespace

// Formats from the samples and from made clips, copied and re-encoded, checked by ffprobe. The disc
// presets make the sound stereo: a VCD whatever the input has, a DVD from mono.
TEST_F(Transcode, Formats)
{
    const std::string h264 = SamplePath("h264-aac-1080p.mp4");
    const std::string vorbis = SamplePath("vorbis.ogg");
    if (h264.empty()) GTEST_SKIP() << "no shared samples";
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
        const char* audio;  // codec, rate, channels; "" for none
        const char* video;  // codec, width, height, rate; "" for none
    };
    const char* const fullHd = "h264\n1920\n1080\n25/1";
    const Case cases[] = {
        {h264, "copy.mkv", "vcodec=copy\nacodec=copy", "aac\n48000\n2", fullHd},
        {h264, "copy.ts", "vcodec=copy\nacodec=copy", "aac\n48000\n2", fullHd},
        {h264, "out.mkv", "vcodec=libx264\nacodec=aac\ns=640x360\npreset=ultrafast", "aac\n48000\n2",
         "h264\n640\n360\n25/1"},
        {h264, "out.3gp", "vcodec=h263\nacodec=libopencore_amrnb\ns=128x96\nar=8000\nac=1\nab=12200\nr=15",
         "amr_nb\n8000\n1", "h263\n128\n96\n15/1"},
        {SamplePath("vp9-1080x1080.webm"), "square.mp4", "vcodec=mpeg4\ns=360x360", "", "mpeg4\n360\n360\n30/1"},
        {vorbis, "copy.mka", "acodec=copy", "vorbis\n44100\n2", ""},
        {vorbis, "out.mp3", "", "mp3\n44100\n2", ""},
        {vorbis, "out.wav", "", "pcm_s16le\n44100\n2", ""},
        // Six channels into two resample even at equal rates; here the rate changes too.
        {SamplePath("ac3-5.1.mkv"), "stereo.mp2", "acodec=mp2\nac=2\nar=44100\nab=192000", "mp2\n44100\n2", ""},
        {surround, "out.mpg", "target=pal-vcd", "mp2\n44100\n2", "mpeg1video\n352\n288\n25/1"},
        {mono, "out.vob", "target=pal-dvd", "ac3\n48000\n2", "mpeg2video\n720\n576\n25/1"},
    };
    for (const Case& c : cases) {
        CapturingTask task;
        const std::string out = folder.Path(c.name);
        ASSERT_EQ(Convert(task, c.input, out, c.options), "") << c.name;
        EXPECT_TRUE(task.Finished) << c.name;
        EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,sample_rate,channels"), c.audio) << c.name;
        EXPECT_EQ(Probe(out, "v:0", "stream=codec_name,width,height,r_frame_rate"), c.video) << c.name;
        EXPECT_NEAR(ProbeDuration(out), ProbeDuration(c.input), 0.1) << c.name;
        EXPECT_EQ(DecodeErrors(out), "") << c.name;
    }
    // The disc presets' packet sizes reached the muxer.
    EXPECT_EQ(fs::file_size(folder.Path("out.mpg")) % 2324, 0u);
    EXPECT_EQ(fs::file_size(folder.Path("out.vob")) % 2048, 0u);

    // A tiny picture (one, with no duration) into an encoder that wants at least 16 x 16, asked
    // for a larger size.
    CapturingTask tiny;
    const std::string grown = folder.Path("grown.avi");
    ASSERT_EQ(Convert(tiny, SamplePath("vp8-8x8.webm"), grown, "vcodec=mpeg4\ns=32x32"), "");
    EXPECT_EQ(Probe(grown, "v:0", "stream=codec_name,width,height"), "mpeg4\n32\n32");
    EXPECT_EQ(DecodeErrors(grown), "");
}

TEST_F(Transcode, LateAudioIsPaddedWithSilence)
{
    // Picture from 0 s, sound from 0.5 s.
    const std::string late = MakeMedia(folder.Path("late.mkv"),
                                       "-f lavfi -i testsrc=duration=2:size=64x48:rate=25 -itsoffset 0.5 -f lavfi -i "
                                       "sine=frequency=1000:duration=1.5:sample_rate=48000 -c:v mpeg4 -c:a pcm_s16le");
    ASSERT_FALSE(late.empty());
    CapturingTask task;
    ASSERT_EQ(Convert(task, late, folder.Path("padded.wav"), "async=1\nv=3"), "");
    const std::vector<std::int16_t> samples = DecodeSamples(folder.Path("padded.wav"), 48000, 1);
    // The first half second is silence; the tone follows.
    EXPECT_NEAR(static_cast<double>(samples.size()) / 48000, 2.0, 0.05);
    EXPECT_EQ(Peak(samples, 0, 23000), 0);
    EXPECT_GT(Peak(samples, 25000, 30000), 1000);
    EXPECT_GT(task.MessageCount("adding "), 0);

    // Without sync the sound starts at once.
    CapturingTask plain;
    ASSERT_EQ(Convert(plain, late, folder.Path("unpadded.wav"), ""), "");
    EXPECT_NEAR(static_cast<double>(DecodeSamples(folder.Path("unpadded.wav"), 48000, 1).size()) / 48000, 1.5, 0.05);
}

TEST_F(Transcode, EveryOutputOfOneSoundFillsItsOwnStartGap)
{
    // Picture from 0 s, sound from 0.05 s: a gap below the drift threshold, which only the start
    // of an output fills.
    const std::string late = MakeMedia(folder.Path("slightly late.mkv"),
                                       "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 -itsoffset 0.05 -f lavfi -i "
                                       "sine=frequency=1000:duration=1:sample_rate=48000 -c:v mpeg4 -c:a pcm_s16le");
    ASSERT_FALSE(late.empty());
    const std::string outputs[] = {folder.Path("first.wav"), folder.Path("second.wav")};
    CapturingTask task;
    const std::string failure = FailureOf([&] {
        if (!task.OpenInputFile(late)) throw FFmpegException(task.LastErrMsg);
        task.ParseOptionText("async=1", false);
        for (const std::string& output : outputs)
            if (!task.OpenOutputFile(output)) throw FFmpegException(task.LastErrMsg);
        task.Transcode();
    });
    task.CleanUp();
    ASSERT_EQ(failure, "");
    for (const std::string& output : outputs) {
        SCOPED_TRACE(output);
        const std::vector<std::int16_t> samples = DecodeSamples(output, 48000, 1);
        EXPECT_NEAR(static_cast<double>(samples.size()) / 48000, 1.05, 0.01);
        EXPECT_EQ(Peak(samples, 0, 2200), 0);
        EXPECT_GT(Peak(samples, 2600, 5000), 1000);
    }
}

TEST_F(Transcode, VolumeScalesAndClamps)
{
    const std::string quiet = MakeMedia(folder.Path("quiet.wav"), "-f lavfi -i 'aevalsrc=0.25*sin(2*PI*440*t):d=1:s=44100'");
    const std::string loud = MakeMedia(folder.Path("loud.wav"), "-f lavfi -i 'aevalsrc=0.9*sin(2*PI*440*t):d=1:s=44100'");
    // Float samples (the AAC decoder's) are scaled too.
    const std::string aac = MakeMedia(folder.Path("quiet.m4a"), "-i " + ShellQuoted(quiet) + " -c:a aac");
    ASSERT_FALSE(quiet.empty() || loud.empty() || aac.empty());
    const int quietPeak = Peak(DecodeSamples(quiet, 44100, 1));
    for (const std::string& input : {quiet, aac}) {
        CapturingTask task;
        ASSERT_EQ(Convert(task, input, folder.Path("doubled.wav"), "vol=512"), "");
        EXPECT_NEAR(Peak(DecodeSamples(folder.Path("doubled.wav"), 44100, 1)), 2 * quietPeak, quietPeak / 10) << input;
    }
    CapturingTask clamped;
    ASSERT_EQ(Convert(clamped, loud, folder.Path("clamped.wav"), "vol=512"), "");
    const std::vector<std::int16_t> samples = DecodeSamples(folder.Path("clamped.wav"), 44100, 1);
    EXPECT_GT(std::count(samples.begin(), samples.end(), 32767), 1000);
}

TEST_F(Transcode, StopLimitsAndShortest)
{
    const std::string tenSeconds = MakeMedia(folder.Path("ten.wav"), "-f lavfi -i sine=duration=10:sample_rate=44100");
    ASSERT_FALSE(tenSeconds.empty());

    // A stop asked in the middle still gives a complete file, under a name that says it was
    // stopped.
    CapturingTask stopped;
    stopped.ProgressInterval = 0;
    int reports = 0;
    stopped.OnProgress = [&](TCustomFFmpeg& task, const TProgressRecord& record) {
        EXPECT_EQ(record.frameNumber, -1);
        EXPECT_FLOAT_EQ(record.quality, -1.0f);
        if (++reports == 20) task.StopRequested = true;
    };
    const std::string partial = folder.Path("partial.mp3");
    ASSERT_EQ(Convert(stopped, tenSeconds, partial, "ab=128000"), "");
    EXPECT_FALSE(stopped.Finished);
    const std::string kept = folder.Path("partial (stopped).mp3");
    EXPECT_EQ(stopped.KeptOutputNames, std::vector<std::string>{kept});
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_GT(ProbeDuration(kept), 0.1);
    EXPECT_LT(ProbeDuration(kept), 9.0);
    EXPECT_EQ(DecodeErrors(kept), "");

    CapturingTask limited;
    ASSERT_EQ(Convert(limited, tenSeconds, folder.Path("three.wav"), "t=3"), "");
    EXPECT_TRUE(limited.Finished);
    EXPECT_NEAR(ProbeDuration(folder.Path("three.wav")), 3.0, 0.1);

    // Exactly the frames asked for, also when a decoded block and the encoder's delay hold more,
    // and when packets are copied.
    CapturingTask frames;
    ASSERT_EQ(Convert(frames, tenSeconds, folder.Path("frames.mp2"), "aframes=50"), "");
    EXPECT_EQ(CountFrames(folder.Path("frames.mp2"), "a:0"), 50);
    const std::string pictures =
        MakeMedia(folder.Path("pictures.mkv"), "-f lavfi -i testsrc=duration=2:size=64x48:rate=25 -c:v mpeg4 -g 1");
    CapturingTask copied;
    ASSERT_EQ(Convert(copied, pictures, folder.Path("ten pictures.mkv"), "vcodec=copy\nvframes=10"), "");
    EXPECT_EQ(CountFrames(folder.Path("ten pictures.mkv")), 10);

    // Two inputs into one file: with "shortest" the shorter input's end ends the run. The first
    // input's stream goes to two output streams.
    const std::string twoSeconds = MakeMedia(folder.Path("two.wav"), "-f lavfi -i sine=duration=2:sample_rate=44100");
    CapturingTask shortest;
    // Maps are given once, as input options are: an output text is applied twice.
    shortest.ParseOptionText("map=0.0\nmap=1.0\nmap=0.0", false);
    ASSERT_EQ(Convert(shortest, {tenSeconds, twoSeconds}, folder.Path("short.mka"),
                      "shortest\nacodec=pcm_s16le\nnewaudio\nnewaudio"),
              "");
    EXPECT_LT(ProbeDuration(folder.Path("short.mka")), 3.0);
    EXPECT_EQ(Probe(folder.Path("short.mka"), "a:1", "stream=codec_name"), "pcm_s16le");
    EXPECT_EQ(shortest.MessageCount("  Stream #0.0 -> #0.2"), 1);
}

// A start time given before the input opens seeks there; one given after it (an output option)
// decodes from the beginning and drops what comes before it. Both skip the first second.
TEST_F(Transcode, StartTimeBeforeOrAfterTheInputOpens)
{
    const std::string clip = MakeMedia(folder.Path("four.mkv"), "-f lavfi -i testsrc=duration=4:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=4 -c:v mpeg4 -c:a flac");
    // A file whose time starts late (a transport stream from a broadcast): the start counts from
    // the file's first time, not from zero.
    const std::string late = MakeMedia(folder.Path("late.ts"), "-f lavfi -i testsrc=duration=4:size=64x48:rate=25 "
                                                               "-f lavfi -i sine=duration=4 -c:v mpeg2video -c:a mp2 "
                                                               "-output_ts_offset 10");
    ASSERT_FALSE(clip.empty() || late.empty());
    struct Case {
        std::string input;
        const char* name;
        const char* outputOptions;
        const char* inputOptions;
    };
    for (const Case& c : {Case{clip, "seeked.mkv", "", "ss=1"}, Case{clip, "dropped.mkv", "ss=1", ""},
                          Case{late, "late.mkv", "", "ss=1"}}) {
        CapturingTask task;
        const std::string out = folder.Path(c.name);
        ASSERT_EQ(Convert(task, c.input, out, std::string("vcodec=mpeg4\nacodec=flac\n") + c.outputOptions,
                          c.inputOptions),
                  "")
            << c.name;
        EXPECT_NEAR(ProbeDuration(out), 3.0, 0.25) << c.name;
        if (c.input == clip) {
            EXPECT_NEAR(CountFrames(out), 75, 2) << c.name;
        }
    }
}

// A start time in a transport stream whose key pictures are half a second apart keeps every
// picture after it, also when the task let go of its files while it waited and opens them again.
TEST_F(Transcode, StartTimeInATransportStreamKeepsEveryPictureAfterIt)
{
    const std::string late = MakeMedia(folder.Path("late.ts"), "-f lavfi -i testsrc=duration=4:size=64x48:rate=25 "
                                                               "-f lavfi -i sine=duration=4 -c:v mpeg2video -c:a mp2 "
                                                               "-output_ts_offset 10");
    ASSERT_FALSE(late.empty());
    CapturingTask task;
    ASSERT_EQ(Convert(task, late, folder.Path("late.mkv"), "vcodec=mpeg4\nacodec=flac", "ss=1"), "");
    EXPECT_NEAR(CountFrames(folder.Path("late.mkv")), 75, 1);

    CapturingTask waiting;
    waiting.ParseOptionText("ss=1", false);
    ASSERT_TRUE(waiting.OpenInputFile(late)) << waiting.LastErrMsg;
    waiting.ParseOptionText("vcodec=mpeg4\nacodec=flac", false);
    ASSERT_TRUE(waiting.OpenOutputFile(folder.Path("reopened.mkv"))) << waiting.LastErrMsg;
    waiting.ReleaseFiles();
    ASSERT_TRUE(waiting.FilesReleased());
    waiting.Transcode();
    waiting.CleanUp();
    EXPECT_NEAR(CountFrames(folder.Path("reopened.mkv")), 75, 1);
}

// A copied stream of a clip starts at a key picture (the one before a seek's start, the first
// after a start given as an output option; they come every half second) and ends with the clip,
// in step with the encoded sound.
TEST_F(Transcode, ACopiedStreamEndsWithTheClip)
{
    const std::string clip = MakeMedia(folder.Path("four.mkv"), "-f lavfi -i testsrc=duration=4:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=4 -c:v mpeg4 -g 12 -c:a flac");
    ASSERT_FALSE(clip.empty());
    for (const auto& [name, input, output] : {std::tuple<std::string, std::string, std::string>{"seek", "ss=1", ""},
                                              {"dropped", "", "ss=1\n"}}) {
        CapturingTask task;
        const std::string out = folder.Path(name + ".mkv");
        ASSERT_EQ(Convert(task, clip, out, output + "t=2\nvcodec=copy\nacodec=flac", input), "") << name;
        const auto [firstPicture, lastPicture] = PacketTimes(out, "v:0");
        const double sound = PacketTimes(out, "a:0").first;
        EXPECT_NEAR(firstPicture, sound, 0.5) << name;
        EXPECT_NEAR(lastPicture - sound, 1.96, 0.05) << name;
    }
}

// Subtitles of a clip: one wholly before its start or after its end is left out, one across its
// start or its end is kept for the part inside, at the same times with the start as a seek of
// the input or as an output option.
TEST_F(Transcode, SubtitlesAreCutToTheClip)
{
    const std::string srt = folder.Path("words.srt");
    std::ofstream(srt) << "1\n00:00:00,200 --> 00:00:00,800\nBefore\n\n"
                          "2\n00:00:01,000 --> 00:00:02,500\nAcross the start\n\n"
                          "3\n00:00:03,000 --> 00:00:04,000\nInside\n\n"
                          "4\n00:00:05,500 --> 00:00:07,000\nAcross the end\n\n"
                          "5\n00:00:08,000 --> 00:00:09,000\nAfter\n";
    const std::string clip = MakeMedia(folder.Path("talk.mkv"), "-f lavfi -i sine=duration=10 -i " + ShellQuoted(srt) +
                                                                    " -c:a flac -c:s subrip");
    ASSERT_FALSE(clip.empty());
    for (const auto& [name, input, output] : {std::tuple<std::string, std::string, std::string>{"seek", "ss=2", ""},
                                              {"dropped", "", "ss=2\n"}}) {
        CapturingTask task;
        const std::string out = folder.Path(name + ".mkv");
        ASSERT_EQ(Convert(task, clip, out, output + "t=4\nacodec=flac\nscodec=ass", input), "") << name;
        const std::string text = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(out) + " -f srt -");
        EXPECT_EQ(text, "1\n00:00:00,000 --> 00:00:00,500\nAcross the start\n\n"
                        "2\n00:00:01,000 --> 00:00:02,000\nInside\n\n"
                        "3\n00:00:03,500 --> 00:00:04,000\nAcross the end\n\n")
            << name;
        EXPECT_NEAR(ProbeDuration(out), 4.0, 0.05) << name;
    }
}

TEST_F(Transcode, SetupFailuresLeaveNothingOpen)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=1 -c:v mpeg4 -c:a mp2");
    ASSERT_FALSE(clip.empty());
    struct Case {
        const char* maps;
        const char* options;
        const char* message;
    };
    const Case cases[] = {
        {"map=0.0\nmap=0.1\nmap=0.1", "vcodec=copy\nacodec=mp2", "Number of stream maps must match number of output streams"},
        {"map=0.0\nmap=0.7", "vcodec=copy\nacodec=mp2", "Could not find input stream #0.7"},
        {"map=0.0\nmap=0.1:1.0", "vcodec=copy\nacodec=mp2", "Could not find sync stream #1.0"},
        {"map=0.1\nmap=0.0", "vcodec=copy\nacodec=mp2", "Codec type mismatch for mapping #0.1 -> #0.0"},
        {"", "vn\nacodec=copy\nvol=300", "-acodec copy and -vol are incompatible (frames are not decoded)"},
    };
    for (const Case& c : cases) {
        CapturingTask task;
        task.ParseOptionText(c.maps, false);
        const std::string out = folder.Path("out.mkv");
        EXPECT_EQ(Convert(task, clip, out, c.options), c.message);
        EXPECT_FALSE(fs::exists(out)) << c.message;
    }
}

TEST_F(Transcode, WriteFailuresAreFailures)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=3");
    ASSERT_FALSE(sound.empty());
    // A disk that fills up: this process may write no file beyond 100000 bytes.
    {
        struct rlimit saved {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 100000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        CapturingTask task;
        const std::string message = Convert(task, sound, folder.Path("too big.wav"), "");
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(task.Finished);
        EXPECT_EQ(message, "av_interleaved_write_frame(): File too large");
        // What was written before the failure does not stay.
        EXPECT_FALSE(fs::exists(folder.Path("too big.wav")));
    }
    // The device that is always full, where the system has it.
    struct stat device {};
    if (stat("/dev/full", &device) == 0 && S_ISCHR(device.st_mode)) {
        CapturingTask task;
        EXPECT_EQ(Convert(task, sound, "/dev/full", "f=wav"), "av_interleaved_write_frame(): No space left on device");
        EXPECT_FALSE(task.Finished);
    }
}

TEST_F(Transcode, DamagedInputConvertsWhatItCanAFailingOneFails)
{
    const std::string source =
        MakeMedia(folder.Path("source.mp3"), "-f lavfi -i sine=duration=4:sample_rate=44100 -c:a libmp3lame");
    ASSERT_FALSE(source.empty());
    // Scribble over the middle of the file.
    std::string bytes = ReadFile(source);
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 2; i += 7) bytes[i] = static_cast<char>(i * 31);
    const std::string damaged = folder.Path("damaged.mp3");
    std::ofstream(damaged, std::ios::binary) << bytes;

    CapturingTask task;
    const std::string out = folder.Path("rescued.wav");
    ASSERT_EQ(Convert(task, damaged, out, ""), "");
    EXPECT_EQ(DecodeErrors(out), "");
    EXPECT_GT(ProbeDuration(out), 2.0);
    if (task.MessageCount("Error while decoding stream #0.0: ") > 0) {
        CapturingTask strict;
        const std::string failure = Convert(strict, damaged, folder.Path("strict.wav"), "xerror");
        EXPECT_EQ(failure.rfind("Error while decoding stream #0.0: ", 0), 0u) << failure;
    }

    // The whole file read on into one whose first read fails (offset 0 of a process's memory is
    // never mapped): an input error, not the end of the input.
    const std::string failing = "concat:" + source + "|/proc/self/mem";
    CapturingTask broken;
    EXPECT_EQ(Convert(broken, failing, folder.Path("failing.wav"), ""),
              "Error while reading " + failing + ": Input/output error");
    EXPECT_FALSE(broken.Finished);
    EXPECT_FALSE(fs::exists(folder.Path("failing.wav")));
}

TEST_F(Transcode, SubtitlesAreReencodedAndCopied)
{
    const std::string srt = folder.Path("words.srt");
    std::ofstream(srt) << "1\n00:00:00,500 --> 00:00:01,500\nHello\n\n2\n00:00:02,000 --> 00:00:03,000\nWorld\n";
    const std::string clip = MakeMedia(folder.Path("talk.mkv"), "-f lavfi -i sine=duration=3 -i " + ShellQuoted(srt) +
                                                                    " -c:a mp2 -c:s subrip");
    ASSERT_FALSE(clip.empty());
    for (const auto& [codec, expected] : {std::pair<std::string, std::string>{"ass", "ass"}, {"copy", "subrip"}}) {
        CapturingTask task;
        const std::string out = folder.Path(codec + ".mkv");
        ASSERT_EQ(Convert(task, clip, out, "acodec=copy\nscodec=" + codec), "") << codec;
        EXPECT_EQ(Probe(out, "s:0", "stream=codec_name"), expected);
        // Each text stays up its second (the input is moved to start at 0, which may shift both
        // ends by the few milliseconds its audio began early).
        const std::string text = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(out) + " -f srt -");
        for (const char* part : {"00:00:00,5", " --> 00:00:01,5", "00:00:02,0", " --> 00:00:03,0", "World"})
            EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    }
}

// The options hold the last input's picture size and sample rate. A last input that declares its
// streams but holds nothing to tell them (only a transport stream's tables) leaves them unknown:
// the encoders then take their sources' own, pad bands around the picture included. (Its rate
// and channels, unknown too, the output text gives.)
TEST_F(Transcode, SizeAndRateUnknownToTheOptionsComeFromTheSources)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=1:sample_rate=22050 -c:v mpeg4 -c:a mp2");
    const std::string full = MakeMedia(folder.Path("full.ts"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 "
                                                               "-f lavfi -i sine=duration=1 -c:v mpeg2video -c:a mp2");
    ASSERT_FALSE(clip.empty() || full.empty());
    const std::string tables = folder.Path("tables.ts");
    std::ofstream(tables, std::ios::binary) << ReadFile(full).substr(0, 188 * 3);
    CapturingTask task;
    const std::string out = folder.Path("out.mkv");
    ASSERT_EQ(Convert(task, {clip, tables}, out, "vcodec=mpeg4\nacodec=mp2\nr=25\nac=1\npadleft=8\npadright=8"), "");
    // What the options took from the tables: no size, and the aspect of a picture whose size is
    // not known, four thirds.
    EXPECT_EQ(task.Options().frameWidth, 0);
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(Probe(out, "v:0", "stream=width,height"), "80\n48");
    EXPECT_EQ(Probe(out, "a:0", "stream=sample_rate"), "22050");
    EXPECT_NEAR(ProbeDuration(out), 1.0, 0.1);
}

// A bitstream filter that holds data back (sound cut into blocks of 1024 samples) gives the last,
// short block when the stream ends.
TEST_F(Transcode, BitstreamFiltersGiveWhatTheyHoldAtTheEnd)
{
    const std::string second = MakeMedia(folder.Path("second.wav"), "-f lavfi -i sine=duration=1:sample_rate=44100");
    ASSERT_FALSE(second.empty());
    CapturingTask task;
    const std::string out = folder.Path("blocks.mkv");
    ASSERT_EQ(Convert(task, second, out, "acodec=copy\nabsf=pcm_rechunk"), "");
    // 43 whole blocks and the 72 samples left, padded to a block.
    EXPECT_EQ(RunCommand("ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 " +
                         ShellQuoted(out)),
              "44\n");
    EXPECT_EQ(DecodeSamples(out, 44100, 1).size(), 44u * 1024u);
}
