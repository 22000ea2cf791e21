// Today's targets through mirelk-cli: what each writes as ffprobe reads it, the animated
// picture's rate, width and palette, quality against size, and the inputs they refuse.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

class CliModernFormats : public CliTest {
protected:
    // Two seconds of a test picture and a stereo tone.
    std::string Source(const std::string& name = "clip.avi", const std::string& size = "320x240", int rate = 25)
    {
        return MakeMedia(folder.Path(name), "-f lavfi -i testsrc=duration=2:size=" + size + ":rate=" +
                                                std::to_string(rate) +
                                                " -f lavfi -i sine=duration=2:sample_rate=44100 -ac 2 "
                                                "-c:v mpeg4 -q:v 2 -c:a pcm_s16le");
    }
    const std::string out = folder.Path("out");
};

TEST_F(CliModernFormats, EachTargetWritesItsCodecsAndDecodesCleanly)
{
    const std::string source = Source();
    struct TCase {
        const char* format;
        const char* file;
        const char* video;  // codec, tag, width, height; empty: no picture stream
        const char* audio;  // codec, channels; empty: no sound
    };
    for (const TCase& c : {
             TCase{"webm", "clip_(new).webm", "vp9\n[0][0][0][0]\n320\n240", "opus\n2"},
             TCase{"mp4-hevc", "clip_(new)_hevc.mp4", "hevc\nhvc1\n320\n240", "aac\n2"},
             TCase{"mkv-av1", "clip_(new)_av1.mkv", "av1\n[0][0][0][0]\n320\n240", "opus\n2"},
             TCase{"mp4-av1", "clip_(new)_av1.mp4", "av1\nav01\n320\n240", "aac\n2"},
             TCase{"flac", "clip_(new).flac", "", "flac\n2"},
             TCase{"opus", "clip_(new).opus", "", "opus\n2"},
             TCase{"m4a-alac", "clip_(new)_alac.m4a", "", "alac\n2"},
             TCase{"M4A", "clip_(new).m4a", "", "aac\n2"},
             TCase{"gif", "clip_(new).gif", "gif\n[0][0][0][0]\n320\n240", ""},
         }) {
        SCOPED_TRACE(c.format);
        const CliRun run = RunCli(std::string("-q -f ") + c.format + " -o " + ShellQuoted(out) + " " + ShellQuoted(source));
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string file = out + "/" + c.file;
        EXPECT_EQ(Probe(file, "v", "stream=codec_name,codec_tag_string,width,height"), c.video);
        EXPECT_EQ(Probe(file, "a", "stream=codec_name,channels"), c.audio);
        EXPECT_NEAR(ProbeDuration(file), 2.0, 0.15);
        EXPECT_GT(fs::file_size(file), 1000u);
        EXPECT_EQ(DecodeErrors(file), "");
    }
}

// The palette comes from the clip: a frame of the picture maps onto the colours it has, far
// closer than a fixed palette of 256 colours would bring it.
TEST_F(CliModernFormats, AnAnimatedPictureHasFifteenFramesASecondAtMost480WideAndItsOwnPalette)
{
    const std::string source = Source("wide.mkv", "640x480", 30);
    ASSERT_EQ(RunCli("-q -f gif -o " + ShellQuoted(out) + " " + ShellQuoted(source)).status, 0);
    const std::string gif = out + "/wide_(new).gif";
    EXPECT_EQ(Probe(gif, "v:0", "stream=width,height,r_frame_rate"), "480\n360\n15/1");
    EXPECT_EQ(CountFrames(gif), 30);
    // PSNR of the first picture against the source's at the GIF's size; the second input is the
    // GIF, or the source again on a fixed palette of 256 colours.
    const auto psnr = [&](const std::string& second, const std::string& toCompare) {
        const std::string filter = "[0:v]trim=end_frame=1,scale=480:360:flags=bicubic,format=rgb24[a];"
                                   "[1:v]trim=end_frame=1" + toCompare + ",format=rgb24[b];[a][b]psnr";
        const std::string log = RunCommand("ffmpeg -nostdin -i " + ShellQuoted(source) + " -i " + ShellQuoted(second) +
                                           " -filter_complex '" + filter + "' -f null - 2>&1");
        const std::size_t at = log.find("average:");
        return at == std::string::npos ? -1.0 : std::atof(log.c_str() + at + 8);
    };
    const double own = psnr(gif, "");
    const double fixed = psnr(source, ",scale=480:360:flags=bicubic,format=rgb8");
    EXPECT_GT(own, fixed + 4) << "PSNR with the clip's palette " << own << ", with a fixed one " << fixed;
}

TEST_F(CliModernFormats, ALowerQualityNumberWritesALargerFile)
{
    // Pictures only, with enough detail that the pictures' bits are most of the file.
    const std::string source =
        MakeMedia(folder.Path("detail.avi"), "-f lavfi -i testsrc2=duration=2:size=320x240:rate=25 -c:v mpeg4 -q:v 2");
    for (const char* format : {"webm", "mp4-hevc", "mkv-av1"}) {
        SCOPED_TRACE(format);
        std::vector<std::uintmax_t> sizes;
        for (const char* quality : {"20", "45"}) {
            const std::string folderName = out + "/" + quality;
            const CliRun run = RunCli(std::string("-q -f ") + format + " --quality " + quality + " --speed fastest -o " +
                                      ShellQuoted(folderName) + " " + ShellQuoted(source));
            ASSERT_EQ(run.status, 0) << run.err;
            for (const auto& entry : fs::directory_iterator(folderName)) sizes.push_back(fs::file_size(entry.path()));
            fs::remove_all(folderName);
        }
        ASSERT_EQ(sizes.size(), 2u);
        EXPECT_GT(sizes[0], sizes[1] * 3) << "quality 20: " << sizes[0] << " bytes, 45: " << sizes[1];
    }
}

