#include "form/quality_rules.h"

#include <algorithm>
#include <array>
#include <optional>

#include "form/form_text.h"
#include "form/option_choices.h"

namespace mirelk::form {

namespace {

// Rate factors: x264 18 to 20 and x265 about 4 above are where the usual advice puts "no visible
// loss"; VP9 31 and SVT-AV1 30 are their makers' advice for high definition. The quantiser
// codecs at 3 keep edges and text sharp.
constexpr std::array kVideoScales{
    TQualityScale{"libx264", "crf", 0, 51, 20},   TQualityScale{"libx265", "crf", 0, 51, 24},
    TQualityScale{"libvpx-vp9", "crf", 0, 63, 31}, TQualityScale{"libsvtav1", "crf", 1, 63, 30},
    TQualityScale{"mpeg4", "qscale", 1, 31, 3},   TQualityScale{"libxvid", "qscale", 1, 31, 3},
    TQualityScale{"flv", "qscale", 1, 31, 3},     TQualityScale{"wmv1", "qscale", 1, 31, 3},
    TQualityScale{"wmv2", "qscale", 1, 31, 3},    TQualityScale{"msmpeg4", "qscale", 1, 31, 3},
    TQualityScale{"h263", "qscale", 1, 31, 3},    TQualityScale{"mpeg1video", "qscale", 1, 31, 3},
    TQualityScale{"mpeg2video", "qscale", 1, 31, 3}, TQualityScale{"rv10", "qscale", 1, 31, 3},
    TQualityScale{"rv20", "qscale", 1, 31, 3},
};

// Per channel: Opus is transparent for most music from about 48, AAC from about 96, MP3 and
// Vorbis in between.
constexpr std::array kAudioScales{
    TAudioRateScale{"libopus", 6, 256, 64},
    TAudioRateScale{"aac", 16, 256, 96},
    TAudioRateScale{"libmp3lame", 16, 160, 96},
    TAudioRateScale{"libvorbis", 32, 240, 80},
};

// The encoders of the muxers of these endings in the libraries here (an MP4 takes x264 when it
// is there, an AVI MPEG-4 part 2 and MP3).
struct TContainerCodecs {
    std::string_view Ending;
    std::string_view Video;
    std::string_view Audio;
};
constexpr std::array kContainerCodecs{
    TContainerCodecs{".avi", "mpeg4", "libmp3lame"}, TContainerCodecs{".mov", "libx264", "aac"},
    TContainerCodecs{".mp4", "libx264", "aac"},      TContainerCodecs{".flv", "flv", "libmp3lame"},
    TContainerCodecs{".swf", "flv", "libmp3lame"},   TContainerCodecs{".3gp", "h263", "libopencore_amrnb"},
    TContainerCodecs{".m1v", "mpeg1video", ""},      TContainerCodecs{".m2v", "mpeg2video", ""},
    TContainerCodecs{".mkv", "", "libvorbis"},       TContainerCodecs{".aac", "", "aac"},
    TContainerCodecs{".mp3", "", "libmp3lame"},      TContainerCodecs{".mpg", "mpeg2video", "mp2"},
};

const TContainerCodecs* ContainerCodecs(std::string_view ending)
{
    // Disc targets end in "_vcd_pal.mpg" and the like; VCD alone writes MPEG-1.
    if (ending.find("_vcd_") != std::string_view::npos) {
        static constexpr TContainerCodecs kVcd{"", "mpeg1video", "mp2"};
        return &kVcd;
    }
    for (const TContainerCodecs& codecs : kContainerCodecs)
        if (ending.size() >= codecs.Ending.size() && EqualsIgnoringCase(ending.substr(ending.size() - codecs.Ending.size()), codecs.Ending))
            return &codecs;
    return nullptr;
}

std::string_view VideoCodecOf(const TOutputOptions& record)
{
    return record.VideoCodec.empty() ? ContainerVideoCodec(record.FileExt) : std::string_view(record.VideoCodec);
}

std::string_view AudioCodecOf(const TOutputOptions& record)
{
    // The form's "AAC" names the encoder of its time, which the engine replaces by "aac".
    if (record.AudioCodec == "libfaac") return "aac";
    return record.AudioCodec.empty() ? ContainerAudioCodec(record.FileExt) : std::string_view(record.AudioCodec);
}

bool VideoQualityWanted(const TOptionFormSettings& settings, bool modern)
{
    return settings.SetVideoQuality || (modern && !settings.SetVideoBitRate);
}

bool AudioQualityWanted(const TOptionFormSettings& settings, bool modern)
{
    return settings.SetAudioQuality || (modern && !settings.SetAudioBitRate);
}

// The number of a quality text within its scale; the default for an empty text, nothing for
// anything else.
std::optional<int> ScaleValue(const std::string& text, int min, int max, int fallback)
{
    if (Trimmed(text).empty()) return fallback;
    const std::optional<int> value = IntegerOf(text);
    if (!value || *value < min || *value > max) return std::nullopt;
    return value;
}

void AppendLine(std::string& text, const std::string& line)
{
    if (line.empty()) return;
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    text += line;
}

}  // namespace

const TQualityScale* VideoQualityScale(std::string_view codec)
{
    for (const TQualityScale& scale : kVideoScales)
        if (scale.Codec == codec) return &scale;
    return nullptr;
}

const TAudioRateScale* AudioRateScale(std::string_view codec)
{
    for (const TAudioRateScale& scale : kAudioScales)
        if (scale.Codec == codec) return &scale;
    return nullptr;
}

std::string_view ContainerVideoCodec(std::string_view ending)
{
    const TContainerCodecs* codecs = ContainerCodecs(ending);
    return codecs != nullptr ? codecs->Video : std::string_view();
}

std::string_view ContainerAudioCodec(std::string_view ending)
{
    const TContainerCodecs* codecs = ContainerCodecs(ending);
    return codecs != nullptr ? codecs->Audio : std::string_view();
}

std::string SpeedOptionLine(std::string_view codec, int speed)
{
    if (speed <= 0 || static_cast<std::size_t>(speed) >= kEncoderSpeeds.size()) return {};
    const auto at = static_cast<std::size_t>(speed - 1);
    if (codec == "libx264" || codec == "libx265") {
        constexpr std::array<std::string_view, 5> kPresets{"ultrafast", "veryfast", "medium", "slow", "veryslow"};
        return "preset=" + std::string(kPresets[at]);
    }
    if (codec == "libsvtav1") {
        constexpr std::array kPresets{12, 10, 8, 6, 4};
        return "preset=" + std::to_string(kPresets[at]);
    }
    // VP9's good-quality mode uses cpu-used 0 to 5.
    if (codec == "libvpx-vp9") {
        constexpr std::array kCpuUsed{5, 4, 2, 1, 0};
        return "cpu-used=" + std::to_string(kCpuUsed[at]);
    }
    return {};
}

std::string QualityProblem(const TOptionFormSettings& settings, const TOutputOptions& record)
{
    if (settings.SetVideoQuality) {
        const std::string_view codec = VideoCodecOf(record);
        const TQualityScale* scale = VideoQualityScale(codec);
        if (record.VideoDisable != 0) return "The format writes no pictures: a video quality is not for it.";
        if (scale == nullptr)
            return "The video encoder " + std::string(codec.empty() ? "of this format" : codec) +
                   " has no quality setting.";
        if (!ScaleValue(settings.VideoQuality, scale->Min, scale->Max, scale->Default))
            return "The video quality of " + std::string(codec) + " is a whole number from " +
                   std::to_string(scale->Min) + " (best) to " + std::to_string(scale->Max) + ", not '" +
                   settings.VideoQuality + "'.";
    }
    if (settings.SetAudioQuality) {
        const std::string_view codec = AudioCodecOf(record);
        const TAudioRateScale* scale = AudioRateScale(codec);
        if (record.AudioDisable != 0) return "The format writes no sound: an audio quality is not for it.";
        if (scale == nullptr)
            return "The audio encoder " + std::string(codec.empty() ? "of this format" : codec) +
                   " has no quality setting.";
        if (!ScaleValue(settings.AudioQuality, scale->Min, scale->Max, scale->Default))
            return "The audio quality of " + std::string(codec) + " is a whole number of kbit/s per channel from " +
                   std::to_string(scale->Min) + " to " + std::to_string(scale->Max) + ", not '" +
                   settings.AudioQuality + "'.";
    }
    return {};
}

std::string PictureSizeProblem(std::string_view codec, int width, int height)
{
    // SVT-AV1 refuses smaller pictures with a bare "bad parameter".
    constexpr int kSmallestAV1 = 64;
    if (codec != "libsvtav1" || width <= 0 || height <= 0 || (width >= kSmallestAV1 && height >= kSmallestAV1))
        return {};
    return "The AV1 encoder takes pictures of at least " + std::to_string(kSmallestAV1) + "x" +
           std::to_string(kSmallestAV1) + " pixels, not " + std::to_string(width) + "x" + std::to_string(height) +
           "; choose a larger size.";
}

void ApplyQuality(const TOptionFormSettings& settings, bool modern, int inputChannels, TOutputOptions& record)
{
    const std::string_view videoCodec = VideoCodecOf(record);
    if (record.VideoDisable == 0) {
        const TQualityScale* scale = VideoQualityScale(videoCodec);
        if (scale != nullptr && VideoQualityWanted(settings, modern)) {
            const std::string text = settings.SetVideoQuality ? settings.VideoQuality : std::string();
            const int value = ScaleValue(text, scale->Min, scale->Max, scale->Default).value_or(scale->Default);
            AppendLine(record.ExtOptions, std::string(scale->Option) + "=" + std::to_string(value));
            // A bit rate would turn the rate factor into a cap (VP9) or replace it (x264).
            if (scale->Option == "crf") AppendLine(record.ExtOptions, "b=0");
            record.VideoBitrate = -1;
        }
        AppendLine(record.ExtOptions, SpeedOptionLine(videoCodec, settings.EncoderSpeed));
    }
    if (record.AudioDisable == 0) {
        const TAudioRateScale* scale = AudioRateScale(AudioCodecOf(record));
        if (scale != nullptr && AudioQualityWanted(settings, modern)) {
            const std::string text = settings.SetAudioQuality ? settings.AudioQuality : std::string();
            const int perChannel = ScaleValue(text, scale->Min, scale->Max, scale->Default).value_or(scale->Default);
            const int channels = record.AudioChannels > 0 ? record.AudioChannels
                                 : inputChannels > 0      ? std::min(inputChannels, 8)
                                                          : 2;
            record.AudioBitrate = perChannel * 1000 * channels;
        }
    }
}

}  // namespace mirelk::form
