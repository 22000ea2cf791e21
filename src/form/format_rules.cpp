#include "form/format_rules.h"

#include <array>

#include "form/form_text.h"

namespace mirelk::form {

namespace {

// Formats without fields of their own leave the container to the engine, which takes it from
// the output name's ending.
constexpr std::array<TFormatRule, 33> kFormatRules{{
    {.Format = "VCD", .TargetType = 1},
    {.Format = "SVCD", .TargetType = 2},
    {.Format = "DVD", .TargetType = 3},
    {.Format = "3GP", .AudioChannels = 1, .AudioSampleRate = 8000, .AudioBitrate = 7400, .FrameSize = "128x96"},
    {.Format = "AVI"},
    {.Format = "FLV", .FlashSampleRates = true},
    {.Format = "iPod", .FileExt = "_ipod.mp4", .VideoCodec = "mpeg4", .AudioCodec = "libfaac",
     .FrameSize = "320x240"},
    {.Format = "MKV", .VideoCodec = "libx264"},
    {.Format = "MOV"},
    {.Format = "MP4"},
    {.Format = "OGG", .VideoCodec = "libtheora", .AudioCodec = "flac"},
    {.Format = "PSP", .FileExt = "_psp.mp4", .FileFormat = "psp", .VideoCodec = "mpeg4", .AudioCodec = "libfaac",
     .AudioSampleRate = 24000, .FrameRate = "15000/1001"},
    {.Format = "RM10", .FileExt = "_rv10.rm", .VideoCodec = "rv10"},
    {.Format = "RM20", .FileExt = "_rv20.rm", .VideoCodec = "rv20"},
    {.Format = "SWF", .FlashSampleRates = true},
    {.Format = "WMV", .VideoCodec = "wmv2", .AudioCodec = "wmav2"},
    {.Format = "M1V"},
    {.Format = "M2V"},
    {.Format = "AAC"},
    {.Format = "AC3"},
    {.Format = "MP2"},
    // Today's MP3 muxer takes a picture stream as cover art: a converted clip would carry every
    // frame of its video as a picture. Sound only, as the format means.
    {.Format = "MP3", .VideoDisable = true},
    {.Format = "WAV"},
    {.Format = "WMA", .AudioCodec = "wmav2", .VideoDisable = true},
    // Opus takes 48000 Hz and a few lower rates, none of the form's other choices.
    {.Format = "WebM", .VideoCodec = "libvpx-vp9", .AudioCodec = "libopus", .AudioSampleRate = 48000, .Modern = true},
    // Apple's players open HEVC in MP4 only under the tag "hvc1".
    {.Format = "MP4-HEVC", .FileExt = "_hevc.mp4", .VideoCodec = "libx265", .AudioCodec = "aac", .Modern = true,
     .VideoTag = "hvc1"},
    {.Format = "MKV-AV1", .FileExt = "_av1.mkv", .VideoCodec = "libsvtav1", .AudioCodec = "libopus",
     .AudioSampleRate = 48000, .Modern = true},
    {.Format = "MP4-AV1", .FileExt = "_av1.mp4", .VideoCodec = "libsvtav1", .AudioCodec = "aac", .Modern = true},
    {.Format = "FLAC", .AudioCodec = "flac", .VideoDisable = true, .Modern = true},
    {.Format = "Opus", .AudioCodec = "libopus", .AudioSampleRate = 48000, .VideoDisable = true, .Modern = true},
    {.Format = "M4A-ALAC", .FileExt = "_alac.m4a", .AudioCodec = "alac", .VideoDisable = true, .Modern = true},
    {.Format = "M4A", .AudioCodec = "aac", .VideoDisable = true, .Modern = true},
    {.Format = "GIF", .VideoCodec = "gif", .Modern = true, .AudioDisable = true, .PalettePictures = true},
}};

void SetIfGiven(std::string& field, std::string_view value)
{
    if (!value.empty()) field = value;
}

void SetIfGiven(int& field, int value)
{
    if (value > 0) field = value;
}

std::string_view NormEnding(int targetNorm)
{
    switch (targetNorm) {
    case 1: return "_pal.mpg";
    case 2: return "_ntsc.mpg";
    default: return "_auto.mpg";
    }
}

}  // namespace

const TFormatRule* FindFormatRule(std::string_view format)
{
    for (const TFormatRule& rule : kFormatRules)
        if (EqualsIgnoringCase(rule.Format, format)) return &rule;
    return nullptr;
}

std::string ApplyFormatRule(const TFormatRule& rule, int norm, TOutputOptions& record)
{
    SetIfGiven(record.FileFormat, rule.FileFormat);
    SetIfGiven(record.VideoCodec, rule.VideoCodec);
    SetIfGiven(record.AudioCodec, rule.AudioCodec);
    SetIfGiven(record.AudioChannels, rule.AudioChannels);
    SetIfGiven(record.AudioSampleRate, rule.AudioSampleRate);
    SetIfGiven(record.AudioBitrate, rule.AudioBitrate);
    SetIfGiven(record.FrameRate, rule.FrameRate);
    SetIfGiven(record.FrameSize, rule.FrameSize);
    if (rule.VideoDisable) record.VideoDisable = 1;
    if (rule.AudioDisable) record.AudioDisable = 1;
    if (rule.Modern) {
        record.VideoCodec = rule.VideoCodec;
        record.AudioCodec = rule.AudioCodec;
        record.VideoTag = rule.VideoTag;
    }
    if (rule.FlashSampleRates) {
        const int rate = record.AudioSampleRate;
        if (rate != 11025 && rate != 22050 && rate != 44100) record.AudioSampleRate = 22050;
    }

    const std::string lowerName = LowerCased(rule.Format);
    if (rule.TargetType > 0) {
        record.TargetType = rule.TargetType;
        record.TargetNorm = norm == 1 || norm == 2 ? norm : 0;
        record.DefaultNorm = 1;
        return "_" + lowerName + std::string(NormEnding(record.TargetNorm));
    }
    return rule.FileExt.empty() ? "." + lowerName : std::string(rule.FileExt);
}

}  // namespace mirelk::form
