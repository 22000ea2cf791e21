// mirelk-cli and the files a user has: an existing output survives everything but a finished
// conversion asked to replace it, a stopped run keeps its piece under a name that says so, a
// killed run leaves no piece under the final name, and --skip-done with --journal redoes
// exactly what was not finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

class CliKeep : public CliTest {
protected:
    void SetUp() override
    {
        input = MakeClip(folder.Path("in.mkv"), 8);
        ASSERT_FALSE(input.empty());
        output = folder.Path("out.mp4");
        WriteBytes(output, kOld);
    }
    const std::string kOld = "the user's own file";
    std::string input;
    std::string output;
};

TEST_F(CliKeep, AnExistingOutputIsReplacedOnlyByAFinishedConversion)
{
    // Not asked to replace it: refused, untouched, while the run's other output converts.
    CliRun run = RunCli("-q -O " + ShellQuoted(output) + " " + ShellQuoted(input) + " -O " +
                        ShellQuoted(folder.Path("other.mp4")) + " " + ShellQuoted(input));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mirelk-cli: " + input + " -> " + output + ": the file exists (use --overwrite to replace it)\n");
    EXPECT_EQ(FileBytes(output), kOld);
    EXPECT_NEAR(ProbeDuration(folder.Path("other.mp4")), 8.0, 0.1);

    // Asked, and finished: the new file takes the old one's place, and nothing else is left.
    run = RunCli("-y -O " + ShellQuoted(output) + " " + ShellQuoted(input));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(ProbeDuration(output), 8.0, 0.1);
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"in.mkv", "other.mp4", "out.mp4"}));
}

TEST_F(CliKeep, TwoTasksWithOneOutputNameAndAFolderAsOutput)
{
    const std::string other = MakeClip(folder.Path("other.mkv"), 1);
    const std::string fresh = folder.Path("fresh.mp4");
    CliRun run = RunCli("-O " + ShellQuoted(fresh) + " " + ShellQuoted(input) + " -O " + ShellQuoted(fresh) + " " +
                        ShellQuoted(other));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("'" + fresh + "' is the output of another task in the list"), std::string::npos) << run.err;
    EXPECT_NEAR(ProbeDuration(fresh), 8.0, 0.1);

    fs::create_directory(folder.Path("folder.mp4"));
    run = RunCli("-y -O " + ShellQuoted(folder.Path("folder.mp4")) + " " + ShellQuoted(input));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Could not open '" + folder.Path("folder.mp4") + "': Is a directory"), std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::is_directory(folder.Path("folder.mp4")));
}

TEST_F(CliKeep, AStoppedRunSaysWhereItsPieceIs)
{
    input = MakeClip(folder.Path("in.mkv"), 30, "640x480");
    const std::string stopped = folder.Path("out (stopped).mp4");
    int status = -1;
    // Stopped by SIGTERM once the conversion has written something.
    const std::string part = folder.Path(".out.mirelk-part.mp4");
    const std::string printed = RunCommand(
        ShellQuoted(CliPath()) + " -y -j 1 --json --journal " + ShellQuoted(folder.Path("journal")) + " -O " +
            ShellQuoted(output) + " " + ShellQuoted(input) + " > " + ShellQuoted(folder.Path("events")) +
            " 2> " + ShellQuoted(folder.Path("errors")) + " & pid=$!; while [ \"$(stat -c %s " + ShellQuoted(part) +
            " 2>/dev/null || echo 0)\" -lt 20000 ] && kill -0 $pid 2>/dev/null; do sleep 0.01; done; "
            "kill -TERM $pid; wait $pid; echo $?",
        &status);
    if (fs::exists(output) && FileBytes(output) != kOld) GTEST_SKIP() << "the conversion ended before the stop";
    EXPECT_EQ(printed, "1\n");
    EXPECT_EQ(FileBytes(output), kOld);
    const double duration = ProbeDuration(stopped);
    EXPECT_GT(duration, 0.0);
    EXPECT_LT(duration, 29.9);
    EXPECT_EQ(FileBytes(folder.Path("errors")),
              "mirelk-cli: stopping\nmirelk-cli: " + input + " -> " + output + ": stopped; kept as " + stopped + "\n");
    const auto objects = JsonLines(FileBytes(folder.Path("events")));
    const auto events = Events(objects, "terminate");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["status"], "stopped");
    EXPECT_EQ(events[0]["kept"], stopped);
    ASSERT_EQ(Events(objects, "summary").size(), 1u);
    EXPECT_EQ(Events(objects, "summary")[0]["stopped"], 1);
    const auto journal = JsonLines(FileBytes(folder.Path("journal")));
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0]["status"], "stopped");
    EXPECT_EQ(journal[0]["kept"], stopped);
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"errors", "events", "in.mkv", "journal", "out (stopped).mp4",
                                                              "out.mp4"}));
}

