// Presets: saved, listed, applied, renamed, deleted, exported and imported; built-in ones that
// stay as they are; names and files that are refused with their reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include <nlohmann/json.hpp>

#include "../test_support.h"
#include "form/option_choices.h"
#include "form/presets.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

namespace fs = std::filesystem;

class Presets : public ::testing::Test {
protected:
    // The message of the TPresetError an action throws, or "" when it throws none.
    template <typename Action>
    static std::string ErrorOf(Action action)
    {
        try {
            action();
        } catch (const TPresetError& error) {
            return error.what();
        }
        return "";
    }

    TempFolder folder;
    TPresetStore store{folder.Path("presets")};
    const std::vector<std::string> builtIns{"Web (WebM)", "Phone (MP4 H.264 720p)", "Archive (MKV AV1)",
                                            "Music (FLAC)", "Podcast (Opus mono)"};
};

TEST_F(Presets, AreSavedListedAppliedRenamedAndDeleted)
{
    EXPECT_EQ(store.Names(), builtIns);
    TOptionFormSettings settings;
    settings.OutputFormat = ChoiceIndex(kAllOutputFormats, "WebM");
    settings.SetVideoQuality = true;
    settings.VideoQuality = "28";
    settings.EncoderSpeed = ChoiceIndex(kEncoderSpeeds, "Fast");
    settings.TextHookText = "caf\xC3\xA9 \"quoted\"";
    store.Save("My clips", settings);
    store.Save("Another", TOptionFormSettings());
    std::vector<std::string> expected = builtIns;
    expected.insert(expected.end(), {"Another", "My clips"});
    EXPECT_EQ(store.Names(), expected);

    const TPresetContents loaded = store.Load("my clips");
    EXPECT_EQ(loaded.Name, "My clips");
    EXPECT_TRUE(loaded.Skipped.empty());
    EXPECT_EQ(std::tuple(loaded.Settings.OutputFormat, loaded.Settings.SetVideoQuality, loaded.Settings.VideoQuality,
                         loaded.Settings.EncoderSpeed, loaded.Settings.TextHookText),
              std::tuple(settings.OutputFormat, true, "28", settings.EncoderSpeed, settings.TextHookText));

    store.Rename("My clips", "Clips 2");
    EXPECT_EQ(store.Load("Clips 2").Settings.VideoQuality, "28");
    EXPECT_EQ(ErrorOf([&] { store.Load("My clips"); }), "There is no preset named 'My clips'.");
    store.Remove("Clips 2");
    store.Remove("Another");
    EXPECT_EQ(store.Names(), builtIns);
    EXPECT_EQ(ErrorOf([&] { store.Remove("Another"); }), "There is no preset named 'Another'.");
}

TEST_F(Presets, BuiltInOnesApplyButCannotBeOverwrittenRenamedOrDeleted)
{
    const TPresetContents podcast = store.Load("Podcast (Opus mono)");
    EXPECT_EQ(std::tuple(kAllOutputFormats[podcast.Settings.OutputFormat], kAudioChannelChoices[podcast.Settings.AudioChannels],
                         podcast.Settings.SetAudioQuality, podcast.Settings.AudioQuality),
              std::tuple("Opus", "Mono", true, "32"));
    EXPECT_EQ(kAllOutputFormats[store.Load("Archive (MKV AV1)").Settings.OutputFormat], "MKV-AV1");
    EXPECT_EQ(ErrorOf([&] { store.Save("web (webm)", TOptionFormSettings(), true); }),
              "'web (webm)' is a built-in preset and cannot be overwritten.");
    EXPECT_EQ(ErrorOf([&] { store.Rename("Music (FLAC)", "Mine"); }),
              "'Music (FLAC)' is a built-in preset and cannot be renamed.");
    EXPECT_EQ(ErrorOf([&] { store.Remove("Music (FLAC)"); }), "'Music (FLAC)' is a built-in preset and cannot be deleted.");
    store.Save("Mine", TOptionFormSettings());
    EXPECT_EQ(ErrorOf([&] { store.Rename("Mine", "Music (FLAC)"); }),
              "'Music (FLAC)' is a built-in preset and cannot be overwritten.");
    // A file put in the folder under a built-in name does not replace it.
    fs::copy_file(folder.Path("presets/Mine.json"), folder.Path("presets/Web (WebM).json"));
    EXPECT_EQ(kAllOutputFormats[store.Load("Web (WebM)").Settings.OutputFormat], "WebM");
    EXPECT_EQ(store.Names().size(), builtIns.size() + 1);
}

