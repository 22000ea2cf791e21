// The option table: names in the order they are compared, the kind of value each takes, and
// what it does. Names not in the table go to the generic AVOption fallback.
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

enum class TValueKind {
    Nothing,    // accepted and ignored, with a notice
    Switch,     // "0" is off, anything else (the empty value too) is on
    Integer,
    Integer64,
    Float,
    Text,
    Duration,
    Date,
    Any,        // the value is not looked at
};

struct TOptionValue {
    const std::string& name;
    const std::string& text;
    bool on = false;
    int integer = 0;
    std::int64_t integer64 = 0;
    double real = 0.0;
};

template <typename T>
T ParseWholeInteger(const std::string& text)
{
    T result{};
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, result, 10);
    if (text.empty() || error != std::errc() || end != last)
        throw FFmpegException(Format("'%s' is not a valid integer value", text.c_str()));
    return result;
}

double ParseWholeFloat(const std::string& text)
{
    double result = 0.0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, result);
    if (text.empty() || error != std::errc() || end != last)
        throw FFmpegException(Format("'%s' is not a valid floating point value", text.c_str()));
    return result;
}

std::int64_t ParseTime(const std::string& name, const std::string& text, bool duration)
{
    std::int64_t microseconds = 0;
    if (av::av_parse_time(&microseconds, text.c_str(), duration ? 1 : 0) < 0)
        throw FFmpegException(Format("Invalid %s specification for %s: %s", duration ? "duration" : "date",
                                     name.c_str(), text.c_str()));
    return microseconds;
}

}  // namespace

struct TCustomFFmpeg::TOptionRow {
    const char* name;
    TValueKind kind;
    void (*apply)(TCustomFFmpeg& task, const TOptionValue& value);
};

