// Subtitles of the inputs: kept as they are, converted text to text, or left out with the reason,
// and never the cause of a failed conversion unless an option asked for them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "binding/av_owners.h"
#include "binding/entry_points.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class SubtitleStreams : public LibrariesLoaded {
protected:
    TempFolder folder;
};

struct TCue {
    double start;
    double end;
};

const TCue kCues[] = {{0.5, 1.5}, {2.0, 3.0}, {3.5, 4.5}};

std::string WriteSrt(const std::string& path)
{
    std::ofstream srt(path);
    srt << "1\n00:00:00,500 --> 00:00:01,500\nFirst line\n\n"
           "2\n00:00:02,000 --> 00:00:03,000\nSecond line\n\n"
           "3\n00:00:03,500 --> 00:00:04,500\nThird line\n";
    return path;
}

// A Matroska file of one DVD (VobSub) subtitle stream, a cue of one small bitmap at each of
// kCues: the ffmpeg tool cannot turn text into pictures, the libraries' encoder can.
std::string MakeDvdSubtitles(const std::string& path)
{
    const AVCodec* encoder = av::avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    if (encoder == nullptr) return "";
    TCodecContextPtr codec(av::avcodec_alloc_context3(encoder));
    codec->width = 160;
    codec->height = 120;
    codec->time_base = AVRational{1, 1000};
    if (av::avcodec_open2(codec.get(), encoder, nullptr) < 0) return "";
    AVFormatContext* raw = nullptr;
    if (av::avformat_alloc_output_context2(&raw, nullptr, "matroska", path.c_str()) < 0) return "";
    TOutputContextPtr output(raw);
    AVStream* stream = av::avformat_new_stream(raw, nullptr);
    av::avcodec_parameters_from_context(stream->codecpar, codec.get());
    stream->time_base = AVRational{1, 1000};
    if (av::avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 || av::avformat_write_header(raw, nullptr) < 0)
        return "";
    std::vector<std::uint8_t> bitmap(64 * 16);
    for (std::size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = static_cast<std::uint8_t>((i / 4 + i / 64) % 4);
    std::uint32_t palette[4] = {0x00000000, 0xffffffff, 0xff000000, 0xffff0000};
    TPacketPtr packet(av::av_packet_alloc());
    std::vector<std::uint8_t> encoded(65536);
    for (const TCue& cue : kCues) {
        AVSubtitleRect rect{};
        rect.x = 48;
        rect.y = 96;
        rect.w = 64;
        rect.h = 16;
        rect.nb_colors = 4;
        rect.type = SUBTITLE_BITMAP;
        rect.data[0] = bitmap.data();
        rect.linesize[0] = 64;
        rect.data[1] = reinterpret_cast<std::uint8_t*>(palette);
        rect.linesize[1] = 4 * 4;
        AVSubtitleRect* rects[1] = {&rect};
        AVSubtitle subtitle{};
        subtitle.end_display_time = static_cast<std::uint32_t>((cue.end - cue.start) * 1000);
        subtitle.num_rects = 1;
        subtitle.rects = rects;
        subtitle.pts = static_cast<std::int64_t>(cue.start * AV_TIME_BASE);
        const int size = av::avcodec_encode_subtitle(codec.get(), encoded.data(), static_cast<int>(encoded.size()),
                                                     &subtitle);
        if (size <= 0 || av::av_new_packet(packet.get(), size) < 0) return "";
        std::memcpy(packet->data, encoded.data(), static_cast<std::size_t>(size));
        packet->pts = packet->dts = static_cast<std::int64_t>(cue.start * 1000);
        packet->duration = static_cast<std::int64_t>((cue.end - cue.start) * 1000);
        packet->flags |= AV_PKT_FLAG_KEY;
        if (av::av_interleaved_write_frame(raw, packet.get()) < 0) return "";
    }
    return av::av_write_trailer(raw) < 0 ? "" : path;
}

// Start and end of every cue of text of the first subtitle stream, in seconds. MP4's text track
// fills the gaps between cues with empty samples (two bytes: a text length of 0), and a cue of
// one blank is no text: neither is counted.
std::vector<TCue> CueTimes(const std::string& path)
{
    std::istringstream lines(RunCommand("ffprobe -v error -select_streams s:0 -show_entries "
                                        "packet=pts_time,duration_time,size -of csv=p=0 " + ShellQuoted(path)));
    std::vector<TCue> cues;
    std::string line;
    while (std::getline(lines, line)) {
        double start = 0;
        double length = 0;
        int size = 0;
        if (std::sscanf(line.c_str(), "%lf,%lf,%d", &start, &length, &size) == 3 && size > 2)
            cues.push_back({start, start + length});
    }
    return cues;
}

// The cues are those given, each within a few milliseconds (the muxers may shift every stream
// of a file alike so that none starts before zero).
void ExpectCues(const std::string& path, const std::vector<TCue>& expected)
{
    const std::vector<TCue> cues = CueTimes(path);
    ASSERT_EQ(cues.size(), expected.size()) << path;
    for (std::size_t i = 0; i < cues.size(); ++i) {
        EXPECT_NEAR(cues[i].start, expected[i].start, 0.01) << path << " cue " << i;
        EXPECT_NEAR(cues[i].end, expected[i].end, 0.01) << path << " cue " << i;
    }
}

}  // namespace

