// Presets on the command line: listed, saved from the choices, applied by name or file under
// the choices given, and refused with their reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

// Presets in the test's own data folder.
class CliPresets : public CliTest {
protected:
    void SetUp() override
    {
        const char* saved = std::getenv("XDG_DATA_HOME");
        hadData = saved != nullptr;
        if (hadData) savedData = saved;
        ::setenv("XDG_DATA_HOME", folder.Path("data").c_str(), 1);
    }
    void TearDown() override
    {
        if (hadData) ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
        else ::unsetenv("XDG_DATA_HOME");
    }

    bool hadData = false;
    std::string savedData;
    const std::string presets = folder.Path("data") + "/mirelk/presets";
    const std::string out = folder.Path("out");
};

TEST_F(CliPresets, AreSavedFromTheChoicesListedAndAppliedUnderLaterChoices)
{
    const std::string builtIns = "Web (WebM)  [built-in]\nPhone (MP4 H.264 720p)  [built-in]\nArchive (MKV AV1)  "
                                 "[built-in]\nMusic (FLAC)  [built-in]\nPodcast (Opus mono)  [built-in]\n";
    EXPECT_EQ(RunCli("--list-presets").out, builtIns);
    CliRun run = RunCli("--save-preset 'Small web' -f webm --quality 45 --size 160x120 --channels 1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Saved the preset 'Small web' in " + presets + "\n");
    EXPECT_EQ(RunCli("--list-presets").out, builtIns + "Small web\n");
    EXPECT_EQ(RunCli("--save-preset 'Small web' -f gif").err,
              "mirelk-cli: A preset named 'Small web' exists; choose another name or replace it.\n");

    const std::string source = MakeClip(folder.Path("clip.avi"), 1, "320x240");
    run = RunCli("-q --preset 'small web' -o " + ShellQuoted(out) + " " + ShellQuoted(source));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Probe(out + "/clip_(new).webm", "v:0", "stream=codec_name,width,height"), "vp9\n160\n120");
    EXPECT_EQ(Probe(out + "/clip_(new).webm", "a:0", "stream=codec_name,channels"), "opus\n1");
    // A format given on the command line wins over the preset's; its other choices stay.
    run = RunCli("-q --preset 'Small web' -f mkv-av1 -o " + ShellQuoted(out) + " " + ShellQuoted(source));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Probe(out + "/clip_(new)_av1.mkv", "v:0", "stream=codec_name,width"), "av1\n160");
    // A built-in preset by name.
    ASSERT_EQ(RunCli("-q --preset 'Music (FLAC)' -o " + ShellQuoted(out) + " " + ShellQuoted(source)).status, 0);
    EXPECT_EQ(Probe(out + "/clip_(new).flac", "a:0", "stream=codec_name"), "flac");
}

TEST_F(CliPresets, AFileFromANewerVersionConvertsWithWhatItKnowsAndSaysWhatItSkipped)
{
    const std::string file = folder.Path("shared.json");
    std::ofstream(file) << R"({"format": "mirelk-preset", "version": 3, "name": "Shared",
                              "settings": {"grpFormats": "Opus", "grpAudioChannels": "Mono", "chkHardware": "1"}})";
    const std::string source = MakeClip(folder.Path("clip.avi"), 1);
    const CliRun run = RunCli("--log-level quiet --preset " + ShellQuoted(file) + " -o " + ShellQuoted(out) + " " +
                              ShellQuoted(source));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.err).front(),
              "mirelk-cli: the preset 'Shared' holds what this version does not know; skipped: chkHardware");
    EXPECT_EQ(Probe(out + "/clip_(new).opus", "a:0", "stream=codec_name,channels"), "opus\n1");
}

TEST_F(CliPresets, BadPresetsAndNamesAreRefusedWithTheirReason)
{
    const std::string notJson = folder.Path("notes.json");
    std::ofstream(notJson) << "name = Web\n";
    const std::string source = MakeClip(folder.Path("clip.avi"), 1);
    for (const auto& [arguments, message] : {
             std::pair{std::string("--preset nothing-here ") + ShellQuoted(source),
                       std::string("mirelk-cli: There is no preset named 'nothing-here'.\n")},
             {"--preset " + ShellQuoted(notJson) + " " + ShellQuoted(source),
              "mirelk-cli: Cannot read the preset file '" + notJson + "': it is not JSON.\n"},
             {"--save-preset 'Web (WebM)' -f webm", "mirelk-cli: 'Web (WebM)' is a built-in preset and cannot be overwritten.\n"},
         }) {
        SCOPED_TRACE(arguments);
        const CliRun run = RunCli(arguments + " -o " + ShellQuoted(out));
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, message);
    }
    EXPECT_FALSE(fs::exists(presets));
    EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out));
}

}  // namespace
}  // namespace mirelk::test
