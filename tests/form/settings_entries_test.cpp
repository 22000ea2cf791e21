// The option form's settings as named texts for the settings file, and which widgets a user can
// change given the rest.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

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
    TOptionFormSettings s;
    s.OutputFormat = ChoiceIndex(kOutputFormats, "WMA");
    s.Norm = 2;
    s.AudioChannels = 1;
    s.AudioSampleRate = s.FrameRate = s.AudioEncoder = 4;
    s.FrameSize = static_cast<int>(kFrameSizes.size()) - 1;
    s.AspectRatio = 1;
    s.VideoEncoder = 2;
    s.AudioVolume = "300";
    s.VideoBitRate = "900";
    s.AudioBitRate = "128";
    s.CropEdges = {"1", "2", "3", "4"};
    s.PadEdges = {"5", "6", "7", "8"};
    s.HookSource = hsCustom;
    s.TextHookText = "  字幕, \"quoted\" = text  ";
    s.SampleHookText = "";
    s.HookBehaviour = hbPTSPeriods;
    s.PTSPeriods = "100-200";
    s.ScaleText = "640:360";
    s.RotateDegrees = "90";
    s.SetPTSExpression = "2*PTS";
    s.OutputFolder = "/somewhere/";
    s.AdjustVolume = s.SetVideoBitRate = s.SetAudioBitRate = s.Crop = s.Pad = true;
    s.ImageHook.Checked = s.TextHook.Checked = s.WatermarkHook.Checked = true;
    s.SampleImageHook.Checked = s.SampleTextHook.Checked = true;
    s.ImageDancing = s.TextScrolling = s.WatermarkMode = true;
    s.VertFlip = s.HoriFlip = s.Negate = s.Scale = s.Rotate = s.SetPTS = s.CopyTimestamp = s.Overwrite = s.RememberOverwrite = true;
    s.SetVideoQuality = s.SetAudioQuality = true;
    s.VideoQuality = "26";
    s.AudioQuality = "48";
    s.EncoderSpeed = 3;
    return s;
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
             {"noSuchWidget", "1"}, {"grpFormats", "Betamax"}, {"grpFormats", ""}, {"chkNegate", "maybe"},
             {"chkNegate", "2"}, {"cboFrameSize", "huge"}, {"HookSource", "Nowhere"}, {"HookBehavior", "7"},
             {"grpfORMATS", "MP4"}})
        EXPECT_FALSE(ReadSettingsEntry(settings, key, value)) << key << "=" << value;
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
    const auto refinements = [&settings] {
        return std::vector<bool>{settings.ImageDancingEnabled, settings.TextScrollingEnabled,
                                 settings.WatermarkModeEnabled, settings.SampleHookTextEnabled,
                                 settings.PTSPeriodsTextEnabled};
    };
    EXPECT_EQ(refinements(), std::vector<bool>(5, false));
    EXPECT_TRUE(settings.ImageHook.Enabled);
    EXPECT_TRUE(settings.BeforeHookEnabled);

    settings.ImageHook.Checked = settings.TextHook.Checked = true;
    settings.WatermarkHook.Checked = settings.SampleTextHook.Checked = true;
    settings.HookBehaviour = hbPTSPeriods;
    UpdateWidgetStates(settings);
    EXPECT_EQ(refinements(), std::vector<bool>(5, true));
    settings.HookBehaviour = hbBeforeHook;
    UpdateWidgetStates(settings);
    EXPECT_FALSE(settings.PTSPeriodsTextEnabled);

    // The custom hook closes the external ones and what refines them, keeping their checks for
    // when the external hooks come back.
    settings.HookBehaviour = hbPTSPeriods;
    settings.HookSource = hsCustom;
    UpdateWidgetStates(settings);
    for (const THookCheck* hook : {&settings.ImageHook, &settings.TextHook, &settings.WatermarkHook,
                                   &settings.SampleImageHook, &settings.SampleTextHook})
        EXPECT_FALSE(hook->Enabled);
    EXPECT_EQ(refinements(), std::vector<bool>(5, false));
    EXPECT_FALSE(settings.BeforeHookEnabled);
    EXPECT_FALSE(settings.PTSPeriodsEnabled);
    EXPECT_TRUE(settings.ImageHook.Checked);
}
