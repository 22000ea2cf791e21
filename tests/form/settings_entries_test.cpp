// The option form's settings as named texts for the settings file, and which widgets a user can
// change given the rest.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "form/option_choices.h"
#include "form/settings_entries.h"
#include "form/widget_states.h"

using namespace mirelk;

namespace {

std::map<std::string, std::string> AsMap(const TSettingsEntries& entries)
{
    return {entries.begin(), entries.end()};
}

// Every setting away from its default.
TOptionFormSettings Changed()
{
    TOptionFormSettings settings;
    settings.OutputFormat = ChoiceIndex(kOutputFormats, "WMA");
    settings.Norm = 2;
    settings.AudioChannels = 1;
    settings.AudioSampleRate = 4;
    settings.AdjustVolume = true;
    settings.AudioVolume = "300";
    settings.FrameSize = static_cast<int>(kFrameSizes.size()) - 1;
    settings.FrameRate = 4;
    settings.AspectRatio = 1;
    settings.SetVideoBitRate = true;
    settings.VideoBitRate = "900";
    settings.SetAudioBitRate = true;
    settings.AudioBitRate = "128";
    settings.AudioEncoder = 4;
    settings.VideoEncoder = 2;
    settings.Crop = true;
    settings.CropEdges = {"1", "2", "3", "4"};
    settings.Pad = true;
    settings.PadEdges = {"5", "6", "7", "8"};
    settings.HookSource = hsCustom;
    settings.ImageHook.Checked = true;
    settings.ImageDancing = true;
    settings.TextHook.Checked = true;
    settings.TextHookText = "  字幕, \"quoted\" = text  ";
    settings.TextScrolling = true;
    settings.WatermarkHook.Checked = true;
    settings.WatermarkMode = true;
    settings.SampleImageHook.Checked = true;
    settings.SampleTextHook.Checked = true;
    settings.SampleHookText = "";
    settings.HookBehaviour = hbPTSPeriods;
    settings.PTSPeriods = "100-200";
    settings.VertFlip = settings.HoriFlip = settings.Negate = true;
    settings.Scale = true;
    settings.ScaleText = "640:360";
    settings.Rotate = true;
    settings.RotateDegrees = "90";
    settings.SetPTS = true;
    settings.SetPTSExpression = "2*PTS";
    settings.CopyTimestamp = settings.Overwrite = true;
    settings.OutputFolder = "/somewhere/";
    return settings;
}

}  // namespace

TEST(SettingsEntries, EverySettingIsKeptUnderItsWidgetNameAndReadBack)
{
    const TSettingsEntries changed = SettingsEntries(Changed());
    const TSettingsEntries defaults = SettingsEntries(TOptionFormSettings{});
    std::set<std::string> keys;
    for (const auto& [key, value] : changed) EXPECT_TRUE(keys.insert(key).second) << "twice: " << key;
    // Each entry tells the changed settings from the defaults, so none is left out.
    ASSERT_EQ(changed.size(), defaults.size());
    for (std::size_t i = 0; i < changed.size(); ++i)
        EXPECT_NE(changed[i].second, defaults[i].second) << changed[i].first;

    const auto named = AsMap(changed);
    EXPECT_EQ(named.at("grpFormats"), "WMA");
    EXPECT_EQ(named.at("grpNorm"), "NTSC");
    EXPECT_EQ(named.at("HookSource"), "Custom");
    EXPECT_EQ(named.at("HookBehavior"), "PTSPeriods");
    EXPECT_EQ(named.at("chkNegate"), "1");
    EXPECT_EQ(named.at("edtImlib2Txt"), "  字幕, \"quoted\" = text  ");
    EXPECT_EQ(AsMap(defaults).at("grpFormats"), "3GP");
    // The folder belongs to the main window, the clip to one file.
    EXPECT_EQ(named.count("OutputFolder"), 0u);

    TOptionFormSettings read;
    ReadSettingsEntries(read, changed);
    EXPECT_EQ(SettingsEntries(read), changed);
    EXPECT_EQ(read.OutputFolder, TOptionFormSettings{}.OutputFolder);
    // What was read brings its enabled states: the custom hook closes the external ones.
    EXPECT_FALSE(read.ImageHook.Enabled);
    EXPECT_FALSE(read.ImageHook.Counts());
}