// Each kind of subtitle into each kind of container: copied where the muxer takes it, text turned
// into the container's text, pictures of text left out of MP4, nothing in AVI; the pictures and
// the sound convert in every case.
TEST_F(SubtitleStreams, KeptCopiedConvertedOrLeftOutByTheContainer)
{
    const std::string pictures = MakeMedia(folder.Path("pictures.mkv"),
                                           "-f lavfi -i testsrc=duration=5:size=160x120:rate=25 -f lavfi -i "
                                           "sine=duration=5 -c:v mpeg4 -c:a aac");
    const std::string srt = WriteSrt(folder.Path("cues.srt"));
    const std::string dvd = MakeDvdSubtitles(folder.Path("dvd subtitles.mkv"));
    ASSERT_FALSE(pictures.empty() || dvd.empty());
    const auto withSubtitles = [&](const std::string& name, const std::string& subtitles, const char* codec) {
        return MakeMedia(folder.Path(name), "-i " + ShellQuoted(pictures) + " -i " + ShellQuoted(subtitles) +
                                                " -map 0 -map 1 -c:v copy -c:a copy -c:s " + codec);
    };
    const std::string srtMkv = withSubtitles("srt.mkv", srt, "srt");
    const std::string assMkv = withSubtitles("ass.mkv", srt, "ass");
    const std::string vttMkv = withSubtitles("webvtt.mkv", srt, "webvtt");
    const std::string dvdMkv = withSubtitles("vobsub.mkv", dvd, "copy");
    // Pictures of text first, text second.
    const std::string bothMkv = MakeMedia(folder.Path("both.mkv"), "-i " + ShellQuoted(pictures) + " -i " +
                                                                       ShellQuoted(dvd) + " -i " + ShellQuoted(srt) +
                                                                       " -map 0 -map 1 -map 2 -c copy -c:s:1 srt");
    ASSERT_FALSE(srtMkv.empty() || assMkv.empty() || vttMkv.empty() || dvdMkv.empty() || bothMkv.empty());
    ASSERT_EQ(Probe(dvdMkv, "s", "stream=codec_name"), "dvd_subtitle");

    struct Case {
        std::string input;
        const char* output;
        const char* subtitle;  // the codec written, "" when left out
        const char* leftOut;   // the info line of the stream left out, "" for none
    };
    const Case cases[] = {
        {srtMkv, "srt to mkv.mkv", "subrip", ""},
        {srtMkv, "srt to mp4.mp4", "mov_text", ""},
        {srtMkv, "srt to avi.avi", "", "Subtitle stream #0.2 (subrip) left out: avi takes no subtitles"},
        {assMkv, "ass to mkv.mkv", "ass", ""},
        {assMkv, "ass to mp4.mp4", "mov_text", ""},
        {assMkv, "ass to avi.avi", "", "Subtitle stream #0.2 (ass) left out: avi takes no subtitles"},
        {vttMkv, "webvtt to mp4.mp4", "mov_text", ""},
        {dvdMkv, "vobsub to mkv.mkv", "dvd_subtitle", ""},
        {dvdMkv, "vobsub to mp4.mp4", "", "Subtitle stream #0.2 (dvd_subtitle) left out: mp4 takes only text subtitles"},
        {dvdMkv, "vobsub to avi.avi", "", "Subtitle stream #0.2 (dvd_subtitle) left out: avi takes no subtitles"},
        // One subtitle stream is kept: the first that the container can have.
        {bothMkv, "both to mkv.mkv", "dvd_subtitle",
         "Subtitle stream #0.3 (subrip) left out: the output keeps one subtitle stream, #0.2"},
        {bothMkv, "both to mp4.mp4", "mov_text",
         "Subtitle stream #0.2 (dvd_subtitle) left out: mp4 takes only text subtitles"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        CapturingTask task;
        const std::string out = folder.Path(c.output);
        ASSERT_EQ(Convert(task, c.input, out, ""), "");
        EXPECT_TRUE(task.Finished);
        EXPECT_EQ(Probe(out, "s", "stream=codec_name"), c.subtitle);
        EXPECT_EQ(task.MessageCount("Subtitle stream #"), *c.leftOut != '\0' ? 1 : 0);
        if (*c.leftOut != '\0') {
            EXPECT_EQ(task.MessageCount(c.leftOut), 1);
        }
        if (*c.subtitle != '\0') ExpectCues(out, {std::begin(kCues), std::end(kCues)});
        EXPECT_FALSE(Probe(out, "v", "stream=codec_name").empty());
        EXPECT_FALSE(Probe(out, "a", "stream=codec_name").empty());
        EXPECT_NEAR(ProbeDuration(out), 5.0, 0.2);
        EXPECT_EQ(DecodeErrors(out), "");
    }

    // A clip from 1 s to 3 s, as a seek and as a start the run skips to: the cue across the start
    // is shown from it, the one inside keeps its times, the one after is gone.
    for (const std::string& input : {srtMkv, assMkv, dvdMkv}) {
        for (const auto& [ending, startOption] : {std::pair{"mkv", true}, {"mp4", true}, {"mkv", false}}) {
            SCOPED_TRACE(input + " clipped to " + ending + (startOption ? " seeking" : " skipping"));
            CapturingTask task;
            const std::string out = folder.Path(std::string("clip.") + ending);
            ASSERT_EQ(Convert(task, input, out, startOption ? "t=2" : "t=2\nss=1", startOption ? "ss=1" : ""), "");
            if (input == dvdMkv && std::string(ending) == "mp4") continue;
            ExpectCues(out, {{0.0, 0.5}, {1.0, 2.0}});
            EXPECT_NEAR(std::stod(Probe(out, "v:0", "stream=start_time")), 0.0, 0.04);
        }
    }

    // Subtitles and nothing else.
    const std::string only = MakeMedia(folder.Path("only subtitles.mkv"), "-i " + ShellQuoted(srt) + " -c:s srt");
    CapturingTask task;
    ASSERT_EQ(Convert(task, only, folder.Path("only copy.mkv"), ""), "");
    EXPECT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " +
                         ShellQuoted(folder.Path("only copy.mkv"))),
              "subrip\n");
    ExpectCues(folder.Path("only copy.mkv"), {std::begin(kCues), std::end(kCues)});

    // What an option asks for is made or fails: pictures of text cannot become text.
    CapturingTask asked;
    const std::string out = folder.Path("asked.mp4");
    EXPECT_EQ(Convert(asked, dvdMkv, out, "scodec=mov_text"),
              "Error while opening codec for output stream #0.2 - maybe incorrect parameters such as bit_rate, rate, "
              "width or height: Invalid data found when processing input");
    EXPECT_FALSE(fs::exists(out));
    CapturingTask disabled;
    ASSERT_EQ(Convert(disabled, srtMkv, folder.Path("no subtitles.mkv"), "sn"), "");
    EXPECT_EQ(Probe(folder.Path("no subtitles.mkv"), "s", "stream=codec_name"), "");
    EXPECT_EQ(disabled.MessageCount("Subtitle stream #"), 0);
}

