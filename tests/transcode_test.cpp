// Whole conversions, checked with ffprobe and ffmpeg as independent readers.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class Transcode : public LibrariesLoaded {};

// Opens the inputs and one output the way the component does (output text before and after
// the output is opened) and converts in this thread. Returns the failure text, "" on success.

int Peak(const std::vector<std::int16_t>& samples, std::size_t from = 0)
{
    int peak = 0;
    for (std::size_t i = from; i < samples.size(); ++i) peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

}  // namespace

TEST_F(Transcode, StreamCopyKeepsCodecsSizesAndDuration)
{
    const std::string sample = SamplePath("h264-aac-1080p.mp4");
    if (sample.empty()) GTEST_SKIP() << "no shared samples";
    TempFolder folder;
    const double inputDuration = ProbeDuration(sample);
    for (const char* name : {"copy.mkv", "copy.ts"}) {
        CapturingTask task;
        const std::string out = folder.Path(name);
        ASSERT_EQ(Convert(task, {sample}, out, "vcodec=copy\nacodec=copy"), "") << name;
        EXPECT_TRUE(task.Finished);
        EXPECT_EQ(Probe(out, "v:0", "stream=codec_name,width,height,r_frame_rate"), "h264\n1920\n1080\n25/1") << name;
        EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,sample_rate,channels"), "aac\n48000\n2") << name;
        EXPECT_NEAR(ProbeDuration(out), inputDuration, 0.04 + 0.03) << name;
        EXPECT_EQ(DecodeErrors(out), "") << name;
    }

    const std::string vorbis = SamplePath("vorbis.ogg");
    CapturingTask task;
    const std::string out = folder.Path("copy.mka");
    ASSERT_EQ(Convert(task, {vorbis}, out, "acodec=copy"), "");
    EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,sample_rate,channels"), "vorbis\n44100\n2");
    EXPECT_NEAR(ProbeDuration(out), ProbeDuration(vorbis), 0.03);
    EXPECT_EQ(DecodeErrors(out), "");
}

TEST_F(Transcode, AudioReencoding)
{
    const std::string vorbis = SamplePath("vorbis.ogg");
    if (vorbis.empty()) GTEST_SKIP() << "no shared samples";
    TempFolder folder;
    const double vorbisDuration = ProbeDuration(vorbis);
    struct Case {
        const char* name;
        const char* options;
        const char* expected;
    };
    for (const Case& c : {Case{"out.mp3", "", "mp3\n44100\n2"}, Case{"out.wav", "", "pcm_s16le\n44100\n2"}}) {
        CapturingTask task;
        const std::string out = folder.Path(c.name);
        ASSERT_EQ(Convert(task, {vorbis}, out, c.options), "") << c.name;
        EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,sample_rate,channels"), c.expected) << c.name;
        EXPECT_NEAR(ProbeDuration(out), vorbisDuration, 0.05) << c.name;
        EXPECT_EQ(DecodeErrors(out), "") << c.name;
    }

    // Six channels into two resample even at equal rates; here the rate changes too.
    const std::string surround = SamplePath("ac3-5.1.mkv");
    CapturingTask task;
    const std::string out = folder.Path("stereo.mp2");
    ASSERT_EQ(Convert(task, {surround}, out, "acodec=mp2\nac=2\nar=44100\nab=192000"), "");
    EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,sample_rate,channels"), "mp2\n44100\n2");
    EXPECT_NEAR(ProbeDuration(out), ProbeDuration(surround), 0.05);
    EXPECT_EQ(DecodeErrors(out), "");
}

TEST_F(Transcode, LateAudioIsPaddedWithSilence)
{
    TempFolder folder;
    // Picture from 0 s, sound from 0.5 s.
    const std::string late = MakeMedia(folder.Path("late.mkv"),
                                       "-f lavfi -i testsrc=duration=2:size=64x48:rate=25 -itsoffset 0.5 -f lavfi -i "
                                       "sine=frequency=1000:duration=1.5:sample_rate=48000 -c:v mpeg4 -c:a pcm_s16le");
    ASSERT_FALSE(late.empty());
    CapturingTask task;
    const std::string out = folder.Path("padded.wav");
    ASSERT_EQ(Convert(task, {late}, out, "async=1\nv=3"), "");
    const std::vector<std::int16_t> samples = DecodeSamples(out, 48000, 1);
    ASSERT_GT(samples.size(), 48000u);
    // The first half second is silence; the tone follows.
    EXPECT_EQ(Peak(std::vector<std::int16_t>(samples.begin(), samples.begin() + 23000)), 0);
    EXPECT_GT(Peak(std::vector<std::int16_t>(samples.begin() + 25000, samples.begin() + 30000)), 1000);
    EXPECT_NEAR(static_cast<double>(samples.size()) / 48000, 2.0, 0.05);
    bool announced = false;
    for (const auto& message : task.messages)
        announced = announced || message.second.rfind("adding ", 0) == 0;
    EXPECT_TRUE(announced);

    // Without sync the sound starts at once.
    CapturingTask plain;
    const std::string unpadded = folder.Path("unpadded.wav");
    ASSERT_EQ(Convert(plain, {late}, unpadded, ""), "");
    EXPECT_NEAR(static_cast<double>(DecodeSamples(unpadded, 48000, 1).size()) / 48000, 1.5, 0.05);
}

