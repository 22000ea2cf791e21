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

// Whether this build makes the desktop program, and so packages it.
#ifdef MIRELK_DESKTOP
constexpr bool kDesktop = true;
#else
constexpr bool kDesktop = false;
#endif

#ifdef MIRELK_DESKTOP
// The lines of a program's output that start with one of the prefixes: its own, not those of the
// libraries it loads.
std::vector<std::string> LinesStartingWith(const std::string& text, std::initializer_list<std::string_view> prefixes)
{
    std::vector<std::string> kept;
    for (const std::string& line : Lines(text))
        for (const std::string_view prefix : prefixes)
            if (line.rfind(prefix, 0) == 0) {
                kept.push_back(line);
                break;
            }
    return kept;
}
#endif

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

    // Found by dpkg-shlibdeps, and what the programs open at run time, written by hand.
    const std::string depends = RunCommand("dpkg-deb -f " + ShellQuoted(deb) + " Depends");
    for (const char* package : {"libimlib2", "libstdc++6", "libavcodec-extra59", "libavformat59", "libavfilter8",
                                "libswscale6", "libswresample4", "fonts-dejavu-core"})
        EXPECT_NE(depends.find(package), std::string::npos) << package << " not in " << depends;
    // The desktop program's toolkit, media back end, fonts and translations, only with it.
    for (const char* package :
         {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6multimedia6", "libqt6multimediawidgets6", "libqt6dbus6",
          "gstreamer1.0-plugins-good", "gstreamer1.0-libav", "fonts-wqy-microhei | fonts-noto-cjk",
          "qt6-translations-l10n"})
        EXPECT_EQ(depends.find(package) != std::string::npos, kDesktop) << package << " in " << depends;
    EXPECT_EQ(depends.find("libavdevice"), std::string::npos) << depends;
    EXPECT_EQ(depends.find("libavcodec59"), std::string::npos) << depends;

    const std::string root = folder.Path("scratch root");
    RunCommand("dpkg -x " + ShellQuoted(deb) + " " + ShellQuoted(root) + " 2>&1", &status);
    ASSERT_EQ(status, 0);
    // Code under lib, what is the same on every machine under share.
    for (const char* file :
         {"usr/bin/mirelk-cli", "usr/lib/mirelk/LibAV/libmyutil.so", "usr/lib/mirelk/vhook/imlib2.so",
          "usr/lib/mirelk/vhook/watermark.so", "usr/lib/mirelk/vhook/ZarnHook.so",
          "usr/lib/mirelk/vhook/libmirelk_hook_support.so", "usr/share/mirelk/vhook/imlib2.jpg",
          "usr/share/mirelk/vhook/watermark.gif", "usr/share/mirelk/vhook/ZarnHook.bmp", "usr/share/doc/mirelk/copyright",
          "usr/share/doc/mirelk/changelog.gz", "usr/share/man/man1/mirelk-cli.1.gz",
          "usr/share/bash-completion/completions/mirelk-cli"})
        EXPECT_TRUE(fs::exists(root + "/" + file)) << file;
    for (const char* file :
         {"usr/bin/mirelk", "usr/share/mirelk/help_en.html", "usr/share/mirelk/help_zh_CN.html",
          "usr/share/man/man1/mirelk.1.gz", "usr/share/metainfo/org.mirelk.Mirelk.metainfo.xml",
          "usr/share/applications/mirelk.desktop", "usr/share/icons/hicolor/scalable/apps/mirelk.svg"})
        EXPECT_EQ(fs::exists(root + "/" + file), kDesktop) << file;
    for (const char* file : {"usr/lib/mirelk/help_en.html", "usr/lib/mirelk/vhook/imlib2.jpg"})
        EXPECT_FALSE(fs::exists(root + "/" + file)) << file;

    // The installed program finds its library folder from where it is, not from the build.
    const std::string program = root + "/usr/bin/mirelk-cli";
    const std::string check = RunCommand(ShellQuoted(program) + " --self-check 2>&1", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_EQ(Lines(check).at(0), "Library folder: " + root + "/usr/lib/mirelk/LibAV");

    // The hooks' modules from lib, their pictures from share, and the system's Latin font.
    const std::string clip = MakeClip(folder.Path("clip.avi"), 1);
    const std::string converted = RunCommand(ShellQuoted(program) + " -q -f mp4 --image-hook --text-hook installed -o " +
                                                 ShellQuoted(folder.Path("out")) + " " + ShellQuoted(clip) + " 2>&1",
                                             &status);
    EXPECT_EQ(status, 0) << converted;
    EXPECT_NEAR(ProbeDuration(folder.Path("out/clip_(new).mp4")), 1.0, 0.1);

    std::vector<std::string> pages{"mirelk-cli.1.gz"};
    if (kDesktop) pages.push_back("mirelk.1.gz");
    for (const std::string& page : pages) {
        const std::string text = RunCommand("MANWIDTH=80 man -l " + ShellQuoted(root + "/usr/share/man/man1/" + page) + " 2>&1");
        EXPECT_NE(text.find(" - convert audio and video files, several at once"), std::string::npos) << text;
    }
    EXPECT_EQ(RunCommand("zcat " + ShellQuoted(root + "/usr/share/doc/mirelk/changelog.gz") + " | head -n 1"),
              "mirelk (0.1) unstable; urgency=medium\n");

#ifdef MIRELK_HARDENED
    // Read-only relocations bound at load, and the checked variants of the buffer functions.
    std::vector<std::string> binaries{"usr/bin/mirelk-cli", "usr/lib/mirelk/vhook/libmirelk_hook_support.so"};
    if (kDesktop) binaries.push_back("usr/bin/mirelk");
    for (const std::string& binary : binaries) {
        const std::string dynamic = RunCommand("readelf -d -l -W " + ShellQuoted(root + "/" + binary));
        EXPECT_NE(dynamic.find("GNU_RELRO"), std::string::npos) << binary;
        EXPECT_NE(dynamic.find("BIND_NOW"), std::string::npos) << binary;
    }
    EXPECT_NE(RunCommand("readelf --dyn-syms -W " + ShellQuoted(root + "/usr/bin/mirelk-cli")).find("_chk@"),
              std::string::npos);
#endif

#ifdef MIRELK_DESKTOP
    // The desktop program as installed: questions answered without a window.
    const std::string desktop = ShellQuoted(root + "/usr/bin/mirelk");
    EXPECT_EQ(RunCommand(desktop + " --version 2>&1", &status), "mirelk 0.1\n");
    EXPECT_EQ(status, 0);
    const std::string help = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + desktop + " --help 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(help.find("Usage: "), std::string::npos) << help;
    EXPECT_NE(help.find("--version"), std::string::npos) << help;
    EXPECT_EQ(help.find("--quit-after-load"), std::string::npos) << help;
    EXPECT_EQ(RunCommand(desktop + " --bogus 2>&1", &status),
              "mirelk: Unknown option 'bogus'.\nTry 'mirelk --help' for the options.\n");
    EXPECT_EQ(status, 2);
    EXPECT_EQ(RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + desktop + " " + ShellQuoted(clip) +
                             " 2>&1",
                         &status),
              "mirelk: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); mirelk-cli "
              "converts without one\n");
    EXPECT_EQ(status, 1);
    // A display that cannot be reached: one line, ours and then the platform plug-in's reason.
    const std::string unreachable =
        RunCommand("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4077 " + desktop + " 2>&1", &status);
    EXPECT_EQ(unreachable.rfind("mirelk: cannot open the window on display :4077: ", 0), 0u) << unreachable;
    EXPECT_EQ(Lines(unreachable).size(), 1u) << unreachable;
    EXPECT_EQ(status, 1);

    // Opened on a platform without a screen: the file is in the list, the settings in the
    // user's folder and nothing written under the prefix.
    fs::create_directories(folder.Path("runtime"));
    fs::permissions(folder.Path("runtime"), fs::perms::owner_all);
    const std::string desktopSession = "env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + ShellQuoted(folder.Path("runtime"));
    const std::string offscreen = desktopSession + " XDG_CONFIG_HOME=" + ShellQuoted(folder.Path("config")) + " ";
    EXPECT_EQ(RunCommand(offscreen + desktop + " --quit-after-load " + ShellQuoted(clip) + " /no/such.avi 2>/dev/null",
                         &status),
              "1 of 2 files in the list\n");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::exists(folder.Path("config/mirelk/Config.ini")));
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(root + "/usr"))
        if (entry.path().filename() == "Config.ini" || entry.path().filename().string().rfind("vstats", 0) == 0)
            written.push_back(entry.path());
    EXPECT_EQ(written, std::vector<std::string>{});
    // A configuration folder that cannot be written is told once; the program goes on.
    // (The sound system's client library complains of the same folder in its own words.)
    const std::string unkept = RunCommand(desktopSession + " XDG_CONFIG_HOME=/sys/mirelk-config " + desktop +
                                              " --quit-after-load " + ShellQuoted(clip) + " 2>&1",
                                          &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(LinesStartingWith(unkept, {"mirelk", "1 of"}),
              (std::vector<std::string>{"mirelk: Settings will not be kept: /sys/mirelk-config/mirelk/Config.ini cannot "
                                        "be written",
                                        "1 of 1 files in the list"}))
        << unkept;

    // The playback panel's back end plays what users add.
    const std::string played = RunCommand(offscreen + desktop + " --check-playback " + ShellQuoted(clip) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << played;
    const std::vector<std::string> playedLines = LinesStartingWith(played, {"Played", "mirelk"});
    ASSERT_EQ(playedLines.size(), 1u) << played;
    EXPECT_EQ(playedLines[0].rfind("Played 1", 0), 0u) << played;
    EXPECT_NE(playedLines[0].find(" ms of " + clip + " ("), std::string::npos) << played;
    EXPECT_EQ(RunCommand(offscreen + desktop + " --check-playback /no/such.mkv 2>&1", &status),
              "mirelk: cannot play /no/such.mkv: no such file\n");
    EXPECT_EQ(status, 1);
#endif
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
    EXPECT_EQ(Completions("-f m"), (std::set<std::string>{"mkv", "mov", "mp4", "m1v", "m2v", "mp2", "mp3", "mp4-hevc",
                                                          "mkv-av1", "mp4-av1", "m4a-alac", "m4a"}));
    EXPECT_EQ(Completions("--format M"), (std::set<std::string>{"MKV", "MOV", "MP4", "M1V", "M2V", "MP2", "MP3",
                                                                "MP4-HEVC", "MKV-AV1", "MP4-AV1", "M4A-ALAC", "M4A"}));
    EXPECT_EQ(Completions("--speed s"), (std::set<std::string>{"slow", "slowest"}));
    EXPECT_EQ(Completions("--preset 'Mu'"), (std::set<std::string>{"Music (FLAC)"}));
    fs::create_directories(folder.Path("some dir"));
    MakeMedia(folder.Path("with blank.wav"), "-f lavfi -i sine=duration=1");
    EXPECT_EQ(Completions(ShellQuoted(folder.Path("with"))), (std::set<std::string>{folder.Path("with blank.wav")}));
    EXPECT_EQ(Completions("-o " + ShellQuoted(folder.Path("so"))), (std::set<std::string>{folder.Path("some dir")}));
}

}  // namespace
}  // namespace mirelk::test
