// File and stream facts and the description text, checked against ffprobe's answers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "binding/utilities.h"
#include "probe_media.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class ProberFacts : public ProberTest {};

double RateOf(const std::string& fraction)
{
    const std::size_t slash = fraction.find('/');
    return std::stod(fraction.substr(0, slash)) / std::stod(fraction.substr(slash + 1));
}

std::string DurationText(const std::string& seconds)
{
    return seconds != "N/A" ? FormatDuration(Microseconds(seconds)) : "N/A";
}

// The first lines of the description, as ffprobe's facts of the file predict them.
std::vector<std::string> ExpectedFileLines(const std::string& path)
{
    const auto facts = Ffprobe(path, "format=format_name,format_long_name,size,start_time,duration,bit_rate");
    std::vector<std::string> lines = {"File Name: " + path, "Format Name: " + facts.at("format_name"),
                                      "Format Long Name: " + facts.at("format_long_name"),
                                      "File Size: " + FormatFileSize(std::stoll(facts.at("size")))};
    if (facts.at("start_time") != "N/A") lines.push_back("StartTime: " + facts.at("start_time"));
    lines.push_back("Duration: " + DurationText(facts.at("duration")));
    lines.push_back(facts.at("bit_rate") != "N/A"
                        ? Format("Bit Rate: %lld Kbps", std::stoll(facts.at("bit_rate")) / 1000)
                        : std::string("Bit Rate: N/A"));
    return lines;
}

// A stream line as ffprobe predicts it. The codec library's description of the coding sits in
// the middle; ffprobe's own description of the stream must begin with it. Stream ids are shown
// where ffprobe shows them (the QuickTime and transport stream demuxers).
void ExpectStreamLine(const std::string& line, const std::string& path, int index)
{
    SCOPED_TRACE(line);
    const auto facts =
        Ffprobe(path, "stream=id,time_base,codec_type,r_frame_rate,start_time,duration:stream_tags=language", index);
    std::string prefix = "Stream #" + std::to_string(index);
    if (facts.at("id") != "N/A") prefix += "[" + facts.at("id") + "]";
    if (facts.count("TAG:language") != 0) prefix += "(" + facts.at("TAG:language") + ")";
    prefix += ", " + facts.at("time_base") + ": ";
    std::string suffix;
    if (facts.at("codec_type") == "video") suffix += Format(", %5.2f tb(r)", RateOf(facts.at("r_frame_rate")));
    if (facts.at("start_time") != "N/A") suffix += ", StartTime: " + facts.at("start_time");
    suffix += ", Duration: " + DurationText(facts.at("duration"));

    ASSERT_GT(line.size(), prefix.size() + suffix.size());
    EXPECT_EQ(line.substr(0, prefix.size()), prefix);
    EXPECT_EQ(line.substr(line.size() - suffix.size()), suffix);
    const std::string coding = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    const std::string ffprobeDescription = FfprobeStreamDescriptions(path).at(static_cast<std::size_t>(index));
    EXPECT_EQ(ffprobeDescription.substr(0, coding.size()), coding) << "ffprobe: " << ffprobeDescription;
}

void ExpectDescription(const TCustomAVProbe& probe, const std::string& path, const std::vector<std::string>& tagLines)
{
    const std::vector<std::string> lines = InfoLines(probe.GetInfoText());
    std::vector<std::string> expected = ExpectedFileLines(path);
    expected.insert(expected.end(), tagLines.begin(), tagLines.end());
    const int streams = probe.StreamCount();
    ASSERT_EQ(lines.size(), expected.size() + static_cast<std::size_t>(streams)) << probe.GetInfoText();
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]);
    for (int s = 0; s < streams; ++s) ExpectStreamLine(lines[expected.size() + static_cast<std::size_t>(s)], path, s);
}

