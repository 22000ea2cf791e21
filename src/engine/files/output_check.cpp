#include "engine/files/output_check.h"

#include <algorithm>
#include <cstring>

#include "binding/av_owners.h"
#include "binding/entry_points.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"

namespace mirelk {

namespace {

constexpr std::int64_t kSecond = 1000000;

struct TFoundStream {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    bool attachedPicture = false;
    std::int64_t packets = 0;
    // Microseconds, in the file's time.
    std::int64_t first = INT64_MAX;
    std::int64_t last = INT64_MIN;
    // The durations of packets that carry no time (a raw stream), summed.
    std::int64_t untimed = 0;
    // -1 when it cannot be told.
    std::int64_t Duration() const
    {
        if (packets > 0 && last >= first) return last - first;
        return untimed > 0 ? untimed : -1;
    }
};

const char* TypeName(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return "video";
    case AVMEDIA_TYPE_AUDIO: return "audio";
    case AVMEDIA_TYPE_SUBTITLE: return "subtitle";
    default: return "data";
    }
}

std::string Seconds(std::int64_t microseconds)
{
    return Format("%.3f", static_cast<double>(microseconds) / static_cast<double>(kSecond));
}

// The MP4 family keeps a table of every sample in its header, written last: a file that has
// it is whole, and its counts and lengths need no reading of the data.
bool HasSampleIndex(const AVFormatContext& context)
{
    return context.iformat != nullptr && std::strstr(context.iformat->name, "mov") != nullptr;
}

void ReadIndex(const AVFormatContext& context, std::vector<TFoundStream>& found)
{
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVStream* stream = context.streams[i];
        TFoundStream& facts = found[i];
        facts.packets = stream->nb_frames;
        if (stream->duration != AV_NOPTS_VALUE && stream->duration >= 0) {
            facts.first = 0;
            facts.last = av::av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q);
        }
    }
}

int ReadPackets(AVFormatContext& context, std::vector<TFoundStream>& found)
{
    const TPacketPtr packet(av::av_packet_alloc());
    if (!packet) return 0;
    int count = 0;
    while (av::av_read_frame(&context, packet.get()) >= 0) {
        ++count;
        // A stream that shows up in the data only (a program stream has no header of streams).
        while (found.size() < context.nb_streams) {
            const AVStream* added = context.streams[found.size()];
            TFoundStream facts;
            facts.type = added->codecpar->codec_type;
            found.push_back(facts);
        }
        const AVStream* stream = context.streams[packet->stream_index];
        TFoundStream& facts = found[static_cast<std::size_t>(packet->stream_index)];
        ++facts.packets;
        const std::int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        const std::int64_t length = std::max<std::int64_t>(packet->duration, 0);
        if (time != AV_NOPTS_VALUE) {
            const std::int64_t start = av::av_rescale_q(time, stream->time_base, AV_TIME_BASE_Q);
            const std::int64_t end = av::av_rescale_q(time + length, stream->time_base, AV_TIME_BASE_Q);
            facts.first = std::min(facts.first, start);
            facts.last = std::max(facts.last, end);
        } else {
            facts.untimed += av::av_rescale_q(length, stream->time_base, AV_TIME_BASE_Q);
        }
        av::av_packet_unref(packet.get());
    }
    return count;
}

}  // namespace

bool DurationMatches(std::int64_t actual, std::int64_t expected)
{
    return actual >= expected - std::max<std::int64_t>(kSecond, expected / 50);
}

std::string CheckOutputFile(const std::string& fileName, const std::string& shownName,
                            const std::vector<TExpectedStream>& streams, std::int64_t duration,
                            TOutputCheckFacts* facts)
{
    AVFormatContext* raw = nullptr;
    const int opened = av::avformat_open_input(&raw, fileName.c_str(), nullptr, nullptr);
    if (opened < 0)
        return Format("The output '%s' does not open: %s", shownName.c_str(), LibraryErrorText(opened).c_str());
    const TInputContextPtr context(raw);
    std::vector<TFoundStream> found(context->nb_streams);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        found[i].type = context->streams[i]->codecpar->codec_type;
        found[i].attachedPicture = (context->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
    }
    const bool index = HasSampleIndex(*context);
    int packetsRead = 0;
    if (index) ReadIndex(*context, found);
    else packetsRead = ReadPackets(*context, found);
    if (facts != nullptr) {
        facts->readIndex = index;
        facts->packetsRead = packetsRead;
    }

    std::vector<TExpectedStream> expected = streams;
    if (expected.empty())
        for (const TFoundStream& stream : found) {
            if (stream.type != AVMEDIA_TYPE_AUDIO && (stream.type != AVMEDIA_TYPE_VIDEO || stream.attachedPicture))
                continue;
            TExpectedStream wanted;
            wanted.type = stream.type;
            wanted.duration = duration;
            expected.push_back(wanted);
        }
    if (expected.empty() && streams.empty())
        return Format("The output '%s' holds no sound and no pictures", shownName.c_str());

    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TExpectedStream& wanted = expected[i];
        if (wanted.type == AVMEDIA_TYPE_UNKNOWN) continue;
        // The same place among the streams of its type, in the output and in the file.
        int ordinal = 0;
        for (std::size_t j = 0; j < i; ++j) ordinal += expected[j].type == wanted.type ? 1 : 0;
        const TFoundStream* match = nullptr;
        for (const TFoundStream& stream : found)
            if (stream.type == wanted.type && ordinal-- == 0) {
                match = &stream;
                break;
            }
        // A picture the format keeps as a cover is in its header, not among its packets, and
        // has no length.
        if (match != nullptr && match->attachedPicture) continue;
        const int number = static_cast<int>(i);
        if (match == nullptr || match->packets <= 0) {
            if (!wanted.needsPackets) continue;
            return Format("The output '%s' holds no packets of its %s stream #%d", shownName.c_str(),
                          TypeName(wanted.type), number);
        }
        if (wanted.duration < 0) continue;
        const std::int64_t actual = match->Duration();
        if (actual < 0) continue;
        if (!DurationMatches(actual, wanted.duration))
            return Format("The output '%s' holds %s s of its %s stream #%d where %s s were asked", shownName.c_str(),
                          Seconds(actual).c_str(), TypeName(wanted.type), number,
                          Seconds(wanted.duration).c_str());
    }
    return {};
}

}  // namespace mirelk