// Killed with SIGKILL at several moments: the final name holds the user's file or a whole
// output, never a piece; the next run with --skip-done finishes and leaves nothing else.
TEST_F(CliKeep, AKilledRunLeavesNoPieceUnderTheFinalName)
{
    const std::string part = folder.Path(".out.mirelk-part.mp4");
    const std::string journal = folder.Path("journal");
    const std::string command = ShellQuoted(CliPath()) + " -y -j 1 -q --journal " + ShellQuoted(journal) + " -O " +
                                ShellQuoted(output) + " " + ShellQuoted(input);
    // At once (while the task is added), once the part file is begun, once it is well on.
    for (const int bytes : {-1, 1, 200000}) {
        WriteBytes(output, kOld);
        const std::string wait =
            bytes < 0 ? std::string()
                      : "while [ \"$(stat -c %s " + ShellQuoted(part) + " 2>/dev/null || echo 0)\" -lt " +
                            std::to_string(bytes) + " ] && kill -0 $pid 2>/dev/null; do sleep 0.005; done; ";
        RunCommand(command + " 2>/dev/null & pid=$!; " + wait + "kill -KILL $pid; wait $pid");
        const std::string now = FileBytes(output);
        if (now != kOld) {
            EXPECT_NEAR(ProbeDuration(output), 8.0, 0.1) << bytes;
        }
        for (const std::string& name : FolderNames(folder.Path()))
            EXPECT_TRUE(name == "in.mkv" || name == "out.mp4" || name == "journal" || name == ".out.mirelk-part.mp4")
                << name;

        const CliRun again = RunCli("-y -j 1 --skip-done --journal " + ShellQuoted(journal) + " -O " +
                                    ShellQuoted(output) + " " + ShellQuoted(input));
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_NEAR(ProbeDuration(output), 8.0, 0.1);
        EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"in.mkv", "journal", "out.mp4"}));
    }
}

TEST_F(CliKeep, SkipDoneAfterACrashRedoesExactlyTheUnfinished)
{
    fs::remove(output);
    std::string pairs;
    for (int i = 1; i <= 3; ++i) {
        const std::string clip = i == 1 ? input : MakeClip(folder.Path("in" + std::to_string(i) + ".mkv"), 2);
        pairs += " -O " + ShellQuoted(folder.Path(std::to_string(i) + ".mp4")) + " " + ShellQuoted(clip);
    }
    // The first finished, the second cut short under its final name (as an older run left it),
    // the third never begun.
    const std::string journal = folder.Path("journal");
    ASSERT_EQ(RunCli("-j 1 --journal " + ShellQuoted(journal) + " -O " + ShellQuoted(folder.Path("1.mp4")) + " " +
                     ShellQuoted(input))
                  .status,
              0);
    MakeMedia(folder.Path("2.mp4"), "-i " + ShellQuoted(folder.Path("in2.mkv")) + " -t 0.5");
    // A journal whose last record a crash cut short, and a line that is no JSON.
    std::ofstream(journal, std::ios::app) << "not json\n{\"output\": \"" << folder.Path("3.mp4") << "\", \"sta";

    const CliRun run = RunCli("-j 1 --json --skip-done --journal " + ShellQuoted(journal) + pairs);
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<int, std::string> statuses;
    for (const auto& event : Events(JsonLines(run.out), "terminate"))
        statuses[event["task"].get<int>()] = event["status"].get<std::string>();
    EXPECT_EQ(statuses, (std::map<int, std::string>{{1, "skipped"}, {2, "finished"}, {3, "finished"}}));
    EXPECT_NE(run.err.find("mirelk-cli: --journal: line 2 of '" + journal +
                           "' is no record (cut short or not JSON); it is passed over"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("mirelk-cli: --journal: line 3 of '" + journal +
                           "' is no record (cut short or not JSON); it is passed over"),
              std::string::npos);
    // The records of this run follow on lines of their own.
    const std::vector<std::string> lines = Lines(FileBytes(journal));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(nlohmann::json::parse(lines[3])["output"], folder.Path("2.mp4"));
    EXPECT_EQ(nlohmann::json::parse(lines[4])["status"], "finished");
    EXPECT_NEAR(ProbeDuration(folder.Path("2.mp4")), 2.0, 0.1);

    // A journal that cannot be written stops the run before anything is converted.
    const CliRun refused = RunCli("--journal /sys/journal -O " + ShellQuoted(folder.Path("4.mp4")) + " " +
                                  ShellQuoted(input));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "mirelk-cli: --journal cannot write '/sys/journal': Permission denied\n");
}

}  // namespace
}  // namespace mirelk::test
