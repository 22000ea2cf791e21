#include "form/settings_entries.h"

#include <array>
#include <optional>
#include <span>
#include <variant>

#include "form/form_text.h"
#include "form/option_choices.h"
#include "form/widget_states.h"

namespace mirelk {

namespace {

using S = TOptionFormSettings;

struct TChoice {
    int S::*Field;
    std::span<const std::string_view> Items;
};
struct TFrameSizeChoice {
    int S::*Field;
};
struct TCheck {
    bool S::*Field;
};
struct THook {
    THookCheck S::*Field;
};
struct TText {
    std::string S::*Field;
};
struct TEdge {
    TEdgeTexts S::*Edges;
    std::string TEdgeTexts::*Field;
};
struct THookSourceChoice {};
struct THookBehaviourChoice {};

using TKind = std::variant<TChoice, TFrameSizeChoice, TCheck, THook, TText, TEdge, THookSourceChoice,
                           THookBehaviourChoice>;

struct TEntry {
    std::string_view Key;
    TKind Kind;
};

constexpr std::array<std::string_view, 2> kHookSources{"External", "Custom"};
constexpr std::array<std::string_view, 3> kHookBehaviours{"Standard", "BeforeHook", "PTSPeriods"};

const std::array kEntries{
    TEntry{"grpFormats", TChoice{&S::OutputFormat, kAllOutputFormats}},
    TEntry{"grpNorm", TChoice{&S::Norm, kNorms}},
    TEntry{"grpAudioChannels", TChoice{&S::AudioChannels, kAudioChannelChoices}},
    TEntry{"grpAudioSampleRate", TChoice{&S::AudioSampleRate, kAudioSampleRates}},
    TEntry{"chkAudioVolume", TCheck{&S::AdjustVolume}},
    TEntry{"edtAudioVolume", TText{&S::AudioVolume}},
    TEntry{"cboFrameSize", TFrameSizeChoice{&S::FrameSize}},
    TEntry{"grpFrameRate", TChoice{&S::FrameRate, kFrameRates}},
    TEntry{"grpAspectRatio", TChoice{&S::AspectRatio, kAspectRatios}},
    TEntry{"chkVideoBitRate", TCheck{&S::SetVideoBitRate}},
    TEntry{"edtVideoBitRate", TText{&S::VideoBitRate}},
    TEntry{"chkAudioBitRate", TCheck{&S::SetAudioBitRate}},
    TEntry{"edtAudioBitRate", TText{&S::AudioBitRate}},
    TEntry{"grpAudioCodec", TChoice{&S::AudioEncoder, kAudioEncoders}},
    TEntry{"grpVideoCodec", TChoice{&S::VideoEncoder, kVideoEncoders}},
    TEntry{"chkVideoQuality", TCheck{&S::SetVideoQuality}},
    TEntry{"edtVideoQuality", TText{&S::VideoQuality}},
    TEntry{"chkAudioQuality", TCheck{&S::SetAudioQuality}},
    TEntry{"edtAudioQuality", TText{&S::AudioQuality}},
    TEntry{"grpEncoderSpeed", TChoice{&S::EncoderSpeed, kEncoderSpeeds}},
    TEntry{"chkCrop", TCheck{&S::Crop}},
    TEntry{"edtCropTop", TEdge{&S::CropEdges, &TEdgeTexts::Top}},
    TEntry{"edtCropBottom", TEdge{&S::CropEdges, &TEdgeTexts::Bottom}},
    TEntry{"edtCropLeft", TEdge{&S::CropEdges, &TEdgeTexts::Left}},
    TEntry{"edtCropRight", TEdge{&S::CropEdges, &TEdgeTexts::Right}},
    TEntry{"chkPad", TCheck{&S::Pad}},
    TEntry{"edtPadTop", TEdge{&S::PadEdges, &TEdgeTexts::Top}},
    TEntry{"edtPadBottom", TEdge{&S::PadEdges, &TEdgeTexts::Bottom}},
    TEntry{"edtPadLeft", TEdge{&S::PadEdges, &TEdgeTexts::Left}},
    TEntry{"edtPadRight", TEdge{&S::PadEdges, &TEdgeTexts::Right}},
    TEntry{"HookSource", THookSourceChoice{}},
    TEntry{"chkImlib2Img", THook{&S::ImageHook}},
    TEntry{"chkImgDancing", TCheck{&S::ImageDancing}},
    TEntry{"chkImlib2Txt", THook{&S::TextHook}},
    TEntry{"edtImlib2Txt", TText{&S::TextHookText}},
    TEntry{"chkTxtScrolling", TCheck{&S::TextScrolling}},
    TEntry{"chkWaterMark", THook{&S::WatermarkHook}},
    TEntry{"chkWaterMarkMode", TCheck{&S::WatermarkMode}},
    TEntry{"chkZarnHookImg", THook{&S::SampleImageHook}},
    TEntry{"chkZarnHookTxt", THook{&S::SampleTextHook}},
    TEntry{"edtZarnHookTxt", TText{&S::SampleHookText}},
    TEntry{"HookBehavior", THookBehaviourChoice{}},
    TEntry{"edtPTSs", TText{&S::PTSPeriods}},
    TEntry{"chkVertFlip", TCheck{&S::VertFlip}},
    TEntry{"chkHoriFlip", TCheck{&S::HoriFlip}},
    TEntry{"chkNegate", TCheck{&S::Negate}},
    TEntry{"chkScale", TCheck{&S::Scale}},
    TEntry{"edtScale", TText{&S::ScaleText}},
    TEntry{"chkRotate", TCheck{&S::Rotate}},
    TEntry{"edtRotate", TText{&S::RotateDegrees}},
    TEntry{"chkSetPTS", TCheck{&S::SetPTS}},
    TEntry{"edtSetPTS", TText{&S::SetPTSExpression}},
    TEntry{"chkCopyTimestamp", TCheck{&S::CopyTimestamp}},
    TEntry{"chkOverwrite", TCheck{&S::Overwrite}},
    TEntry{"chkRememberOverwrite", TCheck{&S::RememberOverwrite}},
};

std::string CheckText(bool checked) { return checked ? "1" : "0"; }

std::optional<bool> CheckOf(std::string_view text)
{
    const std::string value = form::LowerCased(form::Trimmed(text));
    if (value == "1" || value == "true") return true;
    if (value == "0" || value == "false") return false;
    return std::nullopt;
}

bool ReadChoice(int& field, int index)
{
    if (index < 0) return false;
    field = index;
    return true;
}

bool ReadCheck(bool& field, std::string_view text)
{
    const std::optional<bool> checked = CheckOf(text);
    if (!checked) return false;
    field = *checked;
    return true;
}

template <class... Visitors>
struct TOverloaded : Visitors... {
    using Visitors::operator()...;
};

}  // namespace

TSettingsEntries SettingsEntries(const TOptionFormSettings& settings)
{
    TSettingsEntries entries;
    entries.reserve(kEntries.size());
    for (const TEntry& entry : kEntries) {
        std::string value = std::visit(
            TOverloaded{
                [&](const TChoice& kind) { return std::string(ChoiceText(kind.Items, settings.*kind.Field)); },
                [&](const TFrameSizeChoice& kind) { return std::string(ChoiceText(kFrameSizes, settings.*kind.Field)); },
                [&](const TCheck& kind) { return CheckText(settings.*kind.Field); },
                [&](const THook& kind) { return CheckText((settings.*kind.Field).Checked); },
                [&](const TText& kind) { return settings.*kind.Field; },
                [&](const TEdge& kind) { return (settings.*kind.Edges).*kind.Field; },
                [&](const THookSourceChoice&) { return std::string(ChoiceText(kHookSources, settings.HookSource)); },
                [&](const THookBehaviourChoice&) {
                    return std::string(ChoiceText(kHookBehaviours, settings.HookBehaviour));
                },
            },
            entry.Kind);
        entries.emplace_back(entry.Key, std::move(value));
    }
    return entries;
}

bool ReadSettingsEntry(TOptionFormSettings& settings, std::string_view key, std::string_view value)
{
    for (const TEntry& entry : kEntries) {
        if (entry.Key != key) continue;
        return std::visit(
            TOverloaded{
                [&](const TChoice& kind) { return ReadChoice(settings.*kind.Field, ChoiceIndex(kind.Items, value)); },
                [&](const TFrameSizeChoice& kind) {
                    return ReadChoice(settings.*kind.Field, ChoiceIndex(kFrameSizes, value));
                },
                [&](const TCheck& kind) { return ReadCheck(settings.*kind.Field, value); },
                [&](const THook& kind) { return ReadCheck((settings.*kind.Field).Checked, value); },
                [&](const TText& kind) {
                    settings.*kind.Field = value;
                    return true;
                },
                [&](const TEdge& kind) {
                    (settings.*kind.Edges).*kind.Field = value;
                    return true;
                },
                [&](const THookSourceChoice&) {
                    const int index = ChoiceIndex(kHookSources, value);
                    if (index < 0) return false;
                    settings.HookSource = static_cast<THookSource>(index);
                    return true;
                },
                [&](const THookBehaviourChoice&) {
                    const int index = ChoiceIndex(kHookBehaviours, value);
                    if (index < 0) return false;
                    settings.HookBehaviour = static_cast<THookBehaviour>(index);
                    return true;
                },
            },
            entry.Kind);
    }
    return false;
}

void ReadSettingsEntries(TOptionFormSettings& settings, const TSettingsEntries& entries)
{
    for (const auto& [key, value] : entries) ReadSettingsEntry(settings, key, value);
    UpdateWidgetStates(settings);
}

}  // namespace mirelk
