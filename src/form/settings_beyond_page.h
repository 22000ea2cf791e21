// The option form's settings that a conversion from the main window's format pages takes on
// top of the page: what the main window lists in its settings line, so that a setting made once
// in the option window and kept across starts is never applied unseen.
#pragma once

#include <string>
#include <vector>

#include "form/option_form_settings.h"

namespace mirelk {

enum TSettingNoteKind {
    snAudioChannels,
    snAudioSampleRate,
    snVolume,
    snAspectRatio,
    snVideoBitRate,
    snAudioBitRate,
    snVideoQuality,
    snAudioQuality,
    snEncoderSpeed,
    snCrop,
    snPad,
    snImageHook,
    snTextHook,
    snWatermarkHook,
    snSampleImageHook,
    snSampleTextHook,
    snCustomHook,
    snFilters,
    snCopyTimestamp,
    snOverwrite,
};

// One setting that differs from the program's default. Value is what the user set, in a form
// that needs no translation ("Stereo", "150%", "vflip, scale 320:240"), empty for a check.
struct TSettingNote {
    TSettingNoteKind Kind;
    std::string Value;
};

// The settings beyond the pages (every one but the format, the page's own lists, the output
// folder and the clip) that differ from the defaults, in the order of the option window.
std::vector<TSettingNote> SettingsBeyondPage(const TOptionFormSettings& settings);

// Those settings back to the defaults; the format, the page's lists, the output folder and the
// clip stay.
void ResetSettingsBeyondPage(TOptionFormSettings& settings);

}  // namespace mirelk
