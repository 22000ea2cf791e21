// --json and --info --json, and the log levels, through the real program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

using CliJson = CliTest;

TEST_F(CliJson, EveryEventIsOneObjectAndOneSummaryEndsTheRun)
{
    const std::string clip = MakeClip(folder.Path("clip.avi"), 3);
    ASSERT_FALSE(clip.empty());
    const std::string missing = folder.Path("missing.avi");
    const std::string out = folder.Path("out.mp4");
    const CliRun run = RunCli("--json -j 2 -O " + ShellQuoted(out) + " " + ShellQuoted(clip) + " -O " +
                              ShellQuoted(folder.Path("never.mp4")) + " " + ShellQuoted(missing));
    EXPECT_EQ(run.status, 1);
    const auto objects = JsonLines(run.out);
    ASSERT_FALSE(objects.empty()) << run.out;
    for (const auto& object : objects) {
        ASSERT_TRUE(object.is_object());
        EXPECT_TRUE(object.contains("event"));
    }

    const auto progress = Events(objects, "progress");
    ASSERT_FALSE(progress.empty()) << run.out;
    for (const auto& event : progress) {
        EXPECT_EQ(event["task"], 1);
        EXPECT_EQ(event["input"], clip);
        EXPECT_EQ(event["output"], out);
        EXPECT_TRUE(event["time"].is_number());
        EXPECT_TRUE(event["size"].is_number_integer());
        EXPECT_NEAR(event["duration"].get<double>(), 3.0, 0.1);
        EXPECT_GE(event["percent"].get<double>(), 0.0);
        EXPECT_LE(event["percent"].get<double>(), 100.0);
    }

    const auto terminations = Events(objects, "terminate");
    ASSERT_EQ(terminations.size(), 2u) << run.out;
    std::set<std::pair<int, std::string>> statuses;
    for (const auto& event : terminations) statuses.insert({event["task"].get<int>(), event["status"].get<std::string>()});
    EXPECT_EQ(statuses, (std::set<std::pair<int, std::string>>{{1, "finished"}, {2, "failed"}}));
    for (const auto& event : terminations)
        if (event["task"] == 2) {
            EXPECT_EQ(event["message"], missing + ": no such file or directory");
        }

    const auto summaries = Events(objects, "summary");
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(objects.back(), summaries[0]);
    const auto& summary = summaries[0];
    EXPECT_EQ(summary["tasks"], 2);
    EXPECT_EQ(summary["finished"], 1);
    EXPECT_EQ(summary["failed"], 1);
    EXPECT_EQ(summary["stopped"], 0);
    EXPECT_EQ(summary["skipped"], 0);
    EXPECT_EQ(summary["shard"], "1/1");
    EXPECT_EQ(summary["exit_status"], 1);
    EXPECT_TRUE(summary["elapsed"].is_number());
    EXPECT_TRUE(summary["started"].is_string());
    EXPECT_TRUE(summary["ended"].is_string());
    // Standard error has the failure line only: no progress on it with --json.
    EXPECT_EQ(run.err, "mirelk-cli: " + folder.Path("never.mp4") + ": " + missing + ": no such file or directory\n");
    EXPECT_EQ(Probe(out, "v:0", "stream=codec_name"), "h264");
}

TEST_F(CliJson, LibraryLinesAreLogEvents)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    ASSERT_FALSE(sound.empty());
    const CliRun run =
        RunCli("--json --log-level debug -O " + ShellQuoted(folder.Path("out.mp3")) + " " + ShellQuoted(sound));
    EXPECT_EQ(run.status, 0) << run.err;
    const auto logs = Events(JsonLines(run.out), "log");
    ASSERT_FALSE(logs.empty());
    bool ofTheTask = false;
    for (const auto& event : logs) {
        EXPECT_TRUE(event["message"].is_string());
        EXPECT_TRUE(std::set<std::string>({"error", "info", "debug", "all"}).count(event["level"].get<std::string>()))
            << event;
        if (event["task"] == 1) {
            ofTheTask = true;
            EXPECT_EQ(event["input"], sound);
        }
    }
    EXPECT_TRUE(ofTheTask);
}

// What ffprobe says of a file, to hold the description against.
nlohmann::json FfprobeOf(const std::string& path)
{
    return nlohmann::json::parse(
        RunCommand("ffprobe -v error -print_format json -show_format -show_streams " + ShellQuoted(path)));
}

