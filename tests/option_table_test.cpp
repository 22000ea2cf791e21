#include <gtest/gtest.h>

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::FailureOf;
using mirelk::test::LibraryLogCapture;

namespace {

class OptionTable : public mirelk::test::LibrariesLoaded {};

// The message of the FFmpegException an action raises, or "" when it raises none.
}  // namespace

TEST_F(OptionTable, LineBreaksOfEveryKindSplitLines)
{
    for (const char* text : {"vframes=10\r\naframes=20\r\ndframes=30", "vframes=10\raframes=20\rdframes=30",
                             "vframes=10\naframes=20\ndframes=30", "  \t vframes=10\n\naframes=20\r\n\rdframes=30 \r\n"}) {
        CapturingTask task;
        task.ParseOptionText(text, false);
        EXPECT_EQ(task.Options().maxFrames[miVideo], 10) << text;
        EXPECT_EQ(task.Options().maxFrames[miAudio], 20) << text;
        EXPECT_EQ(task.Options().maxFrames[miData], 30) << text;
    }
    CapturingTask empty;
    empty.ParseOptionText("", false);
    empty.ParseOptionText("\r\n\n\r", false);
    EXPECT_EQ(empty.Options().maxFrames[miVideo], INT_MAX);
    EXPECT_TRUE(empty.messages.empty());
}

TEST_F(OptionTable, ValueIsEverythingAfterTheFirstEquals)
{
    CapturingTask task;
    task.ParseOptionText("metadata=title=A=B\nmetadata=author=", false);
    ASSERT_EQ(task.Options().metadata.size(), 2u);
    EXPECT_EQ(task.Options().metadata[0], (std::pair<std::string, std::string>{"title", "A=B"}));
    EXPECT_EQ(task.Options().metadata[1], (std::pair<std::string, std::string>{"author", ""}));
    EXPECT_EQ(FailureOf([&] { task.ParseOption("metadata", "title"); }), "Missing =");
}

TEST_F(OptionTable, SwitchesAndValuelessOptions)
{
    CapturingTask task;
    task.ParseOptionText("deinterlace", false);
    EXPECT_TRUE(task.Options().deinterlace);
    task.ParseOptionText("deinterlace=0", false);
    EXPECT_FALSE(task.Options().deinterlace);
    task.ParseOptionText("copyts=0\nxerror=0\nshortest=1\nan", false);
    EXPECT_TRUE(task.Options().copyTimestamps);
    EXPECT_TRUE(task.Options().exitOnError);
    EXPECT_TRUE(task.Options().shortest);
    EXPECT_EQ(task.Options().audioDisable, 1);
    // A text option without a value changes nothing; an integer one fails.
    task.ParseOptionText("r=25\nr", false);
    EXPECT_EQ(task.Options().frameRate.num, 25);
    EXPECT_EQ(FailureOf([&] { task.ParseOptionText("vframes", false); }), "'' is not a valid integer value");
    // Codec names: "copy" turns stream copy on, the empty value changes nothing.
    task.ParseOptionText("vcodec=copy\nacodec=mp2\nacodec=", false);
    EXPECT_TRUE(task.Options().videoStreamCopy);
    EXPECT_EQ(task.Options().audioCodecName, "mp2");
}

TEST_F(OptionTable, NumberErrorsAndBounds)
{
    CapturingTask task;
    EXPECT_EQ(FailureOf([&] { task.ParseOption("vframes", "12x"); }), "'12x' is not a valid integer value");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("fs", "99999999999999999999"); }),
              "'99999999999999999999' is not a valid integer value");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("aq", "loud"); }), "'loud' is not a valid floating point value");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("qscale", "0"); }), "qscale must be > 0.0 and <= 255");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("qscale", "256"); }), "qscale must be > 0.0 and <= 255");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("qscale", "255"); }), "");
    EXPECT_FLOAT_EQ(task.Options().videoQScale, 255.0f);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("pass", "3"); }), "pass number can be only 1 or 2");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("pass", "2"); }), "");
    EXPECT_EQ(task.Options().pass, 2);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("threads", "-1"); }), "'-1' is not a valid number of threads");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("threads", "many"); }), "'many' is not a valid integer value");
    EXPECT_EQ(task.CodecThreads(), 0);
    task.DefaultCodecThreads = 3;
    EXPECT_EQ(task.CodecThreads(), 3);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("threads", "2"); }), "");
    EXPECT_EQ(task.CodecThreads(), 2);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("ss", "soon"); }), "Invalid duration specification for ss: soon");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("timestamp", "yesterday"); }),
              "Invalid date specification for timestamp: yesterday");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("vtag", "DIV"); }), "video tag parameter must be 4 chars");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("atag", "mp4a2"); }), "audio tag parameter must be 4 chars");
    task.ParseOption("vtag", "DIVX");
    EXPECT_EQ(task.Options().videoCodecTag, 0x58564944u);
}

