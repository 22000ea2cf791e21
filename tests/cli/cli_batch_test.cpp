// Batches split into shards on existing engines: a Slurm job array (its script run as Slurm runs
// it) and GNU parallel, with --skip-done for the runs after.
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

    // The three shards' JSON files RUN-1.jsonl to RUN-3.jsonl: one summary each, and together one
    // termination of every input, "finished" for those converted and "skipped" for the others;
    // then each output there once, and nothing else, as long as its input.
    void ExpectShards(const std::string& run, const std::set<std::size_t>& converted) const
    {
        std::multimap<std::string, std::string> statuses, expected;
        int summaries = 0, finished = 0, skipped = 0;
        for (int shard = 1; shard <= 3; ++shard) {
            std::ifstream file(folder.Path(run + "-" + std::to_string(shard) + ".jsonl"), std::ios::binary);
            const auto objects = JsonLines(std::string(std::istreambuf_iterator<char>(file), {}));
            for (const auto& event : Events(objects, "terminate"))
                statuses.insert({event["input"].get<std::string>(), event["status"].get<std::string>()});
            for (const auto& summary : Events(objects, "summary")) {
                ++summaries;
                finished += summary["finished"].get<int>();
                skipped += summary["skipped"].get<int>();
                EXPECT_EQ(summary["duplicates"], 1);
            }
        }
        for (std::size_t i = 0; i < inputs.size(); ++i)
            expected.insert({inputs[i], converted.count(i) != 0 ? "finished" : "skipped"});
        EXPECT_EQ(statuses, expected);
        EXPECT_EQ(summaries, 3);
        EXPECT_EQ(finished, static_cast<int>(converted.size()));
        EXPECT_EQ(skipped, static_cast<int>(inputs.size() - converted.size()));
        std::set<std::string> written, named;
        for (const auto& entry : fs::directory_iterator(out)) written.insert(entry.path().string());
        for (const auto& [input, output] : outputs) {
            named.insert(output.first);
            EXPECT_NEAR(ProbeDuration(output.first), output.second, 0.1) << output.first;
        }
        EXPECT_EQ(written, named);
    }

    std::vector<std::string> inputs;
    const std::string list = folder.Path("list");
    const std::string out = folder.Path("out");
    std::map<std::string, std::pair<std::string, int>> outputs;  // by input: the name and seconds
};

TEST_F(CliBatch, ShardsOfASlurmArrayThenOnGnuParallelConvertWhatIsMissing)
{
    const std::string script = ShellQuoted(std::string(MIRELK_SOURCE_DIR) + "/scripts/cluster/mirelk-slurm.sh") + " " +
                               ShellQuoted(list) + " mp3 " + ShellQuoted(out);
    // Slurm numbers the elements of "--array=4-6" 4, 5 and 6 and tells the first and the count.
    int status = -1;
    for (int element = 4; element <= 6; ++element) {
        const std::string printed = RunCommand(
            "SLURM_ARRAY_TASK_ID=" + std::to_string(element) +
                " SLURM_ARRAY_TASK_MIN=4 SLURM_ARRAY_TASK_MAX=6 SLURM_ARRAY_TASK_COUNT=3 SLURM_CPUS_PER_TASK=1 MIRELK_CLI=" +
                ShellQuoted(CliPath()) + " bash " + script + " -q > " +
                ShellQuoted(folder.Path("slurm-" + std::to_string(element - 3) + ".jsonl")) + " 2>&1",
            &status);
        EXPECT_EQ(status, 0) << printed;
    }
    ExpectShards("slurm", {0, 1, 2, 3, 4, 5, 6, 7, 8});
    const std::string outside = RunCommand("bash " + script + " 2>&1", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(outside.find("not an element of a Slurm job array"), std::string::npos) << outside;

    // One output lost, and one cut short as a shard that was killed leaves it (its header still
    // tells the whole duration): the shards again, now on GNU parallel, convert just those two.
    if (RunCommand("command -v parallel").empty()) GTEST_SKIP() << "GNU parallel is not installed";
    fs::remove(outputs.at(inputs[3]).first);
    const std::string cut = outputs.at(inputs[2]).first;
    fs::resize_file(cut, fs::file_size(cut) / 2);
    const std::string printed = RunCommand("parallel --will-cite -j 3 " + ShellQuoted(CliPath()) + " --files-from " +
                                               ShellQuoted(list) + " --shard {}/3 --skip-done --json -j 1 -f mp3 -o " +
                                               ShellQuoted(out) + " '>' " + ShellQuoted(folder.Path("parallel")) +
                                               "-{}.jsonl ::: 1 2 3 2>&1",
                                           &status);
    EXPECT_EQ(status, 0) << printed;
    ExpectShards("parallel", {2, 3});
}

using CliShard = CliTest;

TEST_F(CliShard, TheCommandLinesPairsAndAListOnStandardInput)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
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
