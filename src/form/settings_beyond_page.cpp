#include "form/settings_beyond_page.h"

#include <cstdlib>

#include "form/form_text.h"
#include "form/option_choices.h"

namespace mirelk {

namespace {

std::string EdgesText(const TEdgeTexts& edges)
{
    return form::Trimmed(edges.Top) + " " + form::Trimmed(edges.Bottom) + " " + form::Trimmed(edges.Left) + " " +
           form::Trimmed(edges.Right);
}

bool AnyEdge(const TEdgeTexts& edges)
{
    for (const std::string* edge : {&edges.Top, &edges.Bottom, &edges.Left, &edges.Right})
        if (std::atoi(edge->c_str()) != 0) return true;
    return false;
}

std::string FilterList(const TOptionFormSettings& settings)
{
    std::string list;
    const auto add = [&list](const std::string& item) {
        if (!list.empty()) list += ", ";
        list += item;
    };
    if (settings.VertFlip) add("vflip");
    if (settings.HoriFlip) add("hflip");
    if (settings.Negate) add("negate");
    if (settings.Scale && !form::Trimmed(settings.ScaleText).empty()) add("scale " + form::Trimmed(settings.ScaleText));
    if (settings.Rotate) add("rotate " + form::Trimmed(settings.RotateDegrees) + "\u00b0");
    if (settings.SetPTS && !form::Trimmed(settings.SetPTSExpression).empty())
        add("setpts " + form::Trimmed(settings.SetPTSExpression));
    return list;
}

}  // namespace

std::vector<TSettingNote> SettingsBeyondPage(const TOptionFormSettings& settings)
{
    const TOptionFormSettings defaults;
    std::vector<TSettingNote> notes;
    if (settings.AudioChannels != defaults.AudioChannels)
        notes.push_back({snAudioChannels, std::string(ChoiceText(kAudioChannelChoices, settings.AudioChannels))});
    if (settings.AudioSampleRate != defaults.AudioSampleRate)
        notes.push_back({snAudioSampleRate, std::string(ChoiceText(kAudioSampleRates, settings.AudioSampleRate)) + " Hz"});
    if (settings.AdjustVolume) {
        // 256 is the unchanged volume.
        const int volume = std::atoi(settings.AudioVolume.c_str());
        if (volume != 256) notes.push_back({snVolume, std::to_string((volume * 100 + 128) / 256) + "%"});
    }
    if (settings.AspectRatio != defaults.AspectRatio)
        notes.push_back({snAspectRatio, std::string(ChoiceText(kAspectRatios, settings.AspectRatio))});
    if (settings.SetVideoBitRate)
        notes.push_back({snVideoBitRate, form::Trimmed(settings.VideoBitRate) + " kbit/s"});
    if (settings.SetAudioBitRate)
        notes.push_back({snAudioBitRate, form::Trimmed(settings.AudioBitRate) + " kbit/s"});
    if (settings.SetVideoQuality && !form::Trimmed(settings.VideoQuality).empty())
        notes.push_back({snVideoQuality, form::Trimmed(settings.VideoQuality)});
    if (settings.SetAudioQuality && !form::Trimmed(settings.AudioQuality).empty())
        notes.push_back({snAudioQuality, form::Trimmed(settings.AudioQuality) + " kbit/s"});
    if (settings.EncoderSpeed != defaults.EncoderSpeed)
        notes.push_back({snEncoderSpeed, std::string(ChoiceText(kEncoderSpeeds, settings.EncoderSpeed))});
    if (settings.Crop && AnyEdge(settings.CropEdges)) notes.push_back({snCrop, EdgesText(settings.CropEdges)});
    if (settings.Pad && AnyEdge(settings.PadEdges)) notes.push_back({snPad, EdgesText(settings.PadEdges)});
    if (settings.HookSource == hsExternal) {
        if (settings.ImageHook.Counts()) notes.push_back({snImageHook, {}});
        if (settings.TextHook.Counts()) notes.push_back({snTextHook, form::Trimmed(settings.TextHookText)});
        if (settings.WatermarkHook.Counts()) notes.push_back({snWatermarkHook, {}});
        if (settings.SampleImageHook.Counts()) notes.push_back({snSampleImageHook, {}});
        if (settings.SampleTextHook.Counts()) notes.push_back({snSampleTextHook, form::Trimmed(settings.SampleHookText)});
    } else {
        notes.push_back({snCustomHook, {}});
    }
    if (const std::string filters = FilterList(settings); !filters.empty()) notes.push_back({snFilters, filters});
    if (settings.CopyTimestamp) notes.push_back({snCopyTimestamp, {}});
    if (settings.Overwrite) notes.push_back({snOverwrite, {}});
    return notes;
}

void ResetSettingsBeyondPage(TOptionFormSettings& settings)
{
    TOptionFormSettings reset;
    reset.OutputFormat = settings.OutputFormat;
    reset.Norm = settings.Norm;
    reset.FrameSize = settings.FrameSize;
    reset.FrameRate = settings.FrameRate;
    reset.VideoEncoder = settings.VideoEncoder;
    reset.AudioEncoder = settings.AudioEncoder;
    reset.OutputFolder = settings.OutputFolder;
    reset.CutClip = settings.CutClip;
    reset.CutClipEnabled = settings.CutClipEnabled;
    settings = reset;
}

}  // namespace mirelk