void ExpectDescriptionMatches(const std::string& path)
{
    SCOPED_TRACE(path);
    const CliRun run = RunCli("--info --json " + ShellQuoted(path));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto objects = JsonLines(run.out);
    ASSERT_EQ(objects.size(), 1u);
    const auto& ours = objects[0];
    const auto theirs = FfprobeOf(path);
    EXPECT_EQ(ours["file"], path);
    EXPECT_EQ(ours["size"].get<std::int64_t>(), std::stoll(theirs["format"]["size"].get<std::string>()));
    EXPECT_NEAR(ours["duration"].get<double>(), std::stod(theirs["format"]["duration"].get<std::string>()), 0.001);
    EXPECT_NE(theirs["format"]["format_name"].get<std::string>().find(ours["format"].get<std::string>()),
              std::string::npos);
    if (theirs["format"].contains("bit_rate")) {
        EXPECT_EQ(ours["bit_rate"].get<std::int64_t>(), std::stoll(theirs["format"]["bit_rate"].get<std::string>()));
    }
    ASSERT_EQ(ours["streams"].size(), theirs["streams"].size());
    for (std::size_t i = 0; i < ours["streams"].size(); ++i) {
        const auto& stream = ours["streams"][i];
        const auto& probed = theirs["streams"][i];
        EXPECT_EQ(stream["index"], probed["index"]);
        EXPECT_EQ(stream["type"], probed["codec_type"]);
        EXPECT_EQ(stream["codec"], probed["codec_name"]);
        if (probed["codec_type"] == "video") {
            EXPECT_EQ(stream["width"], probed["width"]);
            EXPECT_EQ(stream["height"], probed["height"]);
            const std::string rate = probed["avg_frame_rate"];
            const double num = std::stod(rate.substr(0, rate.find('/')));
            const double den = std::stod(rate.substr(rate.find('/') + 1));
            if (den > 0 && num > 0) {
                EXPECT_NEAR(stream["frame_rate"].get<double>(), num / den, 0.001);
            }
        }
        if (probed["codec_type"] == "audio") {
            EXPECT_EQ(stream["channels"], probed["channels"]);
            EXPECT_EQ(std::to_string(stream["sample_rate"].get<int>()), probed["sample_rate"].get<std::string>());
        }
        if (probed.contains("tags")) {
            for (const auto& [key, value] : probed["tags"].items()) EXPECT_EQ(stream["tags"][key], value) << key;
        }
    }
    if (theirs["format"].contains("tags")) {
        for (const auto& [key, value] : theirs["format"]["tags"].items()) EXPECT_EQ(ours["tags"][key], value) << key;
    }
}

TEST_F(CliJson, InfoMatchesWhatFfprobeSays)
{
    const std::string made = MakeMedia(folder.Path("tagged clip.mkv"),
                                       "-f lavfi -i testsrc=duration=2:size=320x240:rate=25 -f lavfi -i "
                                       "sine=duration=2:sample_rate=44100 -ac 2 -c:v mpeg4 -c:a mp2 "
                                       "-metadata title=Gr\xC3\xBC\xC3\x9F" "e -metadata:s:a:0 language=deu");
    ASSERT_FALSE(made.empty());
    ExpectDescriptionMatches(made);
    int samples = 0;
    for (const char* name : {"ac3-5.1.mkv", "h264-aac-1080p.mp4", "vorbis.ogg", "vp8-8x8.webm", "vp9-1080x1080.webm"}) {
        const std::string sample = SamplePath(name);
        if (sample.empty()) continue;
        ++samples;
        ExpectDescriptionMatches(sample);
    }
    if (samples == 0) GTEST_SKIP() << "the shared samples are not there; only the generated file was described";
}

TEST_F(CliJson, NamesThatAreNotUtf8StillGiveJson)
{
    const std::string sound = MakeMedia(folder.Path("latin1 \xE9t\xE9.wav"), "-f lavfi -i sine=duration=1");
    ASSERT_FALSE(sound.empty());
    const CliRun run = RunCli("--info --json " + ShellQuoted(sound));
    EXPECT_EQ(run.status, 0) << run.err;
    const auto objects = JsonLines(run.out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]["file"], folder.Path("latin1 \xEF\xBF\xBDt\xEF\xBF\xBD.wav"));
    EXPECT_EQ(objects[0]["streams"][0]["codec"], "pcm_s16le");
}

TEST_F(CliJson, LogLevels)
{
    const std::string clip = MakeClip(folder.Path("clip.avi"), 1);
    ASSERT_FALSE(clip.empty());
    const auto run = [&](const std::string& level, const std::string& name) {
        CliRun result = RunCli("--log-level " + level + " -O " + ShellQuoted(folder.Path(name)) + " " + ShellQuoted(clip));
        result.out = result.err + result.out;
        return result;
    };
    const CliRun quiet = run("quiet", "quiet.mp4");
    EXPECT_EQ(quiet.status, 0);
    // Only the progress lines and the "done" line: no line of the libraries or the component.
    for (const std::string& line : Lines(quiet.out))
        EXPECT_TRUE(line.rfind("[1] " + folder.Path("quiet.mp4") + ": ", 0) == 0 ||
                    line == clip + " -> " + folder.Path("quiet.mp4") + ": done")
            << line;
    const CliRun info = run("info", "info.mp4");
    const CliRun debug = run("debug", "debug.mp4");
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(debug.status, 0);
    EXPECT_GT(Lines(info.out).size(), Lines(quiet.out).size()) << info.out;
    EXPECT_GT(Lines(debug.out).size(), Lines(info.out).size()) << debug.out;
    const CliRun error = run("error", "error.mp4");
    EXPECT_EQ(error.status, 0);
    EXPECT_LE(Lines(error.out).size(), Lines(info.out).size());
}

}  // namespace
}  // namespace mirelk::test