TEST_F(OptionTable, TimesAndTables)
{
    CapturingTask task;
    task.ParseOptionText("ss=00:00:02.5\nt=90\nitsoffset=-1\ntimestamp=1970-01-01 00:01:40.6", false);
    EXPECT_EQ(task.Options().startTime, 2500000);
    EXPECT_EQ(task.Options().recordingTime, 90000000);
    EXPECT_EQ(task.Options().expectedTotalDuration, 90000);
    EXPECT_EQ(task.Options().inputTimestampOffset, -1000000);
    EXPECT_EQ(task.Options().recordingTimestamp, 101);
    task.ParseOption("t", "0.0005");  // below one millisecond: ignored
    EXPECT_EQ(task.Options().recordingTime, 90000000);

    task.ParseOptionText("map=0.1\nmap=0x1:010:1.2\nmap_meta_data=1:0", false);
    ASSERT_EQ(task.Options().streamMaps.size(), 2u);
    const TStreamMap& plain = task.Options().streamMaps[0];
    EXPECT_EQ(std::vector<int>({plain.fileIndex, plain.streamIndex, plain.syncFileIndex, plain.syncStreamIndex}),
              std::vector<int>({0, 1, 0, 1}));
    const TStreamMap& synced = task.Options().streamMaps[1];
    EXPECT_EQ(std::vector<int>({synced.fileIndex, synced.streamIndex, synced.syncFileIndex, synced.syncStreamIndex}),
              std::vector<int>({1, 8, 1, 2}));
    ASSERT_EQ(task.Options().metaDataMaps.size(), 1u);
    EXPECT_EQ(task.Options().metaDataMaps[0].outputFile, 1);
    EXPECT_EQ(task.Options().metaDataMaps[0].inputFile, 0);

    task.ParseOption("itsscale", "3:0.5");
    EXPECT_DOUBLE_EQ(task.Options().inputTimestampScale[0][3], 0.5);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("itsscale", "20:2"); }), "stream index over MAX_STREAMS(20)");
}

TEST_F(OptionTable, QuantiserMatrices)
{
    std::string matrix;
    for (int i = 0; i < 64; ++i) matrix += (i ? "," : "") + std::to_string(i + 8);
    CapturingTask task;
    task.ParseOption("intra_matrix", matrix);
    ASSERT_EQ(task.Options().intraMatrix.size(), 64u);
    EXPECT_EQ(task.Options().intraMatrix[0], 8);
    EXPECT_EQ(task.Options().intraMatrix[63], 71);
    const std::string short63 = matrix.substr(0, matrix.rfind(','));
    EXPECT_EQ(FailureOf([&] { task.ParseOption("inter_matrix", short63); }),
              "Syntax error in matrix \"" + short63 + "\" at coeff 62");
    EXPECT_TRUE(task.Options().interMatrix.empty());
}

TEST_F(OptionTable, BitstreamFilters)
{
    CapturingTask task;
    task.ParseOptionText("vbsf=h264_mp4toannexb\nabsf=aac_adtstoasc\nsbsf=null\nvbsf=\nvbsf==x", false);
    ASSERT_EQ(task.Options().videoBitstreamFilters.size(), 1u);
    EXPECT_EQ(task.Options().videoBitstreamFilters[0].name, "h264_mp4toannexb");
    EXPECT_EQ(task.Options().audioBitstreamFilters.size(), 1u);
    EXPECT_EQ(task.Options().subtitleBitstreamFilters.size(), 1u);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("vbsf", "no_such_filter "); }),
              "Unknown bitstream filter no_such_filter");
}