// The file's facts and its first video stream's against ffprobe's. A stream's start and length
// come both in its own units (the "no value" mark when unknown) and in microseconds (-1).
void ExpectFacts(const TCustomAVProbe& probe, const std::string& path)
{
    const auto file = Ffprobe(path, "format=size,start_time,duration,bit_rate,nb_streams,nb_programs");
    const TAVFileInfo info = probe.GetFileInfo();
    EXPECT_EQ(std::vector<std::int64_t>({probe.StreamCount(), probe.ProgramCount(), probe.GetFileSize(), info.StartTime,
                                         info.Duration, info.BitRate}),
              std::vector<std::int64_t>({std::stoll(file.at("nb_streams")), std::stoll(file.at("nb_programs")),
                                         std::stoll(file.at("size")), Microseconds(file.at("start_time")),
                                         Microseconds(file.at("duration")),
                                         std::atoll(file.at("bit_rate").c_str())}));  // "N/A" is 0
    if (probe.FirstVideoStream() < 0) return;
    const auto video = Ffprobe(path, "stream=codec_name,width,height,sample_aspect_ratio,start_pts,start_time,"
                                     "duration_ts,duration", probe.FirstVideoStream());
    const auto units = [](const std::string& value) { return value == "N/A" ? AV_NOPTS_VALUE : std::stoll(value); };
    const TAVVideoStreamInfo stream = probe.GetVideoStreamInfo(-1);
    EXPECT_EQ(stream.CodecName, video.at("codec_name"));
    EXPECT_EQ(std::vector<std::int64_t>({stream.Width, stream.Height, stream.StartTime, stream.StartTimeUS,
                                         stream.Duration, stream.DurationUS}),
              std::vector<std::int64_t>({std::stoll(video.at("width")), std::stoll(video.at("height")),
                                         units(video.at("start_pts")), Microseconds(video.at("start_time")),
                                         units(video.at("duration_ts")), Microseconds(video.at("duration"))}));
    // Pixels of unknown shape are square.
    int across = 0, down = 0;
    std::sscanf(video.at("sample_aspect_ratio").c_str(), "%d:%d", &across, &down);
    const double pixel = across > 0 && down > 0 ? static_cast<double>(across) / down : 1.0;
    EXPECT_NEAR(stream.AspectRatio, pixel * stream.Width / stream.Height, 1e-5);
}

}  // namespace

TEST_F(ProberFacts, FactsAndDescriptionMatchFfprobe)
{
    struct TCase {
        std::string name;
        std::string made;  // the ffmpeg arguments of a file made here; empty for a shared sample
        std::vector<std::string> tagLines;
    };
    const std::vector<TCase> cases = {
        {"h264-aac-1080p.mp4", "", {"Comment: Made with Remotion 4.0.278"}},
        {"vorbis.ogg", "", {}},
        // Starts 5 ms before zero: "-0.005000", as ffprobe says.
        {"ac3-5.1.mkv", "", {"Title: The Happy Meeting", "Author: Samples Files", "Album: Samples files",
                             "Genre: Ambient", "Year: 2020", "Track: #4"}},
        // Matroska streams carry no duration of their own, nor these a pixel shape.
        {"vp9-1080x1080.webm", "", {}},
        {"vp8-8x8.webm", "", {}},
        // A stream whose units are not microseconds.
        {"made.mp4", "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v mpeg4", {}},
        // Neither a start nor a length known: "N/A", and no start line.
        {"raw.h264", "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v libx264 -f h264", {}},
        {"tags.mkv",
         "-f lavfi -i sine=d=1 -c:a flac -metadata title=Song -metadata artist=Singer -metadata copyright=Someone "
         "-metadata comment=Remark -metadata album=Record -metadata genre=Folk -metadata date=2009-05-01 "
         "-metadata track=3/12",
         {"Title: Song", "Author: Singer", "Copyright: Someone", "Comment: Remark", "Album: Record", "Genre: Folk",
          "Year: 2009", "Track: #3"}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.made.empty() ? OpenSample(c.name) : OpenMade(c.name, c.made);
        if (path.empty()) continue;  // no sample media
        ExpectFacts(probe, path);
        ExpectDescription(probe, path, c.tagLines);
    }
}

TEST_F(ProberFacts, TimeStampInTheZonesStandardTime)
{
    OpenMade("dated.mp4", "-f lavfi -i color=c=red:s=64x48:r=25:d=1 -metadata creation_time=2020-07-01T12:00:00Z");
    EXPECT_EQ(probe.GetFileInfo().TimeStamp, 1593604800);
    // In July New York keeps daylight saving time (08:00), which the description leaves out.
    for (const auto& [zone, line] : {std::pair{"EST5EDT", "Time Stamp: 2020-07-01 07:00:00"},
                                     {"JST-9", "Time Stamp: 2020-07-01 21:00:00"}}) {
        setenv("TZ", zone, 1);
        tzset();
        const std::vector<std::string> lines = InfoLines(probe.GetInfoText());
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << zone;
    }
    unsetenv("TZ");
    tzset();
}

TEST_F(ProberFacts, ProgramsListOnlyTheirOwnStreams)
{
    const std::string path =
        OpenMade("two.ts", "-f lavfi -i testsrc=d=1:s=64x48:r=25 -f lavfi -i sine=d=1 -map 0:v -map 1:a -c:v mpeg2video "
                           "-c:a mp2 -program title=First:program_num=1:st=0 -program title=Second:program_num=2:st=1");
    EXPECT_EQ(probe.ProgramCount(), 2);
    const std::vector<std::string> lines = InfoLines(probe.GetInfoText());
    const std::vector<std::string> fileLines = ExpectedFileLines(path);
    const std::size_t n = fileLines.size();
    ASSERT_EQ(lines.size(), n + 4);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(n)), fileLines);
    const std::string provider = Ffprobe(path, "program_tags=service_provider").at("TAG:service_provider");
    EXPECT_EQ(lines[n], "Program 1 First@" + provider);
    ExpectStreamLine(lines[n + 1], path, 0);
    EXPECT_EQ(lines[n + 2], "Program 2 Second@" + provider);
    ExpectStreamLine(lines[n + 3], path, 1);
    // Transport stream ids in lower case.
    EXPECT_EQ(lines[n + 1].rfind("Stream #0[0x100], ", 0), 0u);
}