const std::vector<TCustomFFmpeg::TOptionRow>& TCustomFFmpeg::OptionTable()
{
    using V = const TOptionValue&;
    using K = TValueKind;
    static const std::vector<TOptionRow> table{
        {"L", K::Nothing, nullptr},
        {"h", K::Nothing, nullptr},
        {"version", K::Nothing, nullptr},
        {"formats", K::Nothing, nullptr},
        {"i", K::Nothing, nullptr},
        {"y", K::Nothing, nullptr},
        {"benchmark", K::Nothing, nullptr},
        {"f", K::Text, [](TCustomFFmpeg& t, V v) { t.OptFormat(v.text); }},
        {"map", K::Text, [](TCustomFFmpeg& t, V v) { t.AddStreamMap(v.text); }},
        {"map_meta_data", K::Text, [](TCustomFFmpeg& t, V v) { t.AddMetaDataMap(v.text); }},
        {"t", K::Duration,
         [](TCustomFFmpeg& t, V v) {
             if (v.integer64 < 1000) return;
             t.m_options.recordingTime = v.integer64;
             t.m_options.expectedTotalDuration = v.integer64 / 1000;
         }},
        {"fs", K::Integer64, [](TCustomFFmpeg& t, V v) { t.m_options.fileSizeLimit = v.integer64; }},
        {"ss", K::Duration, [](TCustomFFmpeg& t, V v) { t.m_options.startTime = v.integer64; }},
        {"itsoffset", K::Duration, [](TCustomFFmpeg& t, V v) { t.m_options.inputTimestampOffset = v.integer64; }},
        {"itsscale", K::Text, [](TCustomFFmpeg& t, V v) { t.SetTimestampScale(v.text); }},
        {"timestamp", K::Date,
         [](TCustomFFmpeg& t, V v) { t.m_options.recordingTimestamp = (v.integer64 + 500000) / 1000000; }},
        {"metadata", K::Text, [](TCustomFFmpeg& t, V v) { t.OptMetadata(v.text); }},
        {"dframes", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.maxFrames[miData] = v.integer; }},
        {"dump", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.packetDump = v.on; }},
        {"hex", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.hexDump = v.on; }},
        {"re", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.rateEmulation = v.on ? 1 : 0; }},
        {"loop_input", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.loopInput = v.on ? 1 : 0; }},
        {"loop_output", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.loopOutput = v.integer; }},
        {"v", K::Integer, [](TCustomFFmpeg& t, V v) { t.SetLogLevel(v.integer); }},
        {"target", K::Text,
         [](TCustomFFmpeg& t, V v) {
             std::string target = v.text;
             std::string norm = "auto";
             for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
                 const std::string text(prefix);
                 if (target.compare(0, text.size(), text) == 0) {
                     norm = text.substr(0, text.size() - 1);
                     target = target.substr(text.size());
                     break;
                 }
             }
             t.OptTarget(target, norm, "ntsc");
         }},
        {"threads", K::Integer,
         [](TCustomFFmpeg& t, V v) {
             if (v.integer < 0) throw FFmpegException(Format("'%s' is not a valid number of threads", v.text.c_str()));
             t.m_options.codecThreads = v.integer;
         }},
        {"vsync", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.videoSyncMethod = v.integer; }},
        {"async", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.audioSyncMethod = v.integer; }},
        {"adrift_threshold", K::Float,
         [](TCustomFFmpeg& t, V v) { t.m_options.audioDriftThreshold = static_cast<float>(v.real); }},
        {"vglobal", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.videoGlobalHeader = v.integer; }},
        {"copyts", K::Any, [](TCustomFFmpeg& t, V) { t.m_options.copyTimestamps = true; }},
        {"shortest", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.shortest = v.on; }},
        {"dts_delta_threshold", K::Float,
         [](TCustomFFmpeg& t, V v) { t.m_options.dtsDeltaThreshold = static_cast<float>(v.real); }},
        {"programid", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.programId = v.integer; }},
        {"xerror", K::Any, [](TCustomFFmpeg& t, V) { t.m_options.exitOnError = true; }},
        {"copyinkf", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.copyInitialNonKeyFrames = v.integer; }},
        {"b", K::Text, [](TCustomFFmpeg& t, V v) { t.OptBitRate(v.name, v.text); }},
        {"vb", K::Text, [](TCustomFFmpeg& t, V v) { t.OptBitRate(v.name, v.text); }},
        {"vframes", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.maxFrames[miVideo] = v.integer; }},
        {"r", K::Text, [](TCustomFFmpeg& t, V v) { t.OptFrameRate(v.text); }},
        {"s", K::Text, [](TCustomFFmpeg& t, V v) { t.OptFrameSize(v.text); }},
        {"aspect", K::Text, [](TCustomFFmpeg& t, V v) { t.OptFrameAspectRatio(v.text); }},
        {"pix_fmt", K::Text, [](TCustomFFmpeg& t, V v) { t.OptFramePixelFormat(v.text); }},
        {"croptop", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFrameCrop(psTop, v.integer); }},
        {"cropbottom", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFrameCrop(psBottom, v.integer); }},
        {"cropleft", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFrameCrop(psLeft, v.integer); }},
        {"cropright", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFrameCrop(psRight, v.integer); }},
        {"padtop", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFramePad(psTop, v.integer); }},
        {"padbottom", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFramePad(psBottom, v.integer); }},
        {"padleft", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFramePad(psLeft, v.integer); }},
        {"padright", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptFramePad(psRight, v.integer); }},
        {"padcolor", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptPadColor(v.integer); }},
        {"intra", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.intraOnly = v.on; }},
        {"vn", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.videoDisable = v.on ? 1 : 0; }},
        {"vdt", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.videoDiscard = v.integer; }},
        {"qscale", K::Float,
         [](TCustomFFmpeg& t, V v) {
             if (!(v.real > 0.0 && v.real <= 255.0)) throw FFmpegException("qscale must be > 0.0 and <= 255");
             t.m_options.videoQScale = static_cast<float>(v.real);
         }},
        {"rc_override", K::Text, [](TCustomFFmpeg& t, V v) { t.m_options.videoRcOverride = v.text; }},
        {"vcodec", K::Text, [](TCustomFFmpeg& t, V v) { t.OptVideoCodec(v.text); }},
        {"me_threshold", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.meThreshold = v.integer; }},
        {"sameq", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.sameQuality = v.on; }},
        {"pass", K::Integer,
         [](TCustomFFmpeg& t, V v) {
             if (v.integer != 1 && v.integer != 2) throw FFmpegException("pass number can be only 1 or 2");
             t.m_options.pass = v.integer;
         }},
        {"passlogfile", K::Text, [](TCustomFFmpeg& t, V v) { t.m_options.passLogFileName = v.text; }},
        {"deinterlace", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.deinterlace = v.on; }},
        {"psnr", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.psnr = v.on; }},
        {"vstats", K::Any, [](TCustomFFmpeg& t, V) { t.SetVideoStatsFile(); }},
        {"vstats_file", K::Text, [](TCustomFFmpeg& t, V v) { t.m_options.videoStatsFileName = v.text; }},
        {"vhook", K::Text, [](TCustomFFmpeg& t, V v) { t.SetFrameHook(v.text); }},
        {"vfilters", K::Text, [](TCustomFFmpeg& t, V v) { t.OptVideoFilters(v.text); }},
        {"intra_matrix", K::Text, [](TCustomFFmpeg& t, V v) { t.SetMatrix(t.m_options.intraMatrix, v.text); }},
        {"inter_matrix", K::Text, [](TCustomFFmpeg& t, V v) { t.SetMatrix(t.m_options.interMatrix, v.text); }},
        {"top", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.topFieldFirst = v.integer; }},
        {"dc", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.intraDcPrecision = v.integer; }},
        {"vtag", K::Text,
         [](TCustomFFmpeg& t, V v) {
             if (!v.text.empty())
                 t.m_options.videoCodecTag = t.CodecTag(v.text, "video tag parameter must be 4 chars");
         }},
        {"newvideo", K::Any, [](TCustomFFmpeg& t, V) { t.NewVideoStream(); }},
        {"qphist", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.qpHistogram = v.on; }},
        {"force_fps", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.forceFrameRate = v.on; }},
        {"ab", K::Text, [](TCustomFFmpeg& t, V v) { t.OptBitRate(v.name, v.text); }},
        {"aframes", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.maxFrames[miAudio] = v.integer; }},
        {"aq", K::Float, [](TCustomFFmpeg& t, V v) { t.m_options.audioQScale = static_cast<float>(v.real); }},
        {"ar", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptAudioSampleRate(v.integer); }},
        {"ac", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptAudioChannels(v.integer); }},
        {"an", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.audioDisable = v.on ? 1 : 0; }},
        {"acodec", K::Text, [](TCustomFFmpeg& t, V v) { t.OptAudioCodec(v.text); }},
        {"atag", K::Text,
         [](TCustomFFmpeg& t, V v) {
             if (!v.text.empty())
                 t.m_options.audioCodecTag = t.CodecTag(v.text, "audio tag parameter must be 4 chars");
         }},
        {"vol", K::Integer, [](TCustomFFmpeg& t, V v) { t.OptAudioVolume(v.integer); }},
        {"newaudio", K::Any, [](TCustomFFmpeg& t, V) { t.NewAudioStream(); }},
        {"alang", K::Text, [](TCustomFFmpeg& t, V v) { t.m_options.audioLanguage = v.text; }},
        {"sample_fmt", K::Text, [](TCustomFFmpeg& t, V v) { t.OptAudioSampleFormat(v.text); }},
        {"sn", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.subtitleDisable = v.on ? 1 : 0; }},
        {"scodec", K::Text, [](TCustomFFmpeg& t, V v) { t.OptSubtitleCodec(v.text); }},
        {"newsubtitle", K::Any, [](TCustomFFmpeg& t, V) { t.NewSubtitleStream(); }},
        {"slang", K::Text, [](TCustomFFmpeg& t, V v) { t.m_options.subtitleLanguage = v.text; }},
        {"vc", K::Integer, [](TCustomFFmpeg& t, V v) { t.m_options.videoChannel = v.integer; }},
        {"tvstd", K::Text, [](TCustomFFmpeg& t, V v) { t.m_options.videoStandard = v.text; }},
        {"isync", K::Switch, [](TCustomFFmpeg& t, V v) { t.m_options.inputSync = v.on; }},
        {"muxdelay", K::Float, [](TCustomFFmpeg& t, V v) { t.m_options.muxMaxDelay = static_cast<float>(v.real); }},
        {"muxpreload", K::Float,
         [](TCustomFFmpeg& t, V v) { t.m_options.muxPreload = static_cast<float>(v.real); }},
        {"absf", K::Text, [](TCustomFFmpeg& t, V v) { t.AddBitstreamFilter(v.name, v.text); }},
        {"vbsf", K::Text, [](TCustomFFmpeg& t, V v) { t.AddBitstreamFilter(v.name, v.text); }},
        {"sbsf", K::Text, [](TCustomFFmpeg& t, V v) { t.AddBitstreamFilter(v.name, v.text); }},
        {"apre", K::Nothing, nullptr},
        {"vpre", K::Nothing, nullptr},
        {"spre", K::Nothing, nullptr},
    };
    return table;
}

