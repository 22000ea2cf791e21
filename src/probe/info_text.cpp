// The multi-line description of a file: file facts, then programs and streams.
#include <algorithm>
#include <cctype>
#include <vector>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "binding/utilities.h"
#include "probe/custom_av_probe.h"
#include "probe/probe_log.h"
#include "probe/probe_metadata.h"
#include "probe/probe_text.h"

namespace mirelk {

using probing::MetadataValue;
using probing::MicrosecondsAsSeconds;
using probing::ProbeLog;
using probing::StandardLocalTimeText;

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

std::string Trimmed(const std::string& text)
{
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

double RateOrZero(AVRational rate) { return rate.num != 0 && rate.den != 0 ? av_q2d(rate) : 0.0; }

// What the codec library says about a stream's coding ("Video: h264 (High) ..., 1920x1080").
std::string CodecDescription(const AVStream* stream)
{
    const TUnopenedCodecContextPtr codec(av::avcodec_alloc_context3(nullptr));
    if (codec == nullptr || av::avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0) return std::string();
    char text[256] = {};
    av::avcodec_string(text, sizeof text, codec.get(), 0);
    return text;
}

std::string ProgramLine(const AVProgram* program)
{
    const std::string name = MetadataValue(program->metadata, "service_name");
    const std::string provider = MetadataValue(program->metadata, "service_provider");
    return Format("Program %d %s%s", program->id, name.empty() ? "N/A" : name.c_str(),
                  provider.empty() ? "@N/A" : ("@" + provider).c_str());
}

std::string StreamLine(const AVFormatContext* context, unsigned streamIndex)
{
    const AVStream* stream = context->streams[streamIndex];
    std::string line = Format("Stream #%u", streamIndex);
    if (context->iformat != nullptr && (context->iformat->flags & AVFMT_SHOW_IDS) != 0)
        line += LowerCase(Format("[0x%x]", static_cast<unsigned>(stream->id)));
    const std::string language = Trimmed(MetadataValue(stream->metadata, "language"));
    if (!language.empty()) line += "(" + language + ")";

    const AVRational timeBase = stream->time_base;
    // A stream without a time base (0/0) has no common divisor to reduce by.
    const int divisor = static_cast<int>(std::max<std::int64_t>(av::av_gcd(timeBase.num, timeBase.den), 1));
    line += Format(", %d/%d", timeBase.num / divisor, timeBase.den / divisor);
    line += ": " + CodecDescription(stream);

    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (stream->r_frame_rate.num != 0 && stream->r_frame_rate.den != 0)
            line += Format(", %5.2f tb(r)", av_q2d(stream->r_frame_rate));
        else
            // The codec's own clock is not published by the library; the demuxer's average
            // frame rate is the nearest thing to it (0.00 when that is unknown too).
            line += Format(", %5.2f tb(c)", RateOrZero(stream->avg_frame_rate));
    }
    if (stream->start_time != AV_NOPTS_VALUE)
        line += ", StartTime: " +
                MicrosecondsAsSeconds(av::av_rescale_q(stream->start_time, timeBase, kMicroseconds));
    if (stream->duration != AV_NOPTS_VALUE)
        line += ", Duration: " + FormatDuration(av::av_rescale_q(stream->duration, timeBase, kMicroseconds));
    else
        line += ", Duration: N/A";
    return line;
}

}  // namespace

std::string TCustomAVProbe::GetInfoText() const
{
    const AVFormatContext* context = Context();
    if (context == nullptr) {
        ProbeLog(kLevelInfo, "file not loaded.\n");
        return std::string();
    }
    std::vector<std::string> lines;
    const AVInputFormat* format = context->iformat;
    lines.push_back(Format("File Name: %s", context->url != nullptr ? context->url : ""));
    lines.push_back(Format("Format Name: %s", format != nullptr && format->name != nullptr ? format->name : ""));
    lines.push_back(
        Format("Format Long Name: %s", format != nullptr && format->long_name != nullptr ? format->long_name : ""));
    lines.push_back("File Size: " + FormatFileSize(FileSizeOf(context)));

    const TAVFileInfo info = GetFileInfo();
    if (info.StartTime != -1) lines.push_back("StartTime: " + MicrosecondsAsSeconds(info.StartTime));
    lines.push_back(info.Duration != -1 ? "Duration: " + FormatDuration(info.Duration) : "Duration: N/A");
    lines.push_back(info.BitRate >= 1 ? Format("Bit Rate: %lld Kbps", static_cast<long long>(info.BitRate / 1000))
                                      : "Bit Rate: N/A");
    if (info.TimeStamp > 0) lines.push_back("Time Stamp: " + StandardLocalTimeText(info.TimeStamp));
    const std::pair<const char*, const std::string*> tags[] = {
        {"Title: ", &info.Title},     {"Author: ", &info.Author}, {"Copyright: ", &info.Copyright},
        {"Comment: ", &info.Comment}, {"Album: ", &info.Album},   {"Genre: ", &info.Genre}};
    for (const auto& [label, value] : tags)
        if (!value->empty()) lines.push_back(label + *value);
    if (info.Year > 0) lines.push_back(Format("Year: %d", info.Year));
    if (info.Track > 0) lines.push_back(Format("Track: #%d", info.Track));

    if (ProgramCount() > 0) {
        for (unsigned p = 0; p < context->nb_programs; ++p) {
            const AVProgram* program = context->programs[p];
            lines.push_back(ProgramLine(program));
            for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
                if (program->stream_index[k] < context->nb_streams)
                    lines.push_back(StreamLine(context, program->stream_index[k]));
        }
    } else {
        for (unsigned i = 0; i < context->nb_streams; ++i) lines.push_back(StreamLine(context, i));
    }

    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

}  // namespace mirelk