TEST_F(Transcode, VolumeScalesAndClamps)
{
    TempFolder folder;
    const std::string quiet = MakeMedia(folder.Path("quiet.wav"), "-f lavfi -i 'aevalsrc=0.25*sin(2*PI*440*t):d=1:s=44100'");
    const std::string loud = MakeMedia(folder.Path("loud.wav"), "-f lavfi -i 'aevalsrc=0.9*sin(2*PI*440*t):d=1:s=44100'");
    ASSERT_FALSE(quiet.empty());
    ASSERT_FALSE(loud.empty());
    const int quietPeak = Peak(DecodeSamples(quiet, 44100, 1));
    CapturingTask task;
    ASSERT_EQ(Convert(task, {quiet}, folder.Path("doubled.wav"), "vol=512"), "");
    EXPECT_NEAR(Peak(DecodeSamples(folder.Path("doubled.wav"), 44100, 1)), 2 * quietPeak, 2);
    CapturingTask clamped;
    ASSERT_EQ(Convert(clamped, {loud}, folder.Path("clamped.wav"), "vol=512"), "");
    const std::vector<std::int16_t> samples = DecodeSamples(folder.Path("clamped.wav"), 44100, 1);
    EXPECT_GE(Peak(samples), 32767);
    EXPECT_GT(std::count(samples.begin(), samples.end(), 32767), 1000);
    // Float samples (the AAC decoder's) are scaled too.
    const std::string aac = MakeMedia(folder.Path("quiet.m4a"), "-i " + ShellQuoted(quiet) + " -c:a aac");
    CapturingTask floats;
    ASSERT_EQ(Convert(floats, {aac}, folder.Path("from aac.wav"), "vol=512"), "");
    EXPECT_NEAR(Peak(DecodeSamples(folder.Path("from aac.wav"), 44100, 1)), 2 * quietPeak, 2 * quietPeak / 20);
}

TEST_F(Transcode, StopLimitsAndShortest)
{
    TempFolder folder;
    const std::string tenSeconds = MakeMedia(folder.Path("ten.wav"), "-f lavfi -i sine=duration=10:sample_rate=44100");
    ASSERT_FALSE(tenSeconds.empty());

    // A stop asked in the middle still gives a complete file.
    CapturingTask stopped;
    stopped.ProgressInterval = 0;
    int reports = 0;
    stopped.OnProgress = [&](TCustomFFmpeg& task, const TProgressRecord& record) {
        EXPECT_EQ(record.frameNumber, -1);
        EXPECT_EQ(record.framesPerSecond, -1);
        EXPECT_FLOAT_EQ(record.quality, -1.0f);
        if (++reports == 20) task.StopRequested = true;
    };
    const std::string partial = folder.Path("partial.mp3");
    ASSERT_EQ(Convert(stopped, {tenSeconds}, partial, "ab=128000"), "");
    EXPECT_FALSE(stopped.Finished);
    EXPECT_GT(ProbeDuration(partial), 0.1);
    EXPECT_LT(ProbeDuration(partial), 9.0);
    EXPECT_EQ(DecodeErrors(partial), "");

    CapturingTask limited;
    ASSERT_EQ(Convert(limited, {tenSeconds}, folder.Path("three.wav"), "t=3"), "");
    EXPECT_TRUE(limited.Finished);
    EXPECT_NEAR(ProbeDuration(folder.Path("three.wav")), 3.0, 0.1);

    CapturingTask frames;
    ASSERT_EQ(Convert(frames, {tenSeconds}, folder.Path("frames.mp2"), "aframes=50"), "");
    // Exactly the frames asked for, also when a decoded block and the encoder's delay hold more.
    EXPECT_EQ(CountFrames(folder.Path("frames.mp2"), "a:0"), 50);

    // Two inputs into one file: with "shortest" the first input's end ends the run.
    const std::string twoSeconds = MakeMedia(folder.Path("two.wav"), "-f lavfi -i sine=duration=2:sample_rate=44100");
    CapturingTask shortest;
    // Maps are given once, as input options are: an output text is applied twice.
    shortest.ParseOptionText("map=0.0\nmap=1.0", false);
    ASSERT_EQ(Convert(shortest, {tenSeconds, twoSeconds}, folder.Path("short.mka"),
                      "shortest\nacodec=pcm_s16le\nnewaudio"),
              "");
    EXPECT_LT(ProbeDuration(folder.Path("short.mka")), 3.0);
    EXPECT_EQ(Probe(folder.Path("short.mka"), "a:1", "stream=codec_name"), "pcm_s16le");
}

