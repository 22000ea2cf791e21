// --json and --info --json, and the log levels, through the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

using CliJson = CliTest;

TEST_F(CliJson, EveryEventIsOneObjectOfItsTaskAndOneSummaryEndsTheRun)
{
    const std::string clip = MakeClip(folder.Path("clip.avi"), 3);
    const std::string missing = folder.Path("missing.avi");
    const std::string out = folder.Path("out.mp4");
    const std::string never = folder.Path("never.mp4");
    const CliRun run = RunCli("--json --log-level debug -j 2 -O " + ShellQuoted(out) + " " + ShellQuoted(clip) +
                              " -O " + ShellQuoted(never) + " " + ShellQuoted(missing));
    EXPECT_EQ(run.status, 1);
    const auto objects = JsonLines(run.out);
    bool ofTheTask = false;
    for (const auto& object : objects) {
        ASSERT_TRUE(object.is_object());
        if (object["event"] == "summary") continue;
        if (object["event"] == "log") {
            const std::set<std::string> levels = {"error", "info", "debug", "all"};
            EXPECT_TRUE(object["message"].is_string() && levels.count(object.value("level", "")) == 1) << object;
        }
        // Every event names its task and the task's files, or none.
        ASSERT_TRUE(object.contains("task") && object.contains("input") && object.contains("output")) << object;
        if (object["task"].is_null()) {
            EXPECT_TRUE(object["input"].is_null() && object["output"].is_null()) << object;
        } else {
            const bool first = object["task"] == 1;
            EXPECT_EQ(object["input"], first ? clip : missing) << object;
            EXPECT_EQ(object["output"], first ? out : never) << object;
            ofTheTask = ofTheTask || (first && object["event"] == "log");
        }
    }
    EXPECT_TRUE(ofTheTask);

    const auto progress = Events(objects, "progress");
    ASSERT_FALSE(progress.empty()) << run.out;
    for (const auto& event : progress) {
        EXPECT_EQ(event["task"], 1);
        EXPECT_TRUE(event["time"].is_number());
        EXPECT_TRUE(event["size"].is_number_integer());
        EXPECT_NEAR(event["duration"].get<double>(), 3.0, 0.1);
        EXPECT_GE(event["percent"].get<double>(), 0.0);
        EXPECT_LE(event["percent"].get<double>(), 100.0);
    }

    const auto terminations = Events(objects, "terminate");
    ASSERT_EQ(terminations.size(), 2u) << run.out;
    std::set<std::tuple<int, std::string, std::string>> statuses;
    for (const auto& event : terminations)
        statuses.insert({event["task"].get<int>(), event["status"].get<std::string>(), event["message"].get<std::string>()});
    EXPECT_EQ(statuses, (std::set<std::tuple<int, std::string, std::string>>{
                            {1, "finished", ""}, {2, "failed", missing + ": no such file or directory"}}));

    const auto summaries = Events(objects, "summary");
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(objects.back(), summaries[0]);
    const auto& summary = summaries[0];
    for (const auto& [field, value] : {std::pair<const char*, int>{"tasks", 2}, {"finished", 1}, {"failed", 1},
                                       {"stopped", 0}, {"skipped", 0}, {"duplicates", 0}, {"exit_status", 1}})
        EXPECT_EQ(summary[field], value) << field;
    EXPECT_EQ(summary["shard"], "1/1");
    EXPECT_TRUE(summary["elapsed"].is_number());
    EXPECT_TRUE(summary["started"].is_string());
    EXPECT_TRUE(summary["ended"].is_string());
    // Standard error has the failure line only: no progress on it with --json.
    EXPECT_EQ(run.err, "mirelk-cli: " + never + ": " + missing + ": no such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(never));
}

// Holds the description against what ffprobe says of the file.
void ExpectDescriptionMatches(const nlohmann::json& ours, const std::string& path)
{
    SCOPED_TRACE(path);
    const auto theirs = nlohmann::json::parse(
        RunCommand("ffprobe -v error -print_format json -show_format -show_streams " + ShellQuoted(path)));
    const auto number = [](const nlohmann::json& text) { return std::stod(text.get<std::string>()); };
    const auto expectTags = [](const nlohmann::json& ours, const nlohmann::json& theirs) {
        EXPECT_EQ(ours["tags"], theirs.value("tags", nlohmann::json::object()));
    };
    const auto& format = theirs["format"];
    EXPECT_EQ(ours["event"], "info");
    EXPECT_EQ(ours["file"], path);
    EXPECT_EQ(ours["size"].get<double>(), number(format["size"]));
    EXPECT_NEAR(ours["duration"].get<double>(), number(format["duration"]), 0.001);
    EXPECT_NE(format["format_name"].get<std::string>().find(ours["format"].get<std::string>()), std::string::npos);
    if (format.contains("bit_rate")) {
        EXPECT_EQ(ours["bit_rate"].get<double>(), number(format["bit_rate"]));
    }
    expectTags(ours, format);
    ASSERT_EQ(ours["streams"].size(), theirs["streams"].size());
    for (std::size_t i = 0; i < ours["streams"].size(); ++i) {
        const auto& stream = ours["streams"][i];
        const auto& probed = theirs["streams"][i];
        for (const auto& [field, name] : {std::pair{"index", "index"}, {"type", "codec_type"}, {"codec", "codec_name"},
                                          {"width", "width"}, {"height", "height"}, {"channels", "channels"}})
            if (probed.contains(name)) {
                EXPECT_EQ(stream[field], probed[name]) << field;
            }
        if (probed.contains("sample_rate")) {
            EXPECT_EQ(stream["sample_rate"].get<double>(), number(probed["sample_rate"]));
        }
        const std::string rate = probed["avg_frame_rate"];
        if (probed["codec_type"] == "video" && rate != "0/0") {
            EXPECT_NEAR(stream["frame_rate"].get<double>(),
                        std::stod(rate.substr(0, rate.find('/'))) / std::stod(rate.substr(rate.find('/') + 1)), 0.001);
        }
        expectTags(stream, probed);
    }
}

TEST_F(CliJson, InfoDescribesEachFileAsFfprobeDoes)
{
    std::vector<std::string> files = {MakeMedia(folder.Path("tagged clip.mkv"),
                                                "-f lavfi -i testsrc=duration=2:size=320x240:rate=25 -f lavfi -i "
                                                "sine=duration=2:sample_rate=44100 -ac 2 -c:v mpeg4 -c:a mp2 "
                                                "-metadata title=Gr\xC3\xBC\xC3\x9F" "e -metadata:s:a:0 language=deu")};
    for (const char* name : {"ac3-5.1.mkv", "h264-aac-1080p.mp4", "vorbis.ogg", "vp8-8x8.webm", "vp9-1080x1080.webm"})
        if (const std::string sample = SamplePath(name); !sample.empty()) files.push_back(sample);
    // A name that is not UTF-8 carries U+FFFD for its bytes; a file that cannot be opened gives
    // the prober's message, there and in a failure line.
    const std::string latin1 = MakeMedia(folder.Path("latin1 \xE9t\xE9.wav"), "-f lavfi -i sine=duration=1");
    const std::string missing = folder.Path("missing.mkv");
    std::string arguments = "--info --json";
    for (const std::string& file : files) arguments += " " + ShellQuoted(file);
    const CliRun run = RunCli(arguments + " " + ShellQuoted(latin1) + " " + ShellQuoted(missing));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mirelk-cli: " + missing + ": no such file or directory\n");
    const auto objects = JsonLines(run.out);
    ASSERT_EQ(objects.size(), files.size() + 2) << run.out;
    for (std::size_t i = 0; i < files.size(); ++i) ExpectDescriptionMatches(objects[i], files[i]);
    EXPECT_EQ(objects[files.size()]["file"], folder.Path("latin1 \xEF\xBF\xBDt\xEF\xBF\xBD.wav"));
    EXPECT_EQ(objects[files.size()]["streams"][0]["codec"], "pcm_s16le");
    EXPECT_EQ(objects.back(), (nlohmann::json{{"event", "info"}, {"file", missing},
                                              {"error", missing + ": no such file or directory"}}));
    if (files.size() == 1) GTEST_SKIP() << "the shared samples are not there; only the generated file was described";
}

TEST_F(CliJson, LogLevels)
{
    const std::string clip = MakeClip(folder.Path("clip.avi"), 1);
    std::map<std::string, std::vector<std::string>> printed;
    for (const char* level : {"quiet", "info", "debug"}) {
        const std::string output = folder.Path(std::string(level) + ".mp4");
        const CliRun run = RunCli("--log-level " + std::string(level) + " -O " + ShellQuoted(output) + " " + ShellQuoted(clip));
        EXPECT_EQ(run.status, 0) << level;
        printed[level] = Lines(run.err + run.out);
    }
    // Quiet: only the progress lines and the "done" line, no line of the libraries or the component.
    const std::string quiet = folder.Path("quiet.mp4");
    for (const std::string& line : printed["quiet"])
        EXPECT_TRUE(line.rfind("[1] " + quiet + ": ", 0) == 0 || line == clip + " -> " + quiet + ": done") << line;
    EXPECT_GT(printed["info"].size(), printed["quiet"].size());
    EXPECT_GT(printed["debug"].size(), printed["info"].size());
}

}  // namespace
}  // namespace mirelk::test
