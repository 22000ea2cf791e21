#include <gtest/gtest.h>

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/options/option_lines.h"
#include "test_support.h"

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::FailureOf;
using mirelk::test::LibraryLogCapture;

namespace {

class OptionTable : public mirelk::test::LibrariesLoaded {};

using Messages = std::vector<std::pair<int, std::string>>;

}  // namespace

TEST_F(OptionTable, LineBreaksOfEveryKindSplitLines)
{
    for (const char* text : {"vframes=10\r\naframes=20\r\ndframes=30", "vframes=10\raframes=20\rdframes=30",
                             "  \t vframes=10\n\naframes=20\r\n\rdframes=30 \r\n"}) {
        CapturingTask task;
        task.ParseOptionText(text, false);
        EXPECT_EQ(task.Options().maxFrames[miVideo], 10) << text;
        EXPECT_EQ(task.Options().maxFrames[miAudio], 20) << text;
        EXPECT_EQ(task.Options().maxFrames[miData], 30) << text;
    }
    CapturingTask empty;
    empty.ParseOptionText("\r\n\n\r", false);
    EXPECT_EQ(empty.Options().maxFrames[miVideo], INT_MAX);
    EXPECT_TRUE(empty.messages.empty());
}

// The reading both the engine and the command line use: the first "=" splits, blanks inside a
// line stay, and only the whole text's ends are trimmed.
TEST(OptionLines, LinesSplitAtTheirFirstEqualsSign)
{
    std::vector<std::pair<std::string, std::string>> read;
    for (const TOptionLine& line : OptionLines(" \tmetadata=title=A=B\r\nb = 1000\r\rdeinterlace\n=x \r\n"))
        read.emplace_back(line.name, line.value);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"metadata", "title=A=B"}, {"b ", " 1000"}, {"", ""}, {"deinterlace", ""}, {"", "x"}};
    EXPECT_EQ(read, expected);
    EXPECT_TRUE(OptionLines(" \r\n\t").empty());
    EXPECT_EQ(TrimBlanks("\t b = 1 \r\n"), "b = 1");
}

// Each refused value with its message, and the option keeps what it had.
TEST_F(OptionTable, RefusedValuesGiveTheirMessages)
{
    const std::string outside = " crop dimensions are outside the range of the original image.\n"
                                "Remember to crop first and scale second.";
    struct Case {
        const char* name;
        std::string value;
        std::string message;
    };
    std::string matrix63;
    for (int i = 0; i < 63; ++i) matrix63 += (i ? "," : "") + std::to_string(i + 8);
    const Case cases[] = {
        {"metadata", "title", "Missing ="},
        {"vframes", "12x", "'12x' is not a valid integer value"},
        {"vframes", "", "'' is not a valid integer value"},
        {"fs", "99999999999999999999", "'99999999999999999999' is not a valid integer value"},
        {"aq", "loud", "'loud' is not a valid floating point value"},
        {"qscale", "0", "qscale must be > 0.0 and <= 255"},
        {"qscale", "256", "qscale must be > 0.0 and <= 255"},
        {"pass", "3", "pass number can be only 1 or 2"},
        {"threads", "-1", "'-1' is not a valid number of threads"},
        {"ss", "soon", "Invalid duration specification for ss: soon"},
        {"timestamp", "yesterday", "Invalid date specification for timestamp: yesterday"},
        {"vtag", "DIV", "video tag parameter must be 4 chars"},
        {"atag", "mp4a2", "audio tag parameter must be 4 chars"},
        {"itsscale", "20:2", "stream index over MAX_STREAMS(20)"},
        {"inter_matrix", matrix63, "Syntax error in matrix \"" + matrix63 + "\" at coeff 62"},
        {"vbsf", "no_such_filter ", "Unknown bitstream filter no_such_filter"},
        {"f", "nonsense", "Unknown input or output format: nonsense"},
        {"pix_fmt", "yuv999", "Unknown pixel format requested: yuv999"},
        {"s", "321x240", "Frame size must be a multiple of 2"},
        {"s", "320x241", "Frame size must be a multiple of 2"},
        {"s", "huge", "Incorrect frame size"},
        {"r", "fast", "Incorrect frame rate"},
        {"aspect", "4:0", "Incorrect aspect ratio specification."},
        {"croptop", "480", "Vertical" + outside},
        {"cropright", "640", "Horizontal" + outside},
        {"cropleft", "3", "Left crop size must be a multiple of 2"},
        {"padtop", "5", "Top pad size must be a multiple of 2"},
        {"padright", "1", "Right pad size must be a multiple of 2"},
        {"target", "pal-laserdisc", "Unknown target type"},
        {"vhook", "vhook/drawtext.so -t hi", "Failed to add video hook function: vhook/drawtext.so -t hi"},
    };
    CapturingTask task;
    task.ParseOption("s", "640x480");
    for (const Case& c : cases) EXPECT_EQ(FailureOf([&] { task.ParseOption(c.name, c.value); }), c.message) << c.name;
    EXPECT_TRUE(task.Options().metadata.empty());
    EXPECT_FLOAT_EQ(task.Options().videoQScale, 0.0f);
    EXPECT_EQ(task.Options().pass, 0);
    EXPECT_TRUE(task.Options().interMatrix.empty());
    EXPECT_TRUE(task.Options().videoBitstreamFilters.empty());
    EXPECT_EQ(task.Options().maxFrames[miVideo], INT_MAX);
    EXPECT_EQ(task.Options().frameWidth, 640);
    EXPECT_EQ(task.Options().frameHeight, 480);
}