// A start time given before the input opens seeks there; one given after it (an output option)
// decodes from the beginning and drops what comes before it. Both skip the first second.
TEST_F(Transcode, StartTimeBeforeOrAfterTheInputOpens)
{
    TempFolder folder;
    const std::string clip = MakeMedia(folder.Path("four.mkv"), "-f lavfi -i testsrc=duration=4:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=4 -c:v mpeg4 -c:a flac");
    ASSERT_FALSE(clip.empty());
    CapturingTask seeking;
    ASSERT_EQ(Convert(seeking, {clip}, folder.Path("seeked.mkv"), "vcodec=mpeg4\nacodec=flac", "ss=1"), "");
    EXPECT_NEAR(ProbeDuration(folder.Path("seeked.mkv")), 3.0, 0.2);
    CapturingTask dropping;
    ASSERT_EQ(Convert(dropping, {clip}, folder.Path("dropped.mkv"), "vcodec=mpeg4\nacodec=flac\nss=1"), "");
    EXPECT_NEAR(ProbeDuration(folder.Path("dropped.mkv")), 3.0, 0.2);
    // A file whose time starts late (a transport stream from a broadcast): the start counts from
    // the file's first time, not from zero.
    const std::string late = MakeMedia(folder.Path("late.ts"), "-f lavfi -i testsrc=duration=4:size=64x48:rate=25 "
                                                               "-f lavfi -i sine=duration=4 -c:v mpeg2video -c:a mp2 "
                                                               "-output_ts_offset 10");
    ASSERT_FALSE(late.empty());
    CapturingTask lateStart;
    ASSERT_EQ(Convert(lateStart, {late}, folder.Path("late.mkv"), "vcodec=mpeg4\nacodec=flac", "ss=1"), "");
    EXPECT_NEAR(ProbeDuration(folder.Path("late.mkv")), 3.0, 0.25);
    EXPECT_NEAR(CountFrames(folder.Path("dropped.mkv")), 75, 2);
}

TEST_F(Transcode, SetupFailuresLeaveNothingOpen)
{
    TempFolder folder;
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=1 -c:v mpeg4 -c:a mp2");
    ASSERT_FALSE(clip.empty());
    const auto failure = [&](const std::string& options, const std::string& name, const std::string& maps = "") {
        CapturingTask task;
        task.ParseOptionText(maps, false);
        const std::string out = folder.Path(name);
        const std::string message = Convert(task, {clip}, out, options);
        EXPECT_FALSE(fs::exists(out)) << message;
        return message;
    };
    EXPECT_EQ(failure("vcodec=copy\nacodec=mp2", "three maps.mkv", "map=0.0\nmap=0.1\nmap=0.1"),
              "Number of stream maps must match number of output streams");
    EXPECT_EQ(failure("vcodec=copy\nacodec=mp2", "missing.mkv", "map=0.0\nmap=0.7"), "Could not find input stream #0.7");
    EXPECT_EQ(failure("vcodec=copy\nacodec=mp2", "missing sync.mkv", "map=0.0\nmap=0.1:1.0"),
              "Could not find sync stream #1.0");
    EXPECT_EQ(failure("vcodec=copy\nacodec=mp2", "mismatch.mkv", "map=0.1\nmap=0.0"),
              "Codec type mismatch for mapping #0.1 -> #0.0");
    EXPECT_EQ(failure("vn\nacodec=copy\nvol=300", "loud copy.mka"),
              "-acodec copy and -vol are incompatible (frames are not decoded)");
}

