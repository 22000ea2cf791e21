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
class CliBatch : public CliTest {
protected:
    void SetUp() override
    {
        int seconds = 0;
        for (const std::string name : {"plain.wav", "with  blanks .wav", "it's \"quoted\".wav", "new\nline.wav",
                                       "\xE4\xB8\xAD\xE6\x96\x87.wav", "a/same name.wav", "b/same name.wav",
                                       "dollar $HOME `x`.wav", "-dash.wav"}) {
            seconds = seconds % 3 + 1;
            fs::create_directories(fs::path(folder.Path(name)).parent_path());
            const std::string input = MakeMedia(folder.Path(name), "-f lavfi -i sine=duration=" + std::to_string(seconds));
            ASSERT_FALSE(input.empty()) << name;
            inputs.push_back(input);
            // Named by the form's rules in the output folder, the second "same name" numbered
            // whatever shard converts it.
            const bool second = name == "b/same name.wav";
            outputs[input] = {out + "/" + fs::path(input).stem().string() + (second ? "_(new_1).mp3" : "_(new).mp3"), seconds};
        }
        std::ofstream file(list, std::ios::binary);
        for (const std::string& input : inputs) file << input << '\0';
        file << inputs[0] << '\0';
    }

    // The terminations and summaries of the three shards' JSON files RUN-1.jsonl to RUN-3.jsonl.
    struct Results {
        std::multimap<std::string, std::string> statusByInput;
        int finished = 0, skipped = 0, failed = 0, summaries = 0;
    };
    Results Gather(const std::string& run) const
    {
        Results results;
        for (int shard = 1; shard <= 3; ++shard) {
            std::ifstream file(folder.Path(run + "-" + std::to_string(shard) + ".jsonl"), std::ios::binary);
            const auto objects = JsonLines(std::string(std::istreambuf_iterator<char>(file), {}));
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

    // Each output there once, and nothing else, as long as its input.
    void ExpectEveryOutputOnce() const
    {
        std::set<std::string> written, expected;
        for (const auto& entry : fs::directory_iterator(out)) written.insert(entry.path().string());
        for (const auto& [input, output] : outputs) {
            expected.insert(output.first);
            EXPECT_NEAR(ProbeDuration(output.first), output.second, 0.1) << output.first;
        }
        EXPECT_EQ(written, expected);
    }

    std::vector<std::string> inputs;
    const std::string list = folder.Path("list");
    const std::string out = folder.Path("out");
    std::map<std::string, std::pair<std::string, int>> outputs;  // by input: the name and seconds
};

TEST_F(CliBatch, ThreeShardsWithGnuParallel)
{
    if (RunCommand("command -v parallel").empty()) GTEST_SKIP() << "GNU parallel is not installed";
    const auto shards = [&](const std::string& run, const std::string& engineOptions) {
        int status = -1;
        const std::string printed = RunCommand("parallel --will-cite " + engineOptions + " " + ShellQuoted(CliPath()) +
                                                   " --files-from " + ShellQuoted(list) +
                                                   " --shard {}/3 --skip-done --json -j 1 -f mp3 -o " + ShellQuoted(out) +
                                                   " '>' " + ShellQuoted(folder.Path(run)) + "-{}.jsonl ::: 1 2 3 2>&1",
                                               &status);
        EXPECT_EQ(status, 0) << printed;
        return Gather(run);
    };

    const Results first = shards("first", "-j 3");
    EXPECT_EQ(first.summaries, 3);
    EXPECT_EQ(first.finished, 9);
    EXPECT_EQ(first.skipped, 0);
    for (const std::string& input : inputs) {
        EXPECT_EQ(first.statusByInput.count(input), 1u) << input;
        EXPECT_EQ(first.statusByInput.find(input)->second, "finished") << input;
    }
    ExpectEveryOutputOnce();

    // Again: everything is done.
    const Results again = shards("again", "-j 3");
    EXPECT_EQ(again.finished, 0);
    EXPECT_EQ(again.skipped, 9);

    // One output lost, and one cut short as a shard that was killed leaves it (its header still
    // tells the whole duration): just those two again, over the broken file, now on "hosts"
    // (':' is GNU parallel's name for this machine without ssh).
    fs::remove(outputs.at(inputs[3]).first);
    const std::string cut = outputs.at(inputs[2]).first;
    fs::resize_file(cut, fs::file_size(cut) / 2);
    const Results repaired = shards("repaired", "--sshlogin 2/: --sshlogin 1/:");
    EXPECT_EQ(repaired.finished, 2);
    EXPECT_EQ(repaired.skipped, 7);
    EXPECT_EQ(repaired.failed, 0);
    for (int i : {2, 3}) EXPECT_EQ(repaired.statusByInput.find(inputs[i])->second, "finished") << i;
    ExpectEveryOutputOnce();
}

TEST_F(CliBatch, SlurmArrayScript)
{
    const std::string script = ShellQuoted(std::string(MIRELK_SOURCE_DIR) + "/scripts/cluster/mirelk-slurm.sh") + " " +
                               ShellQuoted(list) + " mp3 " + ShellQuoted(out);
    // Slurm numbers the elements of "--array=4-6" 4, 5 and 6 and tells the first and the count.
    for (int element = 4; element <= 6; ++element) {
        int status = -1;
        const std::string printed = RunCommand(
            "SLURM_ARRAY_TASK_ID=" + std::to_string(element) +
                " SLURM_ARRAY_TASK_MIN=4 SLURM_ARRAY_TASK_MAX=6 SLURM_ARRAY_TASK_COUNT=3 SLURM_CPUS_PER_TASK=1 MIRELK_CLI=" +
                ShellQuoted(CliPath()) + " bash " + script + " -q > " +
                ShellQuoted(folder.Path("slurm-" + std::to_string(element - 3) + ".jsonl")) + " 2>&1",
            &status);
        EXPECT_EQ(status, 0) << printed;
    }
    const Results results = Gather("slurm");
    EXPECT_EQ(results.summaries, 3);
    EXPECT_EQ(results.finished, 9);
    ExpectEveryOutputOnce();

    int status = -1;
    const std::string outside = RunCommand("bash " + script + " 2>&1", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(outside.find("not an element of a Slurm job array"), std::string::npos) << outside;
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
    const auto objects = JsonLines(RunCommand("printf '%s\\n%s\\n' " + ShellQuoted(sound) + " " +
                                                  ShellQuoted(folder.Path("./sound.wav")) + " | " + ShellQuoted(CliPath()) +
                                                  " --json --files-from - -f mp3 -o " + ShellQuoted(folder.Path("out")),
                                              &status));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(Events(objects, "summary").size(), 1u);
    EXPECT_EQ(Events(objects, "summary")[0]["finished"], 1);
    EXPECT_EQ(Events(objects, "summary")[0]["duplicates"], 1);
    EXPECT_TRUE(fs::exists(folder.Path("out/sound_(new).mp3")));
}

}  // namespace
}  // namespace mirelk::test
