// Clips through mirelk-cli: every stream of the output begins and ends with the clip, whether its
// start seeks the input (--clip, as the desktop program's marked clip) or is an output option
// that decodes from the beginning and drops what comes before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

#include "cli/cli_test_support.h"

using namespace mirelk::test;

namespace {

// Where one stream of a file begins and ends (seconds) as ffprobe reads its packets, and its
// longest packet: one picture, or one block of sound. A packet of no duration (pictures in ASF)
// lasts until the next one. Packet times serve every format alike: some keep no duration of
// their own per stream (AVI), or give each stream the file's (ASF).
struct Span {
    double start = 0;
    double end = 0;
    double frame = 0;
};

double Seconds(const std::string& field, bool& known)
{
    known = !field.empty() && field != "N/A";
    return known ? std::atof(field.c_str()) : 0.0;
}

Span StreamSpan(const std::string& path, const std::string& stream)
{
    std::vector<std::pair<double, double>> packets;  // time and duration
    std::istringstream lines(RunCommand("ffprobe -v error -select_streams " + stream +
                                        " -show_entries packet=pts_time,dts_time,duration_time -of csv=p=0 " +
                                        ShellQuoted(path)));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string pts, dts, duration;
        std::getline(fields, pts, ',');
        std::getline(fields, dts, ',');
        std::getline(fields, duration, ',');
        bool known = false;
        double at = Seconds(pts, known);
        if (!known) at = Seconds(dts, known);
        if (known) packets.emplace_back(at, Seconds(duration, known));
    }
    Span span;
    if (packets.empty()) return span;
    std::sort(packets.begin(), packets.end());
    for (std::size_t i = 0; i < packets.size(); ++i) {
        double& length = packets[i].second;
        if (length <= 0 && packets.size() > 1)
            length = i + 1 < packets.size() ? packets[i + 1].first - packets[i].first
                                            : packets[i].first - packets[i - 1].first;
        span.frame = std::max(span.frame, length);
    }
    span.start = packets.front().first;
    span.end = packets.back().first + packets.back().second;
    return span;
}

// Rounding of the formats' time bases (milliseconds in some).
constexpr double kSlack = 0.002;

// The sound as ffmpeg plays it, in seconds: an encoder's priming and the silence that completes
// the last block are left out where the format says so.
double PlayedSound(const std::string& path) { return DecodeSamples(path, 44100, 1).size() / 44100.0; }

// Every stream of the file starts with the clip of the given length and with the others, within
// one frame: a picture or a block of sound, whichever is longer. It ends within one frame more:
// the last block of sound is completed with silence, and an encoder's priming that the format
// cannot mark (MP3 in AVI) moves the sound on by less than a block. The sound as played lasts
// the clip within one block, where the format can mark the priming.
void ExpectStreamsOnClip(const std::string& path, double length, bool withPictures, bool primingMarked = true)
{
    SCOPED_TRACE(path);
    Span sound = StreamSpan(path, "a:0");
    ASSERT_GT(sound.frame, 0.0);
    // The priming that the format marks to be left out (MP3's) lies before the stream's start.
    const std::string start = Probe(path, "a:0", "stream=start_time");
    if (!start.empty() && start != "N/A") sound.start = std::max(sound.start, std::atof(start.c_str()));
    const Span pictures = withPictures ? StreamSpan(path, "v:0") : sound;
    ASSERT_GT(pictures.frame, 0.0);
    const double frame = std::max(sound.frame, pictures.frame) + kSlack;
    for (const Span& span : {sound, pictures}) {
        EXPECT_NEAR(span.start, 0.0, frame);
        EXPECT_NEAR(span.end, length, frame + sound.frame);
    }
    EXPECT_NEAR(pictures.start, sound.start, frame);
    EXPECT_NEAR(pictures.end, sound.end, frame + sound.frame);
    if (primingMarked) {
        EXPECT_NEAR(PlayedSound(path), length, sound.frame + kSlack);
    }
}

// The two ways a clip from the second second to the sixth is asked for: as the input's seek
// (--clip, as the desktop program's marked clip) and as an output start that drops what comes
// before it.
const std::pair<std::string, std::string> kClipWays[] = {{"seek", "--clip 2-6"},
                                                         {"dropped", "--output-options ss=2 --output-options t=4"}};

// Converts source to format with the clip asked the given way, into a folder named after the
// way; the path of the output, named by the format's rules.
std::string ConvertClip(const TempFolder& folder, const std::string& source, const std::string& format,
                        const std::pair<std::string, std::string>& way)
{
    const std::string out = folder.Path(way.first);
    const CliRun run =
        RunCli("-q -f " + format + " " + way.second + " -o " + ShellQuoted(out) + " " + ShellQuoted(source));
    EXPECT_EQ(run.status, 0) << format << " " << way.first << "\n" << run.err;
    const std::string name = source.substr(source.rfind('/') + 1);
    return out + "/" + name.substr(0, name.rfind('.')) + "_(new)." + format;
}

}  // namespace

// Pictures and sound of a clip of four seconds from the second one: its key pictures are ten
// seconds apart, so a seek of the input lands at its very beginning.
TEST(CliClip, EveryStreamOfAVideoIsCutAtTheSameTimes)
{
    TempFolder folder;
    const std::string source = MakeMedia(folder.Path("ten.mp4"),
                                         "-f lavfi -i testsrc=duration=10:size=160x120:rate=25 -f lavfi -i "
                                         "sine=duration=10:sample_rate=44100 -ac 2 -c:v libx264 -g 250 -c:a aac");
    ASSERT_FALSE(source.empty());
    for (const std::string format : {"mp4", "3gp", "wmv", "avi"})
        for (const auto& way : kClipWays)
            ExpectStreamsOnClip(ConvertClip(folder, source, format, way), 4.0, true, format != "avi");
}

// Sound alone, cut at the exact sample: a tone that begins at three seconds begins one second into
// a clip from the second.
TEST(CliClip, SoundIsCutAtTheExactSample)
{
    TempFolder folder;
    const std::string source =
        MakeMedia(folder.Path("tone.flac"), "-f lavfi -i \"aevalsrc='if(gte(t,3),0.5*sin(2*PI*440*t),0)':d=10:s=44100\"");
    ASSERT_FALSE(source.empty());
    for (const std::string format : {"mp3", "wav"}) {
        for (const auto& way : kClipWays) {
            const std::string path = ConvertClip(folder, source, format, way);
            ExpectStreamsOnClip(path, 4.0, false);
            const std::vector<std::int16_t> samples = DecodeSamples(path, 44100, 1);
            const auto loud = std::find_if(samples.begin(), samples.end(), [](std::int16_t s) { return std::abs(s) > 1000; });
            ASSERT_NE(loud, samples.end()) << path;
            EXPECT_NEAR(static_cast<double>(loud - samples.begin()) / 44100, 1.0, StreamSpan(path, "a:0").frame + kSlack)
                << path;
        }
    }
}