TEST_F(Transcode, TwoOutputsShareOneSource)
{
    TempFolder folder;
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    ASSERT_FALSE(sound.empty());
    CapturingTask task;
    const std::string out = folder.Path("twice.mka");
    ASSERT_EQ(Convert(task, {sound}, out, "acodec=pcm_s16le\nnewaudio"), "");
    EXPECT_EQ(Probe(out, "a:1", "stream=codec_name"), "pcm_s16le");
    EXPECT_NEAR(ProbeDuration(out), 1.0, 0.05);
    bool mapped = false;
    for (const auto& message : task.messages) mapped = mapped || message.second == "  Stream #0.0 -> #0.1";
    EXPECT_TRUE(mapped);
}

TEST_F(Transcode, WriteFailuresAreFailures)
{
    TempFolder folder;
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=3");
    ASSERT_FALSE(sound.empty());
    const auto isWriteFailure = [](const std::string& message) {
        return message.rfind("av_interleaved_write_frame(): ", 0) == 0 ||
               message.rfind("Could not write trailer for output file #0: ", 0) == 0 ||
               message == "Could not write header for output file #0 (incorrect codec parameters ?)";
    };
    // A disk that fills up: this process may write no file beyond 100000 bytes.
    {
        struct rlimit saved {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 100000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        CapturingTask task;
        const std::string message = Convert(task, {sound}, folder.Path("too big.wav"), "");
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(task.Finished);
        EXPECT_TRUE(isWriteFailure(message)) << message;
    }
    // The device that is always full, where the system has it.
    struct stat device {};
    if (stat("/dev/full", &device) == 0 && S_ISCHR(device.st_mode)) {
        CapturingTask task;
        const std::string message = Convert(task, {sound}, "/dev/full", "f=wav");
        EXPECT_FALSE(task.Finished);
        EXPECT_TRUE(isWriteFailure(message)) << message;
    }
}

TEST_F(Transcode, DamagedInputConvertsWhatItCan)
{
    TempFolder folder;
    const std::string source = MakeMedia(folder.Path("source.mp3"), "-f lavfi -i sine=duration=4:sample_rate=44100 -c:a libmp3lame");
    ASSERT_FALSE(source.empty());
    // Scribble over the middle of the file.
    std::string bytes;
    {
        std::ifstream in(source, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 2; i += 7) bytes[i] = static_cast<char>(i * 31);
    const std::string damaged = folder.Path("damaged.mp3");
    std::ofstream(damaged, std::ios::binary) << bytes;

    CapturingTask task;
    const std::string out = folder.Path("rescued.wav");
    ASSERT_EQ(Convert(task, {damaged}, out, ""), "");
    EXPECT_EQ(DecodeErrors(out), "");
    EXPECT_GT(ProbeDuration(out), 2.0);
    int decodingErrors = 0;
    for (const auto& message : task.messages) decodingErrors += message.second == "Error while decoding stream #0.0";
    if (decodingErrors > 0) {
        CapturingTask strict;
        EXPECT_EQ(Convert(strict, {damaged}, folder.Path("strict.wav"), "xerror"), "Error while decoding stream #0.0");
    }
}

TEST_F(Transcode, SubtitlesAreReencodedAndCopied)
{
    TempFolder folder;
    const std::string srt = folder.Path("words.srt");
    std::ofstream(srt) << "1\n00:00:00,500 --> 00:00:01,500\nHello\n\n2\n00:00:02,000 --> 00:00:03,000\nWorld\n";
    const std::string clip = MakeMedia(folder.Path("talk.mkv"), "-f lavfi -i sine=duration=3 -i " + ShellQuoted(srt) +
                                                                    " -c:a mp2 -c:s subrip");
    ASSERT_FALSE(clip.empty());
    CapturingTask encoding;
    const std::string reencoded = folder.Path("styled.mkv");
    ASSERT_EQ(Convert(encoding, {clip}, reencoded, "acodec=copy\nscodec=ass"), "");
    EXPECT_EQ(Probe(reencoded, "s:0", "stream=codec_name"), "ass");
    const std::string text = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(reencoded) + " -f srt -");
    EXPECT_NE(text.find("Hello"), std::string::npos) << text;
    // Each text stays up its second (the input is moved to start at 0, which may shift both
    // ends by the few milliseconds its audio began early).
    EXPECT_NE(text.find("00:00:02,0"), std::string::npos) << text;
    EXPECT_NE(text.find(" --> 00:00:03,0"), std::string::npos) << text;

    CapturingTask copying;
    const std::string copied = folder.Path("copied.mkv");
    ASSERT_EQ(Convert(copying, {clip}, copied, "acodec=copy\nscodec=copy"), "");
    EXPECT_EQ(Probe(copied, "s:0", "stream=codec_name"), "subrip");
    EXPECT_NE(RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(copied) + " -f srt -").find("World"),
              std::string::npos);
}
