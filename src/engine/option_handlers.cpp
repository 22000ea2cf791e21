// Handlers of the options that set codecs, formats, lists and tables.
#include <cstring>
#include <ctime>
#include <tuple>
#include <utility>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

void TCustomFFmpeg::OptFormat(const std::string& name)
{
    RequireLibraries();
    std::string formatName = name;
    bool oldImageInput = false;
    if (formatName == "pgmyuv") {
        oldImageInput = true;
        formatName = "image2";
        Log(kLevelInfo, "pgmyuv format is deprecated, use image2");
    }
    const AVInputFormat* input = av::av_find_input_format(formatName.c_str());
    const AVOutputFormat* output = av::av_guess_format(formatName.c_str(), nullptr, nullptr);
    if (input == nullptr && output == nullptr)
        throw FFmpegException(Format("Unknown input or output format: %s", formatName.c_str()));
    m_options.forcedFormatName = formatName;
    m_options.forcedInputFormat = input;
    m_options.forcedOutputFormat = output;
    m_options.oldImageInput = oldImageInput;
}

void TCustomFFmpeg::OptInputFormat(const std::string& name)
{
    RequireLibraries();
    if (name.empty()) return;
    std::string formatName = name;
    if (formatName == "pgmyuv") {
        formatName = "image2";
        m_options.oldImageInput = true;
        Log(kLevelInfo, "pgmyuv format is deprecated, use image2");
    }
    const AVInputFormat* input = av::av_find_input_format(formatName.c_str());
    if (input == nullptr) throw FFmpegException(Format("Unknown input format: %s", formatName.c_str()));
    m_options.forcedInputFormat = input;
    m_options.forcedFormatName = formatName;
}

void TCustomFFmpeg::OptOutputFormat(const std::string& name)
{
    RequireLibraries();
    if (name.empty()) return;
    const AVOutputFormat* output = av::av_guess_format(name.c_str(), nullptr, nullptr);
    if (output == nullptr) throw FFmpegException(Format("Unknown output format: %s", name.c_str()));
    m_options.forcedOutputFormat = output;
    m_options.forcedFormatName = name;
}

void TCustomFFmpeg::SetRecordingTime(std::int64_t microseconds)
{
    if (microseconds < 1000) return;
    m_options.recordingTime = microseconds;
    m_options.expectedTotalDuration = microseconds / 1000;
}

void TCustomFFmpeg::OptFramePixelFormat(const std::string& name)
{
    RequireLibraries();
    if (name == "list") {
        for (const AVPixFmtDescriptor* descriptor = av::av_pix_fmt_desc_next(nullptr); descriptor != nullptr;
             descriptor = av::av_pix_fmt_desc_next(descriptor))
            Log(kLevelInfo, descriptor->name);
        return;
    }
    if (name.empty()) return;
    const AVPixelFormat format = av::av_get_pix_fmt(name.c_str());
    if (format == AV_PIX_FMT_NONE) throw FFmpegException(Format("Unknown pixel format requested: %s", name.c_str()));
    m_options.framePixelFormat = format;
    m_options.pixelFormatAsked = true;
}

void TCustomFFmpeg::OptAudioSampleFormat(const std::string& name)
{
    RequireLibraries();
    if (name == "list") {
        for (int format = 0; format < AV_SAMPLE_FMT_NB; ++format) {
            const char* formatName = av::av_get_sample_fmt_name(static_cast<AVSampleFormat>(format));
            if (formatName != nullptr) Log(kLevelInfo, formatName);
        }
        return;
    }
    if (name.empty()) return;
    const AVSampleFormat format = av::av_get_sample_fmt(name.c_str());
    if (format == AV_SAMPLE_FMT_NONE)
        throw FFmpegException(Format("Unknown sample format requested: %s", name.c_str()));
    m_options.audioSampleFormat = format;
}