TEST(SettingsEntries, EntriesOfAnotherKindLeaveTheirSettingAlone)
{
    TOptionFormSettings settings;
    const TSettingsEntries before = SettingsEntries(settings);
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"noSuchWidget", "1"},
             {"grpFormats", "Betamax"},
             {"grpFormats", ""},
             {"chkNegate", "maybe"},
             {"chkNegate", "2"},
             {"chkImlib2Img", "yes please"},
             {"cboFrameSize", "huge"},
             {"HookSource", "Nowhere"},
             {"HookBehavior", "7"},
             {"grpfORMATS", "MP4"}}) {
        EXPECT_FALSE(ReadSettingsEntry(settings, key, value)) << key << "=" << value;
    }
    EXPECT_EQ(SettingsEntries(settings), before);

    EXPECT_TRUE(ReadSettingsEntry(settings, "chkNegate", " TRUE "));
    EXPECT_TRUE(settings.Negate);
    EXPECT_TRUE(ReadSettingsEntry(settings, "chkNegate", "0"));
    EXPECT_FALSE(settings.Negate);
    EXPECT_TRUE(ReadSettingsEntry(settings, "grpFormats", "MP4"));
    EXPECT_EQ(settings.OutputFormat, ChoiceIndex(kOutputFormats, "MP4"));
    // Texts are kept as they were typed; the records decide what a bad number means.
    EXPECT_TRUE(ReadSettingsEntry(settings, "edtAudioVolume", "loud"));
    EXPECT_EQ(settings.AudioVolume, "loud");
}

TEST(WidgetStates, ASubOptionOpensOnlyWhileWhatItRefinesIsInUse)
{
    TOptionFormSettings settings;
    UpdateWidgetStates(settings);
    EXPECT_TRUE(settings.ImageHook.Enabled);
    EXPECT_FALSE(settings.ImageDancingEnabled);
    EXPECT_FALSE(settings.TextScrollingEnabled);
    EXPECT_FALSE(settings.WatermarkModeEnabled);
    EXPECT_FALSE(settings.SampleHookTextEnabled);
    EXPECT_TRUE(settings.BeforeHookEnabled);
    EXPECT_FALSE(settings.PTSPeriodsTextEnabled);

    settings.ImageHook.Checked = settings.TextHook.Checked = true;
    settings.WatermarkHook.Checked = settings.SampleTextHook.Checked = true;
    settings.HookBehaviour = hbPTSPeriods;
    UpdateWidgetStates(settings);
    EXPECT_TRUE(settings.ImageDancingEnabled);
    EXPECT_TRUE(settings.TextScrollingEnabled);
    EXPECT_TRUE(settings.WatermarkModeEnabled);
    EXPECT_TRUE(settings.SampleHookTextEnabled);
    EXPECT_TRUE(settings.PTSPeriodsTextEnabled);

    settings.HookSource = hsCustom;
    UpdateWidgetStates(settings);
    for (const THookCheck* hook : {&settings.ImageHook, &settings.TextHook, &settings.WatermarkHook,
                                   &settings.SampleImageHook, &settings.SampleTextHook}) {
        EXPECT_FALSE(hook->Enabled);
        EXPECT_FALSE(hook->Counts());
    }
    EXPECT_FALSE(settings.ImageDancingEnabled);
    EXPECT_FALSE(settings.SampleHookTextEnabled);
    EXPECT_FALSE(settings.BeforeHookEnabled);
    EXPECT_FALSE(settings.PTSPeriodsEnabled);
    EXPECT_FALSE(settings.PTSPeriodsTextEnabled);
    // The checks themselves are kept for when the external hooks come back.
    EXPECT_TRUE(settings.ImageHook.Checked);
}
