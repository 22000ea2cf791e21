// The command line as a script meets it: the help text, usage errors, failure lines and exit
// statuses, through the real program.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

TEST(CliUsage, HelpShowsTheDefaultsAndIsWhatNoArgumentsPrint)
{
    const CliRun run = RunCli("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    // A default the machine decides, whole within the lines of its option's description.
    const std::size_t at = run.out.find("  -j, --threads N");
    ASSERT_NE(at, std::string::npos) << run.out;
    const std::string processors = std::to_string(::sysconf(_SC_NPROCESSORS_ONLN));
    const std::string text = "(default: " + processors + ", the number of processors)";
    EXPECT_NE(run.out.substr(at, run.out.find("\n  -", at + 1) - at).find(text), std::string::npos) << run.out;
    EXPECT_EQ(RunCli("").out, run.out);
}

TEST(CliUsage, UsageErrorsAreOneLineAndStatusTwo)
{
    const std::string seeHelp = " (see mirelk-cli --help)";
    const std::pair<const char*, std::string> cases[] = {
        {"--shard 1/ -f mp3 a.wav", "--shard needs K/N with K from 1 to N, not '1/'" + seeHelp},
        {"-j -1 -f mp3 a.wav", "--threads: Value -1 not in range 0 to 64" + seeHelp},
        {"--log-level loud -f mp3 a.wav", "--log-level: needs quiet, error, info, debug or all, not 'loud'" + seeHelp},
        {"--frobnicate", "The following argument was not expected: --frobnicate" + seeHelp},
        {"--info", "--info needs at least one file" + seeHelp},
        {"-O out.mp3", "-O needs an OUTPUT and an INPUT" + seeHelp},
        {"-O out.mp3 in.wav more.wav", "give files either with -O or alone, not both" + seeHelp},
        {"-q", "nothing to do: give -O OUTPUT INPUT, or files with -f" + seeHelp},
        {"--info a.wav --self-check",
         "give only one of --info, --self-check, --list-formats, --list-presets and --save-preset" + seeHelp},
        {"--list-presets a.wav", "--list-presets takes no files" + seeHelp},
        {"--files-from /nonexistent/list -f mp3",
         "--files-from cannot read '/nonexistent/list': No such file or directory" + seeHelp},
        {"-f nosuchformat a.wav", "unknown format 'nosuchformat'"},
        {"-f avi --size 12qx a.wav", "unknown frame size '12qx'"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(run.err, "mirelk-cli: " + message + "\n") << arguments;
    }
}

using CliStatus = CliTest;

TEST_F(CliStatus, OutputsAreReplacedOnlyWhenAskedAndFailureLinesNameTheInputOnce)
{
    const std::string clip = MakeClip(folder.Path("my clip.avi"), 1);
    const std::string out = folder.Path("out put.mp3");
    // Options the component's record would reset (vn) reach the task from the text too.
    CliRun run = RunCli("-q -j 2 --output-options ab=96000 --output-options vn -O " + ShellQuoted(out) + " " +
                        ShellQuoted(clip));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,bit_rate"), "mp3\n96000");
    EXPECT_EQ(Probe(out, "v", "stream=codec_name"), "");
    // The command line reads the text as the task does: a blank before the first line is no
    // part of its name.
    const std::string blank = folder.Path("blank.mkv");
    run = RunCli("-q --output-options ' vn' -O " + ShellQuoted(blank) + " " + ShellQuoted(clip));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Probe(blank, "v", "stream=codec_name"), "");

    // By format, outputs are named beside the input, never over an existing file.
    for (int i = 0; i < 2; ++i) EXPECT_EQ(RunCli("-q -f mp3 " + ShellQuoted(clip)).status, 0);
    EXPECT_EQ(Probe(folder.Path("my clip_(new).mp3"), "a:0", "stream=codec_name"), "mp3");
    EXPECT_EQ(Probe(folder.Path("my clip_(new_1).mp3"), "a:0", "stream=codec_name"), "mp3");

    // An input that cannot be read by format (the prober's message names it already; with -O
    // the JSON test has it), and a bad option value: the run fails and leaves no file.
    const std::string missing = folder.Path("missing.wav");
    const std::string q = folder.Path("q.avi");
    const std::pair<std::string, std::string> failures[] = {
        {"-f mp3 -o " + ShellQuoted(folder.Path("by form")) + " " + ShellQuoted(missing),
         missing + ": no such file or directory"},
        {"--output-options qscale=0 -O " + ShellQuoted(q) + " " + ShellQuoted(clip),
         clip + " -> " + q + ": qscale must be > 0.0 and <= 255"},
    };
    for (const auto& [arguments, line] : failures) {
        run = RunCli("-q " + arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(run.err, "mirelk-cli: " + line + "\n");
    }
    EXPECT_FALSE(fs::exists(q));

    // An encoder that will not open: its own line reaches the log, its reason ends the failure.
    const std::string refused = folder.Path("refused.mp3");
    run = RunCli("--log-level error --output-options ar=12345 -O " + ShellQuoted(refused) + " " + ShellQuoted(clip));
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = Lines(run.err);
    ASSERT_EQ(lines.size(), 2u) << run.err;
    EXPECT_EQ(lines[0].rfind("[1] [libmp3lame @ ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].find("]Specified")), "]Specified sample rate 12345 is not supported");
    EXPECT_EQ(lines[1], "mirelk-cli: " + clip + " -> " + refused +
                            ": failed: Error while opening codec for output stream #0.0 - maybe incorrect parameters "
                            "such as bit_rate, rate, width or height: Invalid argument");
    EXPECT_FALSE(fs::exists(refused));
}

}  // namespace
}  // namespace mirelk::test
