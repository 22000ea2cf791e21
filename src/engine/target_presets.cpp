// Target presets: whole groups of settings for VCD, SVCD, DVD and DV outputs.
#include <cmath>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

enum TNorm { nmPAL, nmNTSC, nmFILM };

const char* const kNormFrameRates[] = {"25", "30000/1001", "24000/1001"};

// 25 frames per second is PAL; 29.97 and 23.976 are NTSC; anything else decides nothing.
bool NormOfRate(double framesPerSecond, TNorm& norm)
{
    const long rounded = std::lround(1000.0 * framesPerSecond);
    if (rounded == 25000) {
        norm = nmPAL;
        return true;
    }
    if (rounded == 29970 || rounded == 23976) {
        norm = nmNTSC;
        return true;
    }
    return false;
}

// The settings of the disc targets. Mono sound is made stereo on every disc; a VCD takes two
// channels whatever was asked.
struct TDiscPreset {
    const char* target;
    const char* videoCodec;
    const char* audioCodec;
    const char* palSize;
    const char* ntscSize;
    const char* bitRate;
    const char* maxRate;
    const char* minRate;
    const char* bufferSize;
    const char* audioBitRate;
    int sampleRate;
    const char* packetSize;
    const char* muxRate;  // null: the muxer's own
    float muxPreload;     // 0: the option's own
    bool alwaysStereo;
    bool scanOffset;
    const char* aspectNotice;
    const char* aspect;
};

const TDiscPreset kDiscPresets[] = {
    {"vcd", "mpeg1video", "mp2", "352x288", "352x240", "1150000", "1150000", "1150000", "327680", "224000", 44100,
     "2324", "1411200", 0.44f, true, false, "Assuming 4:3 for aspect ratio", "4:3"},
    // The scan offset is a private option of the MPEG-2 encoder now, no longer a flag.
    {"svcd", "mpeg2video", "mp2", "480x576", "480x480", "2040000", "2516000", "0", "1835008", "224000", 44100,
     "2324", nullptr, 0.0f, false, true, "Assuming 4:3 for aspect ratio", "4:3"},
    {"dvd", "mpeg2video", "ac3", "720x576", "720x480", "6000000", "9000000", "0", "1835008", "448000", 48000,
     "2048", "10080000", 0.0f, false, false, "Assuming 16:9 for aspect ratio", "16:9"},
};

const TDiscPreset* DiscPreset(const std::string& target)
{
    for (const TDiscPreset& preset : kDiscPresets)
        if (target == preset.target) return &preset;
    return nullptr;
}

}  // namespace

void TCustomFFmpeg::OptTarget(const std::string& target, const std::string& normText, const std::string& defaultNorm)
{
    RequireLibraries();
    TNorm norm = nmPAL;
    if (normText == "pal") {
        norm = nmPAL;
    } else if (normText == "ntsc") {
        norm = nmNTSC;
    } else if (normText == "film") {
        norm = nmFILM;
    } else {
        if (m_options.frameRate.den == 0) throw FFmpegException("frame_rate is invalid.");
        bool decided = NormOfRate(static_cast<double>(m_options.frameRate.num) / m_options.frameRate.den, norm);
        for (const AVRational& rate : OpenInputVideoRates()) {
            if (decided) break;
            if (rate.den != 0) decided = NormOfRate(static_cast<double>(rate.num) / rate.den, norm);
        }
        if (!decided) norm = defaultNorm == "film" ? nmFILM : defaultNorm == "ntsc" ? nmNTSC : nmPAL;
        if (m_options.verbosity >= kLevelInfo)
            Log(kLevelInfo, Format("Assuming %s for target.", norm == nmPAL ? "PAL" : "NTSC"));
    }

    const bool pal = norm == nmPAL;
    const auto setOutputFormat = [this](const char* name) {
        const AVOutputFormat* format = av::av_guess_format(name, nullptr, nullptr);
        if (format == nullptr) throw FFmpegException(Format("Unknown output format: %s", name));
        m_options.forcedOutputFormat = format;
        m_options.forcedFormatName = name;
    };
    const auto assumeAspect = [this](const char* notice, const char* ratio) {
        if (m_options.frameAspectRatio != 0.0f) return;
        Log(kLevelInfo, notice);
        OptFrameAspectRatio(ratio);
    };

    if (const TDiscPreset* disc = DiscPreset(target)) {
        OptVideoCodec(disc->videoCodec);
        OptAudioCodec(disc->audioCodec);
        setOutputFormat(disc->target);
        OptFrameSize(pal ? disc->palSize : disc->ntscSize);
        OptFrameRate(kNormFrameRates[norm]);
        GenericOption("g", pal ? "15" : "18");
        GenericOption("b", disc->bitRate);
        GenericOption("maxrate", disc->maxRate);
        GenericOption("minrate", disc->minRate);
        GenericOption("bufsize", disc->bufferSize);
        if (disc->scanOffset) GenericOption("scan_offset", "1");
        GenericOption("ab", disc->audioBitRate);
        OptAudioSampleRate(disc->sampleRate);
        if (disc->alwaysStereo || m_options.audioChannels == 1) OptAudioChannels(2);
        GenericOption("packetsize", disc->packetSize);
        if (disc->muxRate != nullptr) GenericOption("muxrate", disc->muxRate);
        if (disc->muxPreload != 0.0f) m_options.muxPreload = disc->muxPreload;
        assumeAspect(disc->aspectNotice, disc->aspect);
    } else if (target == "dv" || target == "dv50") {
        setOutputFormat("dv");
        OptFrameSize(pal ? "720x576" : "720x480");
        OptFramePixelFormat(target == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
        OptFrameRate(kNormFrameRates[norm]);
        OptAudioSampleRate(48000);
        OptAudioChannels(2);
    } else {
        throw FFmpegException("Unknown target type");
    }
}

}  // namespace mirelk