TEST_F(Presets, NamesThatCannotBeFileNamesOrClashAreRefused)
{
    const TOptionFormSettings settings;
    for (const auto& [name, message] : {
             std::pair{std::string("a/b"), std::string("A preset name cannot hold a slash: 'a/b'.")},
             {"..", "A preset name cannot begin with a dot: '..'."},
             {".hidden", "A preset name cannot begin with a dot: '.hidden'."},
             {std::string(300, 'x'), "A preset name has at most 100 characters."},
             {"", "A preset needs a name."},
             {"tab\there", "A preset name cannot hold control characters."},
             {" padded", "A preset name cannot begin or end with a blank."},
         }) {
        EXPECT_EQ(ErrorOf([&] { store.Save(name, settings); }), message) << name;
    }
    EXPECT_EQ(store.Names(), builtIns);
    EXPECT_FALSE(fs::exists(folder.Path("presets/b.json")));

    // Dots inside a name are fine: the built-in phone preset has some.
    store.Save("Mine v1.2", settings);
    EXPECT_EQ(ErrorOf([&] { store.Save("Mine v1.2", settings); }),
              "A preset named 'Mine v1.2' exists; choose another name or replace it.");
    EXPECT_EQ(ErrorOf([&] { store.Save("MINE V1.2", settings, true); }),
              "A preset named 'Mine v1.2' exists; choose another name.");
    TOptionFormSettings changed;
    changed.OutputFormat = ChoiceIndex(kAllOutputFormats, "GIF");
    store.Save("Mine v1.2", changed, true);
    EXPECT_EQ(kAllOutputFormats[store.Load("Mine v1.2").Settings.OutputFormat], "GIF");
    store.Save("Other", settings);
    EXPECT_EQ(ErrorOf([&] { store.Rename("Other", "mine V1.2"); }),
              "A preset named 'Mine v1.2' exists; choose another name.");
    EXPECT_EQ(kAllOutputFormats[store.Load("Mine v1.2").Settings.OutputFormat], "GIF");
}

TEST_F(Presets, ExportAndImportMoveAPresetBetweenStores)
{
    const std::string file = folder.Path("web.json");
    store.Export("Web (WebM)", file);
    std::ifstream read(file);
    const nlohmann::json exported = nlohmann::json::parse(read);
    EXPECT_EQ(std::tuple(exported["format"], exported["version"], exported["name"], exported["settings"]["grpFormats"]),
              std::tuple("mirelk-preset", 1, "Web (WebM)", "WebM"));
    EXPECT_EQ(ErrorOf([&] { store.Export("Web (WebM)", file); }),
              "Cannot write the preset file '" + file + "': the file exists.");

    TOptionFormSettings settings;
    settings.OutputFormat = ChoiceIndex(kAllOutputFormats, "M4A");
    settings.SetAudioQuality = true;
    settings.AudioQuality = "80";
    store.Save("Music AAC", settings);
    store.Export("Music AAC", file, true);
    TPresetStore other(folder.Path("elsewhere"));
    EXPECT_EQ(other.Import(file).Name, "Music AAC");
    const TPresetContents imported = other.Load("Music AAC");
    EXPECT_EQ(std::tuple(kAllOutputFormats[imported.Settings.OutputFormat], imported.Settings.AudioQuality),
              std::tuple("M4A", "80"));
    EXPECT_EQ(ErrorOf([&] { other.Import(file); }),
              "A preset named 'Music AAC' exists; choose another name or replace it.");
    store.Export("Web (WebM)", file, true);
    EXPECT_EQ(ErrorOf([&] { other.Import(file); }), "'Web (WebM)' is a built-in preset and cannot be overwritten.");
}

