// How mirelk-cli shows progress: bars redrawn on a terminal, whole lines elsewhere, and the time
// and size converted when the total is not known.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <regex>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

using CliProgress = CliTest;

TEST_F(CliProgress, OnAPipeWholeLinesAtMostOneASecondPerTaskOnATerminalBarsRedrawn)
{
    // Read at the clip's own pace ("re"), both conversions are under way together for four
    // seconds however fast the machine encodes.
    const std::string clip = MakeClip(folder.Path("clip.avi"), 4, "160x120", true);
    const std::string arguments = "-j 2 --input-options re -O " + ShellQuoted(folder.Path("a.mp4")) + " " +
                                  ShellQuoted(clip) + " -O " + ShellQuoted(folder.Path("b.mp4")) + " " +
                                  ShellQuoted(clip);
    const auto started = std::chrono::steady_clock::now();
    const CliRun run = RunCli(arguments);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
    std::map<int, int> lines;
    const std::regex progress(R"(\[([12])\] .*\.mp4: (\d+)% \d+\.\d s of 4\.0 s, .*)");
    for (const std::string& line : Lines(run.err)) {
        std::smatch match;
        if (!std::regex_match(line, match, progress)) continue;
        ++lines[std::stoi(match[1])];
        EXPECT_LE(std::stoi(match[2]), 100);
    }
    EXPECT_EQ(lines.size(), 2u) << run.err;
    // One line when a task starts and then one a second, not more.
    for (const auto& [task, count] : lines) {
        EXPECT_GE(count, 2) << task << "\n" << run.err;
        EXPECT_LE(count, static_cast<int>(seconds) + 2) << task << "\n" << run.err;
    }

    // script gives the program a terminal and copies what it draws.
    if (RunCommand("command -v script").empty()) GTEST_SKIP() << "no script(1) to run the program on a terminal";
    int status = -1;
    const std::string command = ShellQuoted(CliPath()) + " -y " + arguments;
    const std::string screen =
        RunCommand("script -qefc " + ShellQuoted(command) + " /dev/null </dev/null 2>&1", &status);
    EXPECT_EQ(status, 0) << screen;
    // A bar with its fill, and the cursor moved up over the bars to draw them again.
    EXPECT_TRUE(std::regex_search(screen, std::regex(R"(\[#*-*\] \[[12]\] )"))) << screen;
    EXPECT_NE(screen.find("\x1b[2A\r\x1b[J"), std::string::npos) << screen;
    EXPECT_NE(screen.find("a.mp4: done"), std::string::npos);
}

TEST_F(CliProgress, AnUnknownTotalShowsTimeAndSize)
{
    // A raw stream: nothing tells its duration before it is read through.
    const std::string raw = MakeMedia(folder.Path("clip.m4v"), "-f lavfi -i testsrc=duration=4:size=320x240:rate=25 "
                                                               "-c:v mpeg4 -f m4v");
    const std::string out = folder.Path("out.mp4");
    const CliRun run = RunCli("-O " + ShellQuoted(out) + " " + ShellQuoted(raw));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("-1%"), std::string::npos) << run.err;
    const std::regex progress(R"(\[1\] .*out\.mp4: \d+\.\d s, \d+(\.\d\d)? (Byte|KB|MB))");
    int lines = 0;
    for (const std::string& line : Lines(run.err)) {
        if (line.rfind("[1] " + out + ": ", 0) != 0) continue;
        ++lines;
        EXPECT_TRUE(std::regex_match(line, progress)) << line;
    }
    EXPECT_GE(lines, 1) << run.err;

    const CliRun json = RunCli("--json -y -O " + ShellQuoted(out) + " " + ShellQuoted(raw));
    const auto events = Events(JsonLines(json.out), "progress");
    ASSERT_FALSE(events.empty());
    for (const auto& event : events) {
        EXPECT_TRUE(event["duration"].is_null()) << event;
        EXPECT_TRUE(event["percent"].is_null()) << event;
        EXPECT_GE(event["time"].get<double>(), 0.0);
    }
}

}  // namespace
}  // namespace mirelk::test