namespace {

// An empty name changes nothing; "copy" turns stream copy on; any other name is the codec,
// looked up when a file is opened.
void SetCodecName(const std::string& value, std::string& codecName, bool& streamCopy)
{
    if (value.empty()) return;
    if (value == "copy")
        streamCopy = true;
    else
        codecName = value;
}

}  // namespace

void TCustomFFmpeg::OptVideoCodec(const std::string& name)
{
    SetCodecName(name, m_options.videoCodecName, m_options.videoStreamCopy);
}

void TCustomFFmpeg::OptAudioCodec(const std::string& name)
{
    SetCodecName(name, m_options.audioCodecName, m_options.audioStreamCopy);
}

void TCustomFFmpeg::OptSubtitleCodec(const std::string& name)
{
    SetCodecName(name, m_options.subtitleCodecName, m_options.subtitleStreamCopy);
}

void TCustomFFmpeg::OptAudioSampleRate(int rate)
{
    if (rate > 0) m_options.audioSampleRate = rate;
}

void TCustomFFmpeg::OptAudioChannels(int channels)
{
    if (channels > 0) m_options.audioChannels = channels;
}

void TCustomFFmpeg::OptAudioVolume(int volume) { m_options.audioVolume = volume; }

void TCustomFFmpeg::OptMetadata(const std::string& keyValue)
{
    const auto equals = keyValue.find('=');
    if (equals == std::string::npos) throw FFmpegException("Missing =");
    m_options.metadata.emplace_back(keyValue.substr(0, equals), keyValue.substr(equals + 1));
}

void TCustomFFmpeg::OptVideoFilters(const std::string& text) { m_options.videoFilters = text; }

void TCustomFFmpeg::SetVideoStatsFile()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H%M%S", &local);
    // An installed program's folder belongs to the package, so the file goes to the user's.
    const std::string folder = RunFilesFolder();
    m_options.videoStatsFileName = Format("%svstats_%s.log", folder.empty() ? "" : (folder + "/").c_str(), clock);
}