TEST_F(ProberFacts, StreamKindsCountedInIndexOrderAndNoVideoWhereThereIsNone)
{
    WriteBytes(folder.Path("subtitles.srt"), "1\n00:00:00,000 --> 00:00:00,500\nHello\n");
    OpenMade("mixed.mkv", "-f lavfi -i testsrc=d=1:s=64x48:r=25 -f lavfi -i sine=d=1 -i " +
                              ShellQuoted(folder.Path("subtitles.srt")) +
                              " -map 1:a -map 0:v -map 2:s -map 1:a -c:v mpeg4 -c:a mp2 -c:s srt");
    EXPECT_EQ(std::vector<int>({probe.StreamCount(), probe.AudioStreamCount(), probe.VideoStreamCount(),
                                probe.SubtitleStreamCount()}),
              std::vector<int>({4, 2, 1, 1}));
    EXPECT_EQ(std::vector<int>({probe.FirstAudioStream(), probe.FirstVideoStream(), probe.FirstSubtitleStream()}),
              std::vector<int>({0, 1, 2}));
    // A negative index finds the video stream behind the audio one.
    EXPECT_EQ(probe.GetVideoStreamInfo(-1).Width, 64);
    EXPECT_EQ(probe.GetVideoStreamInfo(1).Height, 48);

    LibraryLogCapture log;
    EXPECT_EQ(probe.GetVideoStreamInfo(4).Width, -1);
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "stream index #4 is invalid.\n"));
    EXPECT_EQ(probe.GetVideoStreamInfo(2).Width, -1);
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "stream #2 is not video stream.\n"));

    OpenMade("tone.mka", "-f lavfi -i sine=d=3 -c:a mp2");
    EXPECT_EQ(std::vector<int>({probe.AudioStreamCount(), probe.VideoStreamCount(), probe.FirstVideoStream()}),
              std::vector<int>({1, 0, -1}));
    const TAVVideoStreamInfo none = probe.GetVideoStreamInfo(-1);
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "no video stream.\n"));
    EXPECT_EQ(none.Width, -1);
    EXPECT_EQ(none.CodecName, "");
    EXPECT_TRUE(probe.ReadFrame(-1).Empty());
    // Seeking a file without pictures goes by its audio stream.
    EXPECT_TRUE(probe.Seek(-1, 2000000));
}

TEST_F(ProberFacts, WithoutFileEverythingIsUnknown)
{
    const auto expectEmpty = [this] {
        for (int count : {probe.StreamCount(), probe.ProgramCount(), probe.AudioStreamCount(), probe.VideoStreamCount(),
                          probe.SubtitleStreamCount(), probe.FirstAudioStream(), probe.FirstVideoStream(),
                          probe.FirstSubtitleStream()})
            EXPECT_EQ(count, -1);
        EXPECT_EQ(probe.ForcedFormat(), "");

        LibraryLogCapture log;
        EXPECT_EQ(probe.GetFileName(), "");
        EXPECT_EQ(probe.GetFormatName(), "");
        EXPECT_EQ(probe.GetFileSize(), -1);
        EXPECT_EQ(probe.GetInfoText(), "");
        const TAVFileInfo info = probe.GetFileInfo();
        for (std::int64_t value : {info.StartTime, info.Duration, info.BitRate, info.TimeStamp,
                                   std::int64_t{info.Year}, std::int64_t{info.Track}})
            EXPECT_EQ(value, -1);
        const TAVVideoStreamInfo stream = probe.GetVideoStreamInfo(-1);
        EXPECT_EQ(stream.Width, -1);
        EXPECT_EQ(stream.StartTimeUS, -1);
        EXPECT_FLOAT_EQ(stream.AspectRatio, -1.0f);
        int notLoaded = 0;
        for (const auto& [level, text] : log.Lines())
            if (text == "file not loaded.\n" && LibraryToEngineLevel(level) == kLevelInfo) ++notLoaded;
        EXPECT_EQ(notLoaded, 6);

        EXPECT_TRUE(probe.ReadFrame(-1).Empty());
        EXPECT_TRUE(Logged(log.Lines(), kLevelError, "file not loaded.\n"));
        EXPECT_FALSE(probe.Seek(-1, 0));
        EXPECT_EQ(probe.LastErrMsg(), "file not loaded.");
        EXPECT_TRUE(probe.LastFrame().Empty());
    };
    expectEmpty();
    OpenMade("clip.mkv", "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v mpeg4", "matroska");
    EXPECT_EQ(probe.ForcedFormat(), "matroska");
    probe.Close();
    expectEmpty();
}
