// The Debian package as a user gets it: built by CPack, unpacked into a scratch root, and the
// installed program converting a file from there; and the bash completion.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cli/cli_test_support.h"

namespace mirelk::test {
namespace {

namespace fs = std::filesystem;

using CliPackage = CliTest;

TEST_F(CliPackage, UnpackedPackageConverts)
{
    // What "make package" runs once the build is done.
    int status = -1;
    const std::string packages = folder.Path("packages");
    const std::string built = RunCommand("cpack -G DEB -B " + ShellQuoted(packages) + " --config " +
                                             ShellQuoted(std::string(MIRELK_BUILD_DIR) + "/CPackConfig.cmake") + " 2>&1",
                                         &status);
    ASSERT_EQ(status, 0) << built;
    std::string deb;
    for (const auto& entry : fs::directory_iterator(packages))
        if (entry.path().extension() == ".deb") deb = entry.path().string();
    ASSERT_FALSE(deb.empty()) << built;

    const std::string depends = RunCommand("dpkg-deb -f " + ShellQuoted(deb) + " Depends");
    EXPECT_NE(depends.find("libavcodec59"), std::string::npos) << depends;
    EXPECT_NE(depends.find("libimlib2"), std::string::npos) << depends;

    const std::string root = folder.Path("scratch root");
    RunCommand("dpkg -x " + ShellQuoted(deb) + " " + ShellQuoted(root) + " 2>&1", &status);
    ASSERT_EQ(status, 0);
    // The program and its manual page are used below.
    for (const char* file : {"usr/lib/mirelk/LibAV/libmyutil.so", "usr/lib/mirelk/vhook/imlib2.so",
                             "usr/lib/mirelk/vhook/watermark.so", "usr/lib/mirelk/vhook/ZarnHook.so",
                             "usr/lib/mirelk/vhook/libmirelk_hook_support.so", "usr/lib/mirelk/vhook/imlib2.jpg",
                             "usr/lib/mirelk/vhook/watermark.gif", "usr/lib/mirelk/vhook/ZarnHook.bmp",
                             "usr/share/bash-completion/completions/mirelk-cli"})
        EXPECT_TRUE(fs::exists(root + "/" + file)) << file;

    // The installed program finds its library folder from where it is, not from the build.
    const std::string program = root + "/usr/bin/mirelk-cli";
    const std::string check = RunCommand(ShellQuoted(program) + " --self-check 2>&1", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_EQ(Lines(check).at(0), "Library folder: " + root + "/usr/lib/mirelk/LibAV");

    const std::string clip = MakeClip(folder.Path("clip.avi"), 1);
    const std::string converted = RunCommand(ShellQuoted(program) + " -q -f mp4 --text-hook installed -o " +
                                                 ShellQuoted(folder.Path("out")) + " " + ShellQuoted(clip) + " 2>&1",
                                             &status);
    EXPECT_EQ(status, 0) << converted;
    EXPECT_NEAR(ProbeDuration(folder.Path("out/clip_(new).mp4")), 1.0, 0.1);

    const std::string page = RunCommand("MANWIDTH=80 man -l " + ShellQuoted(root + "/usr/share/man/man1/mirelk-cli.1.gz") +
                                        " 2>&1");
    EXPECT_NE(page.find("mirelk-cli - convert audio and video files, several at once"), std::string::npos) << page;
}

// The options the help text lists.
std::set<std::string> HelpOptions()
{
    std::set<std::string> options;
    for (const std::string& line : Lines(RunCli("--help").out)) {
        if (line.rfind("  -", 0) != 0) continue;
        std::size_t start = 2;
        while (start < line.size() && line[start] == '-') {
            const std::size_t end = line.find_first_of(", ", start);
            options.insert(line.substr(start, end - start));
            if (end == std::string::npos || line[end] != ',') break;
            start = end + 2;
        }
    }
    return options;
}

// The words the completion offers for a command line, the last word being completed.
std::set<std::string> Completions(const std::string& words)
{
    const std::string script = std::string(MIRELK_SOURCE_DIR) + "/scripts/completion/mirelk-cli.bash";
    const std::string command = "source " + ShellQuoted(script) + "; COMP_WORDS=(" + ShellQuoted(CliPath()) + " " +
                                words + "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _mirelk_cli; "
                                "printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::set<std::string> offered;
    for (const std::string& line : Lines(RunCommand("bash -c " + ShellQuoted(command) + " 2>&1"))) offered.insert(line);
    return offered;
}

TEST_F(CliPackage, BashCompletion)
{
    const std::set<std::string> options = HelpOptions();
    ASSERT_GT(options.size(), 30u);
    EXPECT_EQ(Completions("-"), options);
    EXPECT_EQ(Completions("--log-level ''"), (std::set<std::string>{"quiet", "error", "info", "debug", "all"}));
    EXPECT_EQ(Completions("-f m"), (std::set<std::string>{"mkv", "mov", "mp4", "m1v", "m2v", "mp2", "mp3"}));
    EXPECT_EQ(Completions("--format M"), (std::set<std::string>{"MKV", "MOV", "MP4", "M1V", "M2V", "MP2", "MP3"}));
    fs::create_directories(folder.Path("some dir"));
    MakeMedia(folder.Path("with blank.wav"), "-f lavfi -i sine=duration=1");
    EXPECT_EQ(Completions(ShellQuoted(folder.Path("with"))), (std::set<std::string>{folder.Path("with blank.wav")}));
    EXPECT_EQ(Completions("-o " + ShellQuoted(folder.Path("so"))), (std::set<std::string>{folder.Path("some dir")}));
}

}  // namespace
}  // namespace mirelk::test
