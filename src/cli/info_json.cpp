#include "cli/info_json.h"

#include "binding/entry_points.h"
#include "probe/av_probe.h"

namespace mirelk {

namespace {

using nlohmann::json;

// The prober with its opened context in reach: the JSON description reads fields of the
// streams that the prober's own records do not carry.
class TDescribedFile : public TAVProbe {
public:
    using TCustomAVProbe::Context;
};

json Tags(const AVDictionary* metadata)
{
    json tags = json::object();
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av::av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr)
        tags[entry->key] = entry->value != nullptr ? entry->value : "";
    return tags;
}

json Seconds(std::int64_t value, AVRational timeBase)
{
    if (value == AV_NOPTS_VALUE || timeBase.den == 0) return json();
    return static_cast<double>(value) * timeBase.num / timeBase.den;
}

json PositiveOrNull(std::int64_t value) { return value > 0 ? json(value) : json(); }

json TextOrNull(const char* text) { return text != nullptr ? json(text) : json(); }

json Rate(AVRational rate)
{
    if (rate.num <= 0 || rate.den <= 0) return json();
    return static_cast<double>(rate.num) / rate.den;
}

json Stream(const AVStream& stream)
{
    const AVCodecParameters& codec = *stream.codecpar;
    json object;
    object["index"] = stream.index;
    object["type"] = TextOrNull(av::av_get_media_type_string(codec.codec_type));
    object["codec"] = TextOrNull(av::avcodec_get_name(codec.codec_id));
    object["bit_rate"] = PositiveOrNull(codec.bit_rate);
    object["duration"] = Seconds(stream.duration, stream.time_base);
    if (codec.codec_type == AVMEDIA_TYPE_VIDEO) {
        object["width"] = codec.width;
        object["height"] = codec.height;
        const AVRational rate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
        object["frame_rate"] = Rate(rate);
        object["pixel_format"] = TextOrNull(av::av_get_pix_fmt_name(static_cast<AVPixelFormat>(codec.format)));
    } else if (codec.codec_type == AVMEDIA_TYPE_AUDIO) {
        object["channels"] = codec.ch_layout.nb_channels;
        object["sample_rate"] = codec.sample_rate;
        object["sample_format"] =
            TextOrNull(av::av_get_sample_fmt_name(static_cast<AVSampleFormat>(codec.format)));
    }
    object["tags"] = Tags(stream.metadata);
    return object;
}

}  // namespace

json DescribeFile(const std::string& fileName, std::string& error)
{
    json object;
    object["event"] = "info";
    object["file"] = fileName;
    TDescribedFile file;
    if (!file.Open(fileName)) {
        error = file.LastErrMsg();
        object["error"] = error;
        return object;
    }
    const AVFormatContext& context = *file.Context();
    object["format"] = TextOrNull(context.iformat != nullptr ? context.iformat->name : nullptr);
    object["duration"] = Seconds(context.duration, AVRational{1, AV_TIME_BASE});
    object["start_time"] = Seconds(context.start_time, AVRational{1, AV_TIME_BASE});
    object["bit_rate"] = PositiveOrNull(context.bit_rate);
    object["size"] = file.GetFileSize();
    json streams = json::array();
    for (unsigned i = 0; i < context.nb_streams; ++i) streams.push_back(Stream(*context.streams[i]));
    object["streams"] = std::move(streams);
    object["tags"] = Tags(context.metadata);
    return object;
}

}  // namespace mirelk
