// What each output format (the 24 of the form's first page and today's targets after them) fixes in the output record, over the user's choices: the
// ending of the output name, codecs, sample rate, frame size and the disc targets' presets.
#pragma once

#include <string>
#include <string_view>

#include "component/conversion_records.h"

namespace mirelk::form {

struct TFormatRule {
    std::string_view Format;       // the format's item text
    std::string_view FileExt{};    // the ending after the rule; disc targets add their norm
    std::string_view FileFormat{}; // the fields below are set only when given (text not empty,
    std::string_view VideoCodec{}; // number above 0, flag true)
    std::string_view AudioCodec{};
    int AudioChannels = 0;
    int AudioSampleRate = 0;
    int AudioBitrate = 0;
    std::string_view FrameRate{};
    std::string_view FrameSize{};
    bool VideoDisable = false;
    // Flash players take 11025, 22050 and 44100 Hz only; anything else becomes 22050.
    bool FlashSampleRates = false;
    int TargetType = 0;  // 1 VCD, 2 SVCD, 3 DVD: the engine's disc presets
    // Today's targets: their encoders are fixed, the video tag included (empty: none), and
    // they convert at constant quality unless a bit rate is asked for.
    bool Modern = false;
    std::string_view VideoTag{};
    bool AudioDisable = false;
    // An animated picture: few colours from a palette made from the clip itself, a low frame
    // rate, a small width and a short length (see PalettePictureLimits).
    bool PalettePictures = false;
};

// What an animated picture holds unless the user chooses its size or frame rate, and at most:
// the palette is made from every picture before the first is written, so all of them wait in
// memory until the clip's end.
struct TPalettePictureLimits {
    static constexpr int FramesPerSecond = 15;
    static constexpr int Width = 480;
    static constexpr int Seconds = 60;
};

// The rule of a format (by item text, regardless of case); null for an unknown format.
// Every item of kAllOutputFormats has one.
const TFormatRule* FindFormatRule(std::string_view format);

// Applies the rule to the record, the norm (0 auto, 1 PAL, 2 NTSC) going to the disc targets,
// and returns the ending of the output name: "." and the lower-cased format name unless the
// rule gives another, for disc targets "_vcd_pal.mpg" and the like.
std::string ApplyFormatRule(const TFormatRule& rule, int norm, TOutputOptions& record);

}  // namespace mirelk::form