TEST_F(Presets, ANewerVersionLoadsWhatItKnowsAndNamesTheRest)
{
    const std::string file = folder.Path("newer.json");
    WriteBytes(file, R"({"format": "mirelk-preset", "version": 7, "name": "From the future", "hardware": "vaapi",
                        "settings": {"grpFormats": "FLAC", "edtFutureThing": "x", "grpEncoderSpeed": "Ludicrous",
                                     "chkVideoQuality": true, "edtAudioQuality": "40"}})");
    const TPresetContents contents = ReadPresetFile(file);
    EXPECT_EQ(contents.Name, "From the future");
    EXPECT_EQ(std::tuple(kAllOutputFormats[contents.Settings.OutputFormat], contents.Settings.AudioQuality,
                         contents.Settings.EncoderSpeed, contents.Settings.SetVideoQuality),
              std::tuple("FLAC", "40", 0, false));
    EXPECT_EQ(contents.Skipped, (std::vector<std::string>{"hardware", "chkVideoQuality (true)", "edtFutureThing",
                                                          "grpEncoderSpeed (Ludicrous)"}));
}

TEST_F(Presets, FilesThatAreNoPresetsAreRefusedWithTheirReason)
{
    const std::string file = folder.Path("bad.json");
    const auto message = [&](const std::string& text) {
        WriteBytes(file, text);
        return ErrorOf([&] { ReadPresetFile(file); });
    };
    const std::string origin = "Cannot read the preset file '" + file + "': ";
    EXPECT_EQ(message("GIF89a\x01\x02"), origin + "it is not JSON.");
    EXPECT_EQ(message(R"({"format": "mirelk-preset", "version": 1, "settings": )"), origin + "it is not JSON.");
    EXPECT_EQ(message(R"({"name": "x", "settings": {}})"), origin + "it is not a Mirelk preset.");
    EXPECT_EQ(message(R"([1, 2])"), origin + "it is not a Mirelk preset.");
    EXPECT_EQ(message(R"({"format": "mirelk-preset", "version": "1", "settings": {}})"), origin + "it has no version.");
    EXPECT_EQ(message(R"({"format": "mirelk-preset", "version": 1, "settings": []})"), origin + "it has no settings.");
    // A 50 MB file is refused before it is read.
    fs::resize_file(file, 50 << 20);
    EXPECT_EQ(ErrorOf([&] { ReadPresetFile(file); }), origin + "it holds 50.0 MB, and a preset is at most 1 MB.");
    EXPECT_EQ(ErrorOf([&] { ReadPresetFile(folder.Path("missing.json")); }),
              "Cannot read the preset file '" + folder.Path("missing.json") + "': there is no such file.");
    // The same reasons reach a preset of the folder, and the presets beside it still list.
    fs::create_directories(folder.Path("presets"));
    fs::copy_file(file, folder.Path("presets/Huge.json"));
    EXPECT_EQ(ErrorOf([&] { store.Load("Huge"); }),
              "Cannot read the preset 'Huge': it holds 50.0 MB, and a preset is at most 1 MB.");
    EXPECT_EQ(store.Names().back(), "Huge");
}

TEST_F(Presets, LiveInTheUsersDataFolder)
{
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::string restore = savedData != nullptr ? savedData : "";
    ::setenv("XDG_DATA_HOME", "/data/of/user", 1);
    EXPECT_EQ(TPresetStore::DefaultFolder(), "/data/of/user/mirelk/presets");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(TPresetStore::DefaultFolder(), std::string(std::getenv("HOME")) + "/.local/share/mirelk/presets");
    if (savedData != nullptr) ::setenv("XDG_DATA_HOME", restore.c_str(), 1);
}

}  // namespace
