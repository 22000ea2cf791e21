// What the main window's settings line lists: every setting beyond the format pages that
// differs from the defaults, and nothing the page decides; and the reset that puts those back.
#include <gtest/gtest.h>

#include <algorithm>

#include "form/settings_beyond_page.h"

namespace mirelk {

namespace {

std::vector<std::pair<TSettingNoteKind, std::string>> Notes(const TOptionFormSettings& settings)
{
    std::vector<std::pair<TSettingNoteKind, std::string>> notes;
    for (const TSettingNote& note : SettingsBeyondPage(settings)) notes.emplace_back(note.Kind, note.Value);
    return notes;
}

}  // namespace

TEST(SettingsBeyondPageTest, ListsWhatDiffersFromTheDefaultsButNotWhatThePageDecides)
{
    TOptionFormSettings settings;
    EXPECT_TRUE(Notes(settings).empty());
    // The page's own lists, the folder and the clip are not the line's business.
    settings.OutputFormat = 9;
    settings.Norm = 2;
    settings.FrameSize = 3;
    settings.FrameRate = 2;
    settings.VideoEncoder = 3;
    settings.AudioEncoder = 1;
    settings.OutputFolder = "/out/";
    settings.CutClip = true;
    // Checks that are off and hooks that are checked but disabled count for nothing.
    settings.VideoBitRate = "900";
    settings.ImageHook = {true, false};
    settings.Crop = true;
    EXPECT_TRUE(Notes(settings).empty());

    settings.AudioChannels = 2;
    settings.AudioSampleRate = 4;
    settings.AdjustVolume = true;
    settings.AudioVolume = "384";
    settings.SetVideoBitRate = true;
    settings.SetAudioQuality = true;
    settings.AudioQuality = " 48 ";
    settings.EncoderSpeed = 1;
    settings.CropEdges.Top = "8";
    settings.TextHook = {true, true};
    settings.TextHookText = "Hello";
    settings.VertFlip = true;
    settings.Scale = true;
    settings.ScaleText = "640:360";
    settings.Overwrite = true;
    const std::vector<std::pair<TSettingNoteKind, std::string>> expected{
        {snAudioChannels, "Stereo"}, {snAudioSampleRate, "44100 Hz"}, {snVolume, "150%"},
        {snVideoBitRate, "900 kbit/s"}, {snAudioQuality, "48 kbit/s"}, {snEncoderSpeed, "Fastest"},
        {snCrop, "8 0 0 0"}, {snTextHook, "Hello"}, {snFilters, "vflip, scale 640:360"}, {snOverwrite, ""}};
    EXPECT_EQ(Notes(settings), expected);

    // An unchanged volume is no change, and the custom hook stands for the external ones.
    settings.AudioVolume = "256";
    settings.HookSource = hsCustom;
    const auto notes = Notes(settings);
    EXPECT_EQ(std::count_if(notes.begin(), notes.end(), [](const auto& note) { return note.first == snVolume; }), 0);
    EXPECT_EQ(std::count_if(notes.begin(), notes.end(), [](const auto& note) { return note.first == snTextHook; }), 0);
    EXPECT_EQ(std::count_if(notes.begin(), notes.end(), [](const auto& note) { return note.first == snCustomHook; }), 1);

    ResetSettingsBeyondPage(settings);
    EXPECT_TRUE(Notes(settings).empty());
    EXPECT_EQ(settings.OutputFormat, 9);
    EXPECT_EQ(settings.Norm, 2);
    EXPECT_EQ(settings.FrameSize, 3);
    EXPECT_EQ(settings.VideoEncoder, 3);
    EXPECT_EQ(settings.AudioEncoder, 1);
    EXPECT_EQ(settings.OutputFolder, "/out/");
    EXPECT_TRUE(settings.CutClip);
    EXPECT_FALSE(settings.Overwrite);
}

}  // namespace mirelk