void TCustomFFmpeg::SetFrameHook(const std::string& value)
{
    // The module's name and its arguments, separated by "|" where the value has one (so that
    // arguments may hold blanks), else by blanks.
    const std::string separators = value.find('|') != std::string::npos ? "|" : " \t";
    std::vector<std::string> items;
    std::size_t start = value.find_first_not_of(separators);
    while (start != std::string::npos) {
        const std::size_t end = value.find_first_of(separators, start);
        items.push_back(value.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? end : value.find_first_not_of(separators, end);
    }
    constexpr std::size_t kMaxHookItems = 63;
    const auto log = [this](int level, const std::string& text) {
        std::string line = text;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        Log(level, line);
    };
    if (items.size() > kMaxHookItems || m_frameHooks.AddFrameHook(items, log) != kHookAdded)
        throw FFmpegException("Failed to add video hook function: " + value);
    m_hooksInUse = true;
}

void TCustomFFmpeg::SetMatrix(std::vector<std::uint16_t>& matrix, const std::string& text)
{
    RequireLibraries();
    std::vector<std::uint16_t> coefficients(64, 0);
    const char* position = text.c_str();
    for (int index = 0;; ++index) {
        char* end = nullptr;
        coefficients[index] = static_cast<std::uint16_t>(av::my_strtol(position, &end, 10));
        position = end;
        if (index == 63) break;
        if (*position != ',')
            throw FFmpegException(Format("Syntax error in matrix \"%s\" at coeff %d", text.c_str(), index));
        ++position;
    }
    matrix = std::move(coefficients);
}

void TCustomFFmpeg::AddBitstreamFilter(const std::string& optionName, const std::string& value)
{
    RequireLibraries();
    if (value.empty() || value[0] == '=') return;
    const auto equals = value.find('=');
    const std::string filterName = equals == std::string::npos ? value : value.substr(0, equals);
    const AVBitStreamFilter* filter = av::av_bsf_get_by_name(filterName.c_str());
    if (filter == nullptr) {
        std::string trimmed = value;
        trimmed.erase(0, trimmed.find_first_not_of(" \t"));
        trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
        throw FFmpegException(Format("Unknown bitstream filter %s", trimmed.c_str()));
    }
    auto& chain = optionName[0] == 'v'   ? m_options.videoBitstreamFilters
                  : optionName[0] == 'a' ? m_options.audioBitstreamFilters
                                         : m_options.subtitleBitstreamFilters;
    chain.push_back({filter, filterName});
}

namespace {

// Reads the numbers of a value such as "0.1:0.0": each number (decimal, 0 octal or 0x hex)
// is followed by exactly one separator character of any kind.
class TNumberReader {
public:
    explicit TNumberReader(const std::string& text) : m_position(text.c_str()) {}
    int Next()
    {
        char* end = nullptr;
        const long number = av::my_strtol(m_position, &end, 0);
        m_position = end;
        return static_cast<int>(number);
    }
    // Steps over one separator; false at the end of the text.
    bool Separator()
    {
        if (*m_position == '\0') return false;
        ++m_position;
        return true;
    }
    const char* Rest() const { return m_position; }

private:
    const char* m_position;
};

// Appends to a list the options may fill only up to a limit.
template <typename T>
void AppendUpTo(std::vector<T>& list, const T& item, int limit, const char* tooMany)
{
    if (list.size() >= static_cast<std::size_t>(limit)) throw FFmpegException(Format(tooMany, limit));
    list.push_back(item);
}

// "a:b" (any one non-digit between): two numbers.
std::pair<int, int> ReadNumberPair(TNumberReader& reader)
{
    const int first = reader.Next();
    reader.Separator();
    return {first, reader.Next()};
}

}  // namespace

void TCustomFFmpeg::AddStreamMap(const std::string& text)
{
    RequireLibraries();
    TNumberReader reader(text);
    TStreamMap map;
    std::tie(map.fileIndex, map.streamIndex) = ReadNumberPair(reader);
    if (reader.Separator()) {
        std::tie(map.syncFileIndex, map.syncStreamIndex) = ReadNumberPair(reader);
    } else {
        map.syncFileIndex = map.fileIndex;
        map.syncStreamIndex = map.streamIndex;
    }
    AppendUpTo(m_options.streamMaps, map, kMaxStreamMaps, "too many stream maps (at most %d)");
}

void TCustomFFmpeg::AddMetaDataMap(const std::string& text)
{
    RequireLibraries();
    TNumberReader reader(text);
    TMetaDataMap map;
    std::tie(map.outputFile, map.inputFile) = ReadNumberPair(reader);
    AppendUpTo(m_options.metaDataMaps, map, kMaxMetaDataMaps, "too many meta data maps (at most %d)");
}

void TCustomFFmpeg::SetTimestampScale(const std::string& text)
{
    RequireLibraries();
    TNumberReader reader(text);
    const int stream = reader.Next();
    if (stream >= kMaxStreams || stream < 0)
        throw FFmpegException(Format("stream index over MAX_STREAMS(%d)", kMaxStreams));
    reader.Separator();
    const int file = InputCount();
    if (file >= kMaxFiles) throw FFmpegException(Format("too many input files (at most %d)", kMaxFiles));
    if (m_options.inputTimestampScale.size() <= static_cast<std::size_t>(file))
        m_options.inputTimestampScale.resize(static_cast<std::size_t>(file) + 1, std::array<double, kMaxStreams>{});
    m_options.inputTimestampScale[file][stream] = av::my_strtod(reader.Rest(), nullptr);
}

std::uint32_t TCustomFFmpeg::CodecTag(const std::string& value, const char* message) const
{
    if (value.size() != 4) throw FFmpegException(message);
    return static_cast<std::uint8_t>(value[0]) | static_cast<std::uint8_t>(value[1]) << 8 |
           static_cast<std::uint8_t>(value[2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(value[3])) << 24;
}


}  // namespace mirelk
