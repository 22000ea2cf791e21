// The command line as a script meets it: the help text, usage errors, failure lines and exit
// statuses, through the real program.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

TEST(CliUsage, HelpIsGroupedAndShowsTheDefaults)
{
    const CliRun run = RunCli("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::size_t previous = 0;
    for (const char* group : {"Conversions:", "The option form's choices (with -f):", "Output:", "Diagnostics:"}) {
        const std::size_t at = run.out.find(group);
        ASSERT_NE(at, std::string::npos) << group << "\n" << run.out;
        EXPECT_GT(at, previous) << group;
        previous = at;
    }
    // The option's line and the lines of its description after it.
    const auto optionText = [&](const std::string& option) {
        const std::size_t at = run.out.find("  " + option);
        if (at == std::string::npos) return std::string();
        std::size_t end = run.out.find("\n  -", at + 1);
        return run.out.substr(at, end == std::string::npos ? std::string::npos : end - at);
    };
    EXPECT_NE(optionText("--log-level").find("(default: info)"), std::string::npos) << run.out;
    const std::string processors = std::to_string(::sysconf(_SC_NPROCESSORS_ONLN));
    EXPECT_NE(optionText("-j, --threads N").find("(default: " + processors + ", the number of processors)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(optionText("-f, --format").find("(default: 3GP)"), std::string::npos) << run.out;
    EXPECT_NE(optionText("--norm").find("(default: auto)"), std::string::npos) << run.out;
    EXPECT_NE(optionText("--shard").find("(default: 1/1)"), std::string::npos) << run.out;
    // No arguments at all: the same text.
    EXPECT_EQ(RunCli("").out, run.out);
}

TEST(CliUsage, UsageErrorsAreOneLineAndStatusTwo)
{
    const std::pair<const char*, const char*> cases[] = {
        {"--shard 0/0 -f mp3 a.wav", "--shard needs K/N with K from 1 to N, not '0/0'"},
        {"--shard 1/ -f mp3 a.wav", "--shard needs K/N with K from 1 to N, not '1/'"},
        {"-j -1 -f mp3 a.wav", "--threads: Value -1 not in range 0 to 64"},
        {"--log-level loud -f mp3 a.wav", "--log-level: needs quiet, error, info, debug or all, not 'loud'"},
        {"--frobnicate", "The following argument was not expected: --frobnicate"},
        {"--info", "--info needs at least one file"},
        {"-O out.mp3", "-O needs an OUTPUT and an INPUT"},
        {"-O out.mp3 in.wav more.wav", "give files either with -O or alone, not both"},
        {"-q", "nothing to do: give -O OUTPUT INPUT, or files with -f"},
        {"--info a.wav --self-check", "give only one of --info, --self-check and --list-formats"},
        {"--files-from /nonexistent/list -f mp3", "--files-from cannot read '/nonexistent/list': No such file or directory"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(run.err, std::string("mirelk-cli: ") + message + " (see mirelk-cli --help)\n") << arguments;
    }
}

using CliStatus = CliTest;

TEST_F(CliStatus, FailureLinesNameTheInputOnceAndCarryTheMessage)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    ASSERT_FALSE(sound.empty());
    const std::string missing = folder.Path("missing.wav");
    const std::string out = folder.Path("out.mp3");

    CliRun run = RunCli("-q -O " + ShellQuoted(out) + " " + ShellQuoted(sound));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    // An input that cannot be read: the prober's message names it already.
    run = RunCli("-q -O " + ShellQuoted(folder.Path("b.mp3")) + " " + ShellQuoted(missing));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mirelk-cli: " + folder.Path("b.mp3") + ": " + missing + ": no such file or directory\n");
    EXPECT_FALSE(fs::exists(folder.Path("b.mp3")));

    run = RunCli("-q -f mp3 -o " + ShellQuoted(folder.Path("by form")) + " " + ShellQuoted(missing));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mirelk-cli: " + missing + ": no such file or directory\n");

    // An output that exists is left alone.
    const auto size = fs::file_size(out);
    run = RunCli("-q -O " + ShellQuoted(out) + " " + ShellQuoted(sound));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mirelk-cli: " + sound + " -> " + out + ": the file exists (use --overwrite to replace it)\n");
    EXPECT_EQ(fs::file_size(out), size);

    // A task that fails: the engine's message as it gave it, and no half-written file.
    const std::string failed = folder.Path("failed.avi");
    run = RunCli("-q --output-options qscale=0 -O " + ShellQuoted(failed) + " " + ShellQuoted(sound));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mirelk-cli: " + sound + " -> " + failed + ": qscale must be > 0.0 and <= 255\n");
    EXPECT_FALSE(fs::exists(failed));

    // One failure among finished tasks still fails the run; the others are done.
    run = RunCli("-q -O " + ShellQuoted(folder.Path("c.mp3")) + " " + ShellQuoted(missing) + " -O " +
                 ShellQuoted(folder.Path("d.mp3")) + " " + ShellQuoted(sound));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Probe(folder.Path("d.mp3"), "a:0", "stream=codec_name"), "mp3");
}

TEST_F(CliStatus, AStoppedRunFailsAndRunsAgainWithSkipDone)
{
    const std::string clip = MakeClip(folder.Path("long.avi"), 30, "320x240");
    ASSERT_FALSE(clip.empty());
    const std::string events = folder.Path("events.jsonl");
    const std::string errors = folder.Path("errors");
    // Stopped as a scheduler stops a job: SIGTERM once the conversion is under way.
    const std::string command = ShellQuoted(CliPath()) + " --json --skip-done -f mp4 -o " +
                                ShellQuoted(folder.Path("out")) + " " + ShellQuoted(clip) + " >" + ShellQuoted(events) +
                                " 2>" + ShellQuoted(errors) + " </dev/null & pid=$!; "
                                "for i in $(seq 300); do grep -q '\"progress\"' " + ShellQuoted(events) +
                                " && break; sleep 0.1; done; kill -TERM $pid; wait $pid; echo $?";
    const std::string status = RunCommand(command);
    EXPECT_EQ(status, "1\n");
    const auto objects = JsonLines(RunCommand("cat " + ShellQuoted(events)));
    const auto terminations = Events(objects, "terminate");
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_EQ(terminations[0]["status"], "stopped");
    ASSERT_EQ(Events(objects, "summary").size(), 1u);
    EXPECT_EQ(Events(objects, "summary")[0]["stopped"], 1);
    const std::string output = folder.Path("out/long_(new).mp4");
    EXPECT_EQ(RunCommand("cat " + ShellQuoted(errors)),
              "mirelk-cli: stopping\nmirelk-cli: " + clip + " -> " + output + ": stopped\n");

    // What the stopped run left is not taken for done: the run again converts it whole.
    const CliRun again = RunCli("-q --skip-done -f mp4 -o " + ShellQuoted(folder.Path("out")) + " " + ShellQuoted(clip));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NEAR(ProbeDuration(output), 30.0, 0.1);
    EXPECT_FALSE(fs::exists(folder.Path("out/long_(new_1).mp4")));
}

TEST_F(CliStatus, InfoOfAMissingFileWithJson)
{
    const std::string missing = folder.Path("missing.mkv");
    const CliRun run = RunCli("--info --json " + ShellQuoted(missing));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mirelk-cli: " + missing + ": no such file or directory\n");
    const auto objects = JsonLines(run.out);
    ASSERT_EQ(objects.size(), 1u) << run.out;
    EXPECT_EQ(objects[0]["event"], "info");
    EXPECT_EQ(objects[0]["file"], missing);
    EXPECT_EQ(objects[0]["error"], missing + ": no such file or directory");
    EXPECT_FALSE(objects[0].contains("streams"));
}

}  // namespace
}  // namespace mirelk::test
