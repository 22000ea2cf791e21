// The items of the option form's choice lists, in the order the form shows them. Settings hold
// item indexes; these lists give the texts the rules read, and let a caller pick an item by its
// text.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace mirelk {

// The 24 formats of the form's first page keep their indexes; today's targets follow them from
// index 24 on, so that stored settings keep meaning what was chosen.
inline constexpr std::array<std::string_view, 24> kOutputFormats{
    "VCD", "SVCD", "DVD", "3GP", "AVI", "FLV", "iPod", "MKV", "MOV", "MP4", "OGG", "PSP",
    "RM10", "RM20", "SWF", "WMV", "M1V", "M2V", "AAC", "AC3", "MP2", "MP3", "WAV", "WMA"};
inline constexpr std::array<std::string_view, 9> kModernOutputFormats{
    "WebM", "MP4-HEVC", "MKV-AV1", "MP4-AV1", "FLAC", "Opus", "M4A-ALAC", "M4A", "GIF"};
// Both lists in one: the index space of the OutputFormat setting.
inline constexpr auto kAllOutputFormats = [] {
    std::array<std::string_view, kOutputFormats.size() + kModernOutputFormats.size()> all{};
    std::size_t at = 0;
    for (std::string_view name : kOutputFormats) all[at++] = name;
    for (std::string_view name : kModernOutputFormats) all[at++] = name;
    return all;
}();
// The encoder speed choice: how much time an encoder may spend for a smaller file. "Auto" keeps
// each encoder's own default.
inline constexpr std::array<std::string_view, 6> kEncoderSpeeds{"Auto", "Fastest", "Fast", "Medium", "Slow",
                                                               "Slowest"};
inline constexpr std::array<std::string_view, 3> kNorms{"Auto", "PAL", "NTSC"};
inline constexpr std::array<std::string_view, 3> kAudioChannelChoices{"Auto", "Mono", "Stereo"};
inline constexpr std::array<std::string_view, 5> kAudioSampleRates{"Auto", "8000", "11025", "22050", "44100"};
inline constexpr std::array<std::string_view, 5> kFrameRates{"Auto", "10", "15", "25", "30"};
inline constexpr std::array<std::string_view, 5> kAspectRatios{"Auto", "4:3", "16:9", "37:20", "47:20"};
inline constexpr std::array<std::string_view, 5> kAudioEncoders{"Auto", "AAC", "AC3", "FLAC", "MP3"};
inline constexpr std::array<std::string_view, 4> kVideoEncoders{"Auto", "DivX", "XviD", "X264"};
// Width "x" height " - " name; the desktop's own frame-size lists share this order and their
// indexes are copied one to one.
inline constexpr std::array<std::string_view, 29> kFrameSizes{
    "Auto - Original", "128x96 - sqcif",  "176x144 - qcif",    "352x288 - cif",     "704x576 - 4cif",
    "160x120 - qqvga", "320x240 - qvga",  "640x480 - vga",     "800x600 - svga",    "1024x768 - xga",
    "1600x1200 - uxga", "2048x1536 - qxga", "1280x1024 - sxga", "2560x2048 - qsxga", "5120x4096 - hsxga",
    "852x480 - wvga",  "1366x768 - wxga", "1600x1024 - wsxga", "1920x1200 - wuxga", "2560x1600 - woxga",
    "3200x2048 - wqsxga", "3840x2400 - wquxga", "6400x4096 - whsxga", "7680x4800 - whuxga", "320x200 - cga",
    "640x350 - ega",   "852x480 - hd480", "1280x720 - hd720",  "1920x1080 - hd1080"};

// Index of the item whose text equals the given one regardless of case; -1 when none does.
int ChoiceIndex(std::span<const std::string_view> items, std::string_view text);
// As ChoiceIndex, and a frame size is also found by its size ("352x288") or its name ("cif");
// "auto" finds the first item. The first matching item wins ("852x480" is "wvga").
int FrameSizeIndex(std::string_view text);
// The item at the index; the first item (the "Auto" of every list that has one) when the index
// lies outside the list.
std::string_view ChoiceText(std::span<const std::string_view> items, int index);

}  // namespace mirelk