std::vector<std::string> TCustomFFmpeg::OptionTableNames()
{
    std::vector<std::string> names;
    for (const TOptionRow& row : OptionTable()) names.emplace_back(row.name);
    return names;
}

void TCustomFFmpeg::ParseOption(const std::string& name, const std::string& value)
{
    RequireLibraries();
    for (const TOptionRow& row : OptionTable()) {
        if (name == row.name) {
            ApplyRow(row, name, value);
            return;
        }
    }
    GenericOption(name, value);
}

void TCustomFFmpeg::ApplyRow(const TOptionRow& row, const std::string& name, const std::string& value)
{
    TOptionValue converted{name, value};
    switch (row.kind) {
    case TValueKind::Nothing:
        Log(kLevelInfo, "Do nothing: option - " + name);
        return;
    case TValueKind::Switch: converted.on = value != "0"; break;
    case TValueKind::Integer: converted.integer = ParseWholeInteger<int>(value); break;
    case TValueKind::Integer64: converted.integer64 = ParseWholeInteger<std::int64_t>(value); break;
    case TValueKind::Float: converted.real = ParseWholeFloat(value); break;
    case TValueKind::Duration: converted.integer64 = ParseTime(name, value, true); break;
    case TValueKind::Date: converted.integer64 = ParseTime(name, value, false); break;
    case TValueKind::Text:
    case TValueKind::Any: break;
    }
    row.apply(*this, converted);
}

}  // namespace mirelk
