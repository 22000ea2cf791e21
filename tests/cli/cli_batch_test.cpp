// Batches split into shards on existing engines: GNU parallel (local jobs and --sshlogin) and a
// Slurm job array (its script run as Slurm runs it), with --skip-done for the runs after.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

// Nine inputs with awkward names (two share their name in different folders), and a list of
// them with one named twice.
class CliBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<std::string> names = {
            "plain.wav",         "with  blanks .wav",    "it's \"quoted\".wav", "new\nline.wav", "\xE4\xB8\xAD\xE6\x96\x87.wav",
            "a/same name.wav",   "b/same name.wav",      "dollar $HOME `x`.wav", "-dash.wav"};
        int seconds = 1;
        for (const std::string& name : names) {
            fs::create_directories(fs::path(folder.Path(name)).parent_path());
            const std::string path = MakeMedia(folder.Path(name), "-f lavfi -i sine=duration=" + std::to_string(seconds));
            ASSERT_FALSE(path.empty()) << name;
            inputs.push_back(path);
            seconds = seconds % 3 + 1;
        }
        std::ofstream file(list, std::ios::binary);
        for (const std::string& input : inputs) file << input << '\0';
        file << inputs[0] << '\0';
    }

    // Each expected output, by its input: named by the form's rules in the output folder, the
    // second "same name" numbered whatever shard converts it.
    std::map<std::string, std::string> ExpectedOutputs() const
    {
        std::map<std::string, std::string> outputs;
        for (const std::string& input : inputs) {
            std::string stem = fs::path(input).stem().string();
            const bool second = input == folder.Path("b/same name.wav");
            outputs[input] = out + "/" + stem + (second ? "_(new_1)" : "_(new)") + ".mp3";
        }
        return outputs;
    }

    // The terminate events of all shards' JSON files, and their summaries.
    struct Results {
        std::multimap<std::string, std::string> statusByInput;
        int finished = 0, skipped = 0, failed = 0, summaries = 0;
    };
    Results Gather(const std::vector<std::string>& jsonFiles) const
    {
        Results results;
        for (const std::string& name : jsonFiles) {
            std::ifstream file(name, std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            const auto objects = JsonLines(text);
            for (const auto& event : Events(objects, "terminate"))
                results.statusByInput.insert({event["input"].get<std::string>(), event["status"].get<std::string>()});
            for (const auto& summary : Events(objects, "summary")) {
                ++results.summaries;
                results.finished += summary["finished"].get<int>();
                results.skipped += summary["skipped"].get<int>();
                results.failed += summary["failed"].get<int>();
                EXPECT_EQ(summary["duplicates"], 1);
            }
        }
        return results;
    }

    // Each output there, and nothing else; with durations, each as long as its input.
    void ExpectEveryOutputOnce(bool durations = true) const
    {
        std::set<std::string> written;
        for (const auto& entry : fs::directory_iterator(out)) written.insert(entry.path().string());
        std::set<std::string> expected;
        for (const auto& [input, output] : ExpectedOutputs()) {
            expected.insert(output);
            if (durations) {
                EXPECT_NEAR(ProbeDuration(output), ProbeDuration(input), 0.1) << output;
            }
        }
        EXPECT_EQ(written, expected);
    }

    std::vector<std::string> ShardFiles(const std::string& run) const
    {
        return {folder.Path(run + "-1.jsonl"), folder.Path(run + "-2.jsonl"), folder.Path(run + "-3.jsonl")};
    }

    TempFolder folder;
    std::vector<std::string> inputs;
    const std::string list = folder.Path("list");
    const std::string out = folder.Path("out");
};