TEST_F(OptionTable, ValuesAreParsedAndKept)
{
    CapturingTask task;
    // The value is everything after the first '='; a text option without one changes nothing.
    task.ParseOptionText("metadata=title=A=B\nmetadata=author=\nr=25\nr\nqscale=255\nvtag=DIVX", false);
    EXPECT_EQ(task.Options().metadata, (std::vector<std::pair<std::string, std::string>>{{"title", "A=B"}, {"author", ""}}));
    EXPECT_EQ(task.Options().frameRate.num, 25);
    EXPECT_FLOAT_EQ(task.Options().videoQScale, 255.0f);
    EXPECT_EQ(task.Options().videoCodecTag, 0x58564944u);

    // Codec threads: the task's default until the option gives a number.
    EXPECT_EQ(task.CodecThreads(), 0);
    task.DefaultCodecThreads = 3;
    EXPECT_EQ(task.CodecThreads(), 3);
    task.ParseOption("threads", "2");
    EXPECT_EQ(task.CodecThreads(), 2);

    task.ParseOptionText("ss=00:00:02.5\nt=90\nitsoffset=-1\ntimestamp=1970-01-01 00:01:40.6", false);
    EXPECT_EQ(task.Options().startTime, 2500000);
    EXPECT_EQ(task.Options().recordingTime, 90000000);
    EXPECT_EQ(task.Options().expectedTotalDuration, 90000);
    EXPECT_EQ(task.Options().inputTimestampOffset, -1000000);
    EXPECT_EQ(task.Options().recordingTimestamp, 101);
    task.ParseOption("t", "0.0005");  // below one millisecond: ignored
    EXPECT_EQ(task.Options().recordingTime, 90000000);

    // A map's sync stream is the mapped one unless given; numbers are decimal and hexadecimal.
    task.ParseOptionText("map=0.1\nmap=0x1:010:1.2\nmap_meta_data=1:0", false);
    ASSERT_EQ(task.Options().streamMaps.size(), 2u);
    const auto fields = [](const TStreamMap& map) {
        return std::vector<int>{map.fileIndex, map.streamIndex, map.syncFileIndex, map.syncStreamIndex};
    };
    EXPECT_EQ(fields(task.Options().streamMaps[0]), (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(fields(task.Options().streamMaps[1]), (std::vector<int>{1, 8, 1, 2}));
    ASSERT_EQ(task.Options().metaDataMaps.size(), 1u);
    EXPECT_EQ(task.Options().metaDataMaps[0].outputFile, 1);
    EXPECT_EQ(task.Options().metaDataMaps[0].inputFile, 0);

    // Bitstream filters go to their media type's chain; an empty name, or one after '=', is none.
    task.ParseOptionText("vbsf=h264_mp4toannexb\nabsf=aac_adtstoasc\nsbsf=null\nvbsf=\nvbsf==x", false);
    EXPECT_EQ(task.Options().videoBitstreamFilters.size(), 1u);
    EXPECT_EQ(task.Options().audioBitstreamFilters.size(), 1u);
    EXPECT_EQ(task.Options().subtitleBitstreamFilters.size(), 1u);
}

TEST_F(OptionTable, GenericOptionsReachTheRightDefaults)
{
    LibraryLogCapture libraryLog;
    CapturingTask task;
    // Names the table does not know are AVOptions: codec, private codec, format, private
    // muxer and scaler options are all found; names found nowhere are ignored silently.
    task.ParseOptionText("g=15\ncrf=23\npacketsize=2324\nmuxrate=1411200\nsws_flags=lanczos\n"
                         "no_such_option=1\nb = 900000",
                         false);
    const TAVOptionContext& options = *task.AVOptions();
    EXPECT_EQ(options.CodecDefaults(miVideo)->gop_size, 15);
    EXPECT_STREQ(options.CodecOptions(miVideo).Get("crf"), "23");
    EXPECT_EQ(options.CodecOptions(miAudio).Get("crf"), nullptr);
    EXPECT_EQ(options.FormatDefaults()->packet_size, 2324u);
    EXPECT_STREQ(options.FormatOptions().Get("muxrate"), "1411200");
    EXPECT_STREQ(options.ScalerOptions().Get("sws_flags"), "lanczos");
    // Name and value are trimmed for the fallback.
    EXPECT_EQ(options.CodecDefaults(miVideo)->bit_rate, 900000);
    // "ab" reaches the audio defaults as "b", not the video ones.
    task.ParseOption("ab", "128000");
    EXPECT_EQ(options.CodecDefaults(miAudio)->bit_rate, 128000);
    EXPECT_EQ(options.CodecDefaults(miVideo)->bit_rate, 900000);
    EXPECT_TRUE(task.messages.empty());
    EXPECT_TRUE(libraryLog.Lines().empty());

    // A known option with a bad value: the library's error lines end with the option's, nothing set.
    task.ParseOption("g", "fifteen");
    ASSERT_FALSE(libraryLog.Lines().empty());
    EXPECT_EQ(libraryLog.Lines().back(), (Messages::value_type{AV_LOG_ERROR, "Invalid value \"fifteen\" for option \"g\"\n"}));
    EXPECT_STREQ(options.CodecOptions(miVideo).Get("g"), "15");
    EXPECT_EQ(options.SetNames(),
              (std::vector<std::string>{"g", "crf", "packetsize", "muxrate", "sws_flags", "b", "ab"}));
}

TEST_F(OptionTable, NoticesAndWarnings)
{
    CapturingTask task;
    // A bit rate of 0 asks constant-quality encoders for no bit rate at all: no warning.
    task.ParseOptionText("b=800000\ny\nvpre=fast\nb=800\nab=64\nb=0\nf=pgmyuv", false);
    const std::string low = "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";
    EXPECT_EQ(task.messages, (Messages{{1, "Do nothing: option - y"},
                                       {1, "Do nothing: option - vpre"},
                                       {1, low},
                                       {1, low},
                                       {1, "pgmyuv format is deprecated, use image2"}}));
    EXPECT_TRUE(task.Options().oldImageInput);
    EXPECT_EQ(task.Options().forcedFormatName, "image2");
    task.ParseOption("f", "matroska");
    EXPECT_NE(task.Options().forcedOutputFormat, nullptr);
    EXPECT_NE(task.Options().forcedInputFormat, nullptr);
    // Setting the codec's debug field turns the engine's verbosity to debug; "v" sets the
    // libraries' level too.
    task.ParseOption("debug", "pict");
    EXPECT_EQ(task.Options().verbosity, 2);
    task.ParseOption("v", "0");
    EXPECT_EQ(task.Options().verbosity, 0);
    EXPECT_EQ(av::av_log_get_level(), AV_LOG_ERROR);
}

TEST_F(OptionTable, ResetRestoresDefaultsAndNewStreamsNeedAnOutput)
{
    CapturingTask task;
    task.ParseOptionText("s=640x480\nvol=512\nmap=0.0\nb=1000000\nnewvideo", false);
    EXPECT_EQ(task.Options().frameWidth, 640);
    // New-stream options apply only on the second pass, and need an output file.
    EXPECT_EQ(FailureOf([&] { task.ParseOptionText("newaudio", true); }), "At least one output file must be specified");
    task.Reset();
    EXPECT_EQ(task.Options().frameWidth, 0);
    EXPECT_EQ(task.Options().audioVolume, 256);
    EXPECT_TRUE(task.Options().streamMaps.empty());
    EXPECT_EQ(task.AVOptions()->CodecOptions(miVideo).Get("b"), nullptr);
}

TEST(OptionTableUnloaded, OptionsFailCleanlyWithoutLibraries)
{
    TCustomFFmpeg task;
    task.Reset();  // does nothing without the libraries
    EXPECT_EQ(task.AVOptions(), nullptr);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("b", "1000"); }), "The codec libraries are not loaded");
}