// Subtitle streams a user's files really hold: cues that overlap, an empty one, text that is not
// UTF-8, a cue of 4 MB, subtitles over before the pictures begin. Each file converts; a cue that
// cannot be converted is told and left out.
TEST_F(SubtitleStreams, HostileCuesConvertOrAreLeftOut)
{
    const std::string srt = folder.Path("hostile.srt");
    {
        std::ofstream out(srt, std::ios::binary);
        out << "1\n00:00:00,500 --> 00:00:02,500\nOverlapping first\n\n"
               "2\n00:00:01,000 --> 00:00:02,000\nOverlapping second\n\n"
               "3\n00:00:02,600 --> 00:00:02,700\n \n\n"
               "4\n00:00:03,000 --> 00:00:03,500\nLatin-1: caf\xe9 \xff\xfe\n\n"
               "5\n00:00:04,000 --> 00:00:04,500\n"
            << std::string(4 * 1024 * 1024, 'x') << "\n";
    }
    const std::string early = folder.Path("early.srt");
    std::ofstream(early) << "1\n00:00:00,500 --> 00:00:01,500\nBefore the pictures\n";
    const std::string hostile = MakeMedia(folder.Path("hostile.mkv"),
                                          "-f lavfi -i testsrc=duration=5:size=160x120:rate=25 -sub_charenc UTF-8 -i " +
                                              ShellQuoted(srt) + " -map 0 -map 1 -c:v mpeg4 -c:s copy");
    const std::string late = MakeMedia(folder.Path("late pictures.mkv"),
                                       "-itsoffset 3 -f lavfi -i testsrc=duration=2:size=160x120:rate=25 -i " +
                                           ShellQuoted(early) + " -map 0 -map 1 -c:v mpeg4 -c:s srt");
    ASSERT_FALSE(hostile.empty() || late.empty());
    struct Case {
        std::string input;
        const char* output;
        int pictures;
        std::size_t cues;
        int leftOut;  // cues that could not be converted
    };
    const Case cases[] = {
        // Every cue but the blank one, which is no text.
        {hostile, "copied.mkv", 125, 4, 0},
        // Into MP4's text: the cue that is not UTF-8 cannot be read, the one of 4 MB not written,
        // the blank one is an empty sample.
        {hostile, "converted.mp4", 125, 2, 1},
        {late, "late.mkv", 50, 1, 0},
        {late, "late.mp4", 50, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        CapturingTask task;
        const std::string out = folder.Path(c.output);
        ASSERT_EQ(Convert(task, c.input, out, ""), "");
        // The last picture of H.264 in MP4 is not counted by ffprobe's decoding.
        EXPECT_NEAR(CountFrames(out), c.pictures, 1);
        EXPECT_EQ(CueTimes(out).size(), c.cues);
        const std::string tooLong = "Subtitle encoding failed: a text of ";
        EXPECT_EQ(task.MessageCount(tooLong), c.leftOut);
        for (const auto& [level, message] : task.messages)
            if (message.rfind(tooLong, 0) == 0) {
                EXPECT_EQ(message.substr(message.find(" bytes is ")),
                          " bytes is longer than a subtitle may be (65536 bytes) (the subtitle at 4.000 s of stream #0.1 "
                          "is left out)");
            }
    }
}