TEST_F(CliBatch, ThreeShardsWithGnuParallel)
{
    if (RunCommand("command -v parallel").empty()) GTEST_SKIP() << "GNU parallel is not installed";
    const auto shards = [&](const std::string& run, const std::string& engineOptions) {
        const std::string command = "parallel --will-cite " + engineOptions + " " + ShellQuoted(CliPath()) +
                                    " --files-from " + ShellQuoted(list) + " --shard {}/3 --skip-done --json -j 1 "
                                    "-f mp3 -o " + ShellQuoted(out) + " '>' " + ShellQuoted(folder.Path(run)) +
                                    "-{}.jsonl ::: 1 2 3 2>&1";
        int status = -1;
        const std::string printed = RunCommand(command, &status);
        EXPECT_EQ(status, 0) << printed;
        return Gather(ShardFiles(run));
    };

    Results first = shards("first", "-j 3");
    EXPECT_EQ(first.summaries, 3);
    EXPECT_EQ(first.finished, 9);
    EXPECT_EQ(first.skipped, 0);
    for (const std::string& input : inputs) {
        EXPECT_EQ(first.statusByInput.count(input), 1u) << input;
        EXPECT_EQ(first.statusByInput.find(input)->second, "finished") << input;
    }
    ExpectEveryOutputOnce();
    // The gathering of docs/cluster.md.
    if (!RunCommand("command -v jq").empty()) {
        const std::string gathered = RunCommand(
            "cd " + ShellQuoted(folder.Path()) + " && jq -c -s 'map(select(.event == \"summary\")) | "
            "{finished: (map(.finished) | add), failed: (map(.failed) | add), skipped: (map(.skipped) | add)}' "
            "first-*.jsonl");
        EXPECT_EQ(gathered, "{\"finished\":9,\"failed\":0,\"skipped\":0}\n");
    }

    // Again: everything is done.
    Results again = shards("again", "-j 3");
    EXPECT_EQ(again.finished, 0);
    EXPECT_EQ(again.skipped, 9);

    // One output lost: just that one again, now on "hosts" (':' is GNU parallel's name for this
    // machine without ssh).
    const auto outputs = ExpectedOutputs();
    fs::remove(outputs.at(inputs[3]));
    Results repaired = shards("repaired", "--sshlogin 2/: --sshlogin 1/:");
    EXPECT_EQ(repaired.finished, 1);
    EXPECT_EQ(repaired.skipped, 8);
    EXPECT_EQ(repaired.failed, 0);
    EXPECT_EQ(repaired.statusByInput.find(inputs[3])->second, "finished");
    ExpectEveryOutputOnce(false);

    // One cut short, as a shard that was killed leaves it (its header still tells the whole
    // duration): converted again, over the broken file.
    const std::string cut = outputs.at(inputs[2]);
    fs::resize_file(cut, fs::file_size(cut) / 2);
    Results completed = shards("completed", "-j 3");
    EXPECT_EQ(completed.finished, 1);
    EXPECT_EQ(completed.skipped, 8);
    EXPECT_EQ(completed.statusByInput.find(inputs[2])->second, "finished");
    ExpectEveryOutputOnce(false);
    EXPECT_NEAR(ProbeDuration(cut), ProbeDuration(inputs[2]), 0.1);
    EXPECT_NEAR(ProbeDuration(outputs.at(inputs[3])), ProbeDuration(inputs[3]), 0.1);
}

using CliShard = CliTest;

TEST_F(CliShard, TheCommandLinesPairsAndAListOnStandardInput)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    ASSERT_FALSE(sound.empty());
    std::string pairs;
    for (int i = 1; i <= 5; ++i) pairs += " -O " + ShellQuoted(folder.Path(std::to_string(i) + ".mp3")) + " " + ShellQuoted(sound);
    const CliRun run = RunCli("--json --shard 2/2" + pairs);
    EXPECT_EQ(run.status, 0) << run.err;
    std::set<int> tasks;
    for (const auto& event : Events(JsonLines(run.out), "terminate")) tasks.insert(event["task"].get<int>());
    EXPECT_EQ(tasks, (std::set<int>{2, 4}));
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(fs::exists(folder.Path(std::to_string(i) + ".mp3")), i % 2 == 0) << i;

    // A list of lines on standard input, the same file twice under two names.
    int status = -1;
    const std::string printed =
        RunCommand("printf '%s\\n%s\\n' " + ShellQuoted(sound) + " " + ShellQuoted(folder.Path("./sound.wav")) + " | " +
                       ShellQuoted(CliPath()) + " --json --files-from - -f mp3 -o " + ShellQuoted(folder.Path("out")),
                   &status);
    EXPECT_EQ(status, 0) << printed;
    const auto objects = JsonLines(printed);
    ASSERT_EQ(Events(objects, "summary").size(), 1u);
    EXPECT_EQ(Events(objects, "summary")[0]["finished"], 1);
    EXPECT_EQ(Events(objects, "summary")[0]["duplicates"], 1);
    EXPECT_TRUE(fs::exists(folder.Path("out/sound_(new).mp3")));
}

TEST_F(CliBatch, SlurmArrayScript)
{
    const std::string script = std::string(MIRELK_SOURCE_DIR) + "/scripts/cluster/mirelk-slurm.sh";
    // Slurm numbers the elements of "--array=4-6" 4, 5 and 6 and tells the first and the count.
    for (int element = 4; element <= 6; ++element) {
        int status = -1;
        const std::string printed =
            RunCommand("SLURM_ARRAY_TASK_ID=" + std::to_string(element) +
                           " SLURM_ARRAY_TASK_MIN=4 SLURM_ARRAY_TASK_MAX=6 SLURM_ARRAY_TASK_COUNT=3 "
                           "SLURM_CPUS_PER_TASK=1 MIRELK_CLI=" + ShellQuoted(CliPath()) + " bash " +
                           ShellQuoted(script) + " " + ShellQuoted(list) + " mp3 " + ShellQuoted(out) + " -q > " +
                           ShellQuoted(folder.Path("slurm-" + std::to_string(element - 3) + ".jsonl")) + " 2>&1",
                       &status);
        EXPECT_EQ(status, 0) << printed;
    }
    const Results results = Gather(ShardFiles("slurm"));
    EXPECT_EQ(results.summaries, 3);
    EXPECT_EQ(results.finished, 9);
    ExpectEveryOutputOnce();

    int status = -1;
    const std::string outside = RunCommand("bash " + ShellQuoted(script) + " " + ShellQuoted(list) + " mp3 " +
                                               ShellQuoted(out) + " 2>&1",
                                           &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(outside.find("not an element of a Slurm job array"), std::string::npos) << outside;
}

}  // namespace
}  // namespace mirelk::test