TEST_F(CliModernFormats, QualityAndSpeedOutsideTheirRangesAreRefusedBeforeAnythingIsWritten)
{
    const std::string source = Source();
    for (const auto& [arguments, message] : {
             std::pair{"-f mp4-hevc --quality 52",
                       "mirelk-cli: The video quality of libx265 is a whole number from 0 (best) to 51, not '52'.\n"},
             {"-f webm --quality good", "mirelk-cli: --quality needs a whole number, not 'good'\n"},
             {"-f opus --audio-quality 500",
              "mirelk-cli: The audio quality of libopus is a whole number of kbit/s per channel from 6 to 256, not "
              "'500'.\n"},
             {"-f mkv-av1 --speed 6",
              "mirelk-cli: --speed needs auto, fastest, fast, medium, slow or slowest (or 0 to 5), not '6'\n"},
         }) {
        SCOPED_TRACE(arguments);
        const CliRun run = RunCli(std::string(arguments) + " -o " + ShellQuoted(out) + " " + ShellQuoted(source));
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, message);
    }
    EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out));
}

// Lossless targets keep the depth of the decoded samples: 16-bit sound stays 16-bit (planar or
// packed, as the encoder takes it) rather than growing to 32 bits, and 24-bit sound keeps its
// 24 bits in 32-bit words. Sound the encoder has no depth for (floating point) takes its first.
TEST_F(CliModernFormats, LosslessSoundKeepsTheDepthOfItsInput)
{
    const auto source = [&](const std::string& name, const std::string& codec) {
        return MakeMedia(folder.Path(name), "-f lavfi -i sine=duration=2:sample_rate=44100 -ac 2 -c:a " + codec);
    };
    struct TCase {
        std::string input;
        const char* format;
        const char* file;
        const char* written;  // codec, sample format, bits per raw sample
    };
    for (const TCase& c : {
             TCase{source("s16.wav", "pcm_s16le"), "m4a-alac", "s16_(new)_alac.m4a", "alac\ns16p\n16"},
             TCase{source("s16.wav", "pcm_s16le"), "flac", "s16_(new).flac", "flac\ns16\n16"},
             TCase{source("s24.wav", "pcm_s24le"), "m4a-alac", "s24_(new)_alac.m4a", "alac\ns32p\n24"},
             TCase{source("float.wav", "pcm_f32le"), "m4a-alac", "float_(new)_alac.m4a", "alac\ns32p\n24"},
         }) {
        SCOPED_TRACE(c.file);
        const CliRun run = RunCli(std::string("-q -f ") + c.format + " -o " + ShellQuoted(out) + " " + ShellQuoted(c.input));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(Probe(out + "/" + c.file, "a:0", "stream=codec_name,sample_fmt,bits_per_raw_sample"), c.written);
    }
    // Two seconds of 16-bit stereo at 44100 Hz are 353 kB as they are; a sine wave packs far
    // below that.
    EXPECT_LT(fs::file_size(out + "/s16_(new)_alac.m4a"), 353000u);
}

// The AV1 encoder takes no picture below its smallest size: the input is refused with the reason,
// and the other inputs convert.
TEST_F(CliModernFormats, AnAV1OfAOnePixelPictureIsRefusedClearly)
{
    const std::string tiny = MakeMedia(folder.Path("tiny.mkv"), "-f lavfi -i color=c=red:s=16x16:r=5:d=1 -vf scale=1:1 -c:v ffv1");
    const std::string source = Source();
    const CliRun run = RunCli("-q -f mkv-av1 -o " + ShellQuoted(out) + " " + ShellQuoted(tiny) + " " + ShellQuoted(source));
    EXPECT_EQ(run.status, 1);
    // The encoder of the other input writes its own banner after this line.
    EXPECT_EQ(Lines(run.err).front(), "mirelk-cli: " + tiny + ": The AV1 encoder takes pictures of at least 64x64 "
                                      "pixels, not 1x1; choose a larger size.");
    EXPECT_FALSE(fs::exists(out + "/tiny_(new)_av1.mkv"));
    EXPECT_EQ(Probe(out + "/clip_(new)_av1.mkv", "v:0", "stream=codec_name"), "av1");
}

// A two-hour input: only the first minute is read, and the user is told.
TEST_F(CliModernFormats, AnAnimatedPictureOfALongInputStopsAtItsLongestLength)
{
    const std::string longInput =
        MakeMedia(folder.Path("long.mkv"), "-f lavfi -i color=c=blue:s=32x32:r=1:d=7200 -c:v mpeg4 -g 600");
    const CliRun run = RunCli("-f gif -o " + ShellQuoted(out) + " " + ShellQuoted(longInput));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("mirelk-cli: " + longInput +
                           ": an animated GIF holds at most 60 seconds; the first 60 are converted\n"),
              std::string::npos)
        << run.err;
    const std::string gif = out + "/long_(new).gif";
    EXPECT_NEAR(ProbeDuration(gif), 60.0, 1.5);
    EXPECT_EQ(DecodeErrors(gif), "");
}

}  // namespace
}  // namespace mirelk::test
