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

    if (target == "vcd") {
        OptVideoCodec("mpeg1video");
        OptAudioCodec("mp2");
        setOutputFormat("vcd");
        OptFrameSize(pal ? "352x288" : "352x240");
        OptFrameRate(kNormFrameRates[norm]);
        GenericOption("g", pal ? "15" : "18");
        GenericOption("b", "1150000");
        GenericOption("maxrate", "1150000");
        GenericOption("minrate", "1150000");
        GenericOption("bufsize", "327680");
        GenericOption("ab", "224000");
        OptAudioSampleRate(44100);
        OptAudioChannels(2);
        GenericOption("packetsize", "2324");
        GenericOption("muxrate", "1411200");
        m_options.muxPreload = 0.44f;
        assumeAspect("Assuming 4:3 for aspect ratio", "4:3");
    } else if (target == "svcd") {
        OptVideoCodec("mpeg2video");
        OptAudioCodec("mp2");
        setOutputFormat("svcd");
        OptFrameSize(pal ? "480x576" : "480x480");
        OptFrameRate(kNormFrameRates[norm]);
        GenericOption("g", pal ? "15" : "18");
        GenericOption("b", "2040000");
        GenericOption("maxrate", "2516000");
        GenericOption("minrate", "0");
        GenericOption("bufsize", "1835008");
        // The scan offset is a private option of the MPEG-2 encoder now, no longer a flag.
        GenericOption("scan_offset", "1");
        GenericOption("ab", "224000");
        OptAudioSampleRate(44100);
        GenericOption("packetsize", "2324");
        if (m_options.audioChannels == 1) OptAudioChannels(2);
        assumeAspect("Assuming 4:3 for aspect ratio", "4:3");
    } else if (target == "dvd") {
        OptVideoCodec("mpeg2video");
        OptAudioCodec("ac3");
        setOutputFormat("dvd");
        OptFrameSize(pal ? "720x576" : "720x480");
        OptFrameRate(kNormFrameRates[norm]);
        GenericOption("g", pal ? "15" : "18");
        GenericOption("b", "6000000");
        GenericOption("maxrate", "9000000");
        GenericOption("minrate", "0");
        GenericOption("bufsize", "1835008");
        GenericOption("packetsize", "2048");
        GenericOption("muxrate", "10080000");
        GenericOption("ab", "448000");
        OptAudioSampleRate(48000);
        if (m_options.audioChannels == 1) OptAudioChannels(2);
        assumeAspect("Assuming 16:9 for aspect ratio", "16:9");
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