TEST_F(OptionTable, GenericOptionsReachTheRightDefaults)
{
    LibraryLogCapture libraryLog;
    CapturingTask task;
    // Names the table does not know are AVOptions: codec, private codec, format, private
    // muxer and scaler options are all found; names found nowhere are ignored silently.
    task.ParseOptionText("g=15\ncrf=23\npreset=slow\npacketsize=2324\nmuxrate=1411200\nsws_flags=lanczos\n"
                         "no_such_option=1\nb = 900000",
                         false);
    const TAVOptionContext& options = *task.AVOptions();
    EXPECT_STREQ(options.CodecOptions(miVideo).Get("g"), "15");
    EXPECT_EQ(options.CodecDefaults(miVideo)->gop_size, 15);
    EXPECT_STREQ(options.CodecOptions(miVideo).Get("crf"), "23");
    EXPECT_STREQ(options.CodecOptions(miVideo).Get("preset"), "slow");
    EXPECT_EQ(options.CodecOptions(miAudio).Get("crf"), nullptr);
    EXPECT_STREQ(options.FormatOptions().Get("packetsize"), "2324");
    EXPECT_EQ(options.FormatDefaults()->packet_size, 2324u);
    EXPECT_STREQ(options.FormatOptions().Get("muxrate"), "1411200");
    EXPECT_STREQ(options.ScalerOptions().Get("sws_flags"), "lanczos");
    // Name and value are trimmed for the fallback.
    EXPECT_STREQ(options.CodecOptions(miVideo).Get("b"), "900000");
    EXPECT_EQ(options.CodecDefaults(miVideo)->bit_rate, 900000);
    // "ab" reaches the audio defaults as "b", not the video ones.
    task.ParseOption("ab", "128000");
    EXPECT_EQ(options.CodecDefaults(miAudio)->bit_rate, 128000);
    EXPECT_EQ(options.CodecDefaults(miVideo)->bit_rate, 900000);
    EXPECT_TRUE(task.messages.empty());
    for (const auto& line : libraryLog.Lines()) EXPECT_EQ(line.second.find("Invalid value"), std::string::npos);

    // A known option with a bad value: one error line in the library log, nothing set.
    task.ParseOption("g", "fifteen");
    const auto lines = libraryLog.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().first, AV_LOG_ERROR);
    EXPECT_EQ(lines.back().second, "Invalid value \"fifteen\" for option \"g\"\n");
    EXPECT_STREQ(options.CodecOptions(miVideo).Get("g"), "15");
    EXPECT_EQ(options.SetNames(), (std::vector<std::string>{"g", "crf", "preset", "packetsize", "muxrate",
                                                            "sws_flags", "b", "ab"}));
}

TEST_F(OptionTable, LowBitRateWarns)
{
    CapturingTask task;
    task.ParseOption("b", "800000");
    EXPECT_TRUE(task.messages.empty());
    task.ParseOption("b", "800");
    ASSERT_EQ(task.messages.size(), 1u);
    EXPECT_EQ(task.messages[0], (std::pair<int, std::string>{
                                    1, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"}));
    task.ParseOption("ab", "64");
    EXPECT_EQ(task.messages.size(), 2u);
}

TEST_F(OptionTable, NoticesFormatsAndDebug)
{
    CapturingTask task;
    task.ParseOptionText("y\nvpre=fast", false);
    EXPECT_EQ(task.messages, (std::vector<std::pair<int, std::string>>{{1, "Do nothing: option - y"},
                                                                       {1, "Do nothing: option - vpre"}}));
    task.ParseOption("f", "pgmyuv");
    EXPECT_EQ(task.messages.back(), (std::pair<int, std::string>{1, "pgmyuv format is deprecated, use image2"}));
    EXPECT_TRUE(task.Options().oldImageInput);
    EXPECT_EQ(task.Options().forcedFormatName, "image2");
    task.ParseOption("f", "matroska");
    EXPECT_NE(task.Options().forcedOutputFormat, nullptr);
    EXPECT_NE(task.Options().forcedInputFormat, nullptr);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("f", "nonsense"); }), "Unknown input or output format: nonsense");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("pix_fmt", "yuv999"); }), "Unknown pixel format requested: yuv999");
    task.ParseOption("pix_fmt", "yuv422p");
    EXPECT_EQ(task.Options().framePixelFormat, AV_PIX_FMT_YUV422P);
    task.ParseOption("sample_fmt", "s16");
    EXPECT_EQ(task.Options().audioSampleFormat, AV_SAMPLE_FMT_S16);
    // Setting the codec's debug field turns the engine's verbosity to debug.
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
    EXPECT_EQ(task.Options().audioSampleRate, 44100);
    EXPECT_EQ(task.Options().recordingTime, INT64_MAX);
    EXPECT_EQ(task.Options().videoSyncMethod, -1);
}

TEST(OptionTableUnloaded, OptionsFailCleanlyWithoutLibraries)
{
    TCustomFFmpeg task;
    task.Reset();  // does nothing without the libraries
    EXPECT_EQ(task.AVOptions(), nullptr);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("b", "1000"); }), "The codec libraries are not loaded");
}
