#include "probe/custom_av_probe.h"

#include <mutex>
#include <stdexcept>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "binding/utilities.h"
#include "probe/open_failure.h"
#include "probe/probe_log.h"
#include "probe/probe_metadata.h"
#include "probe/probe_text.h"

namespace mirelk {

using probing::LeadingNumber;
using probing::MetadataValue;
using probing::OpenFailureText;
using probing::ProbeLog;

namespace {

const char kFileNotLoaded[] = "file not loaded.\n";

bool ProbeLibrariesLoaded()
{
    return FFLoader().LibsLoaded({libAVCodec, libAVFormat, libAVUtil, libSwScale});
}

// The first of the keys that is set: demuxers name some tags differently.
std::string FirstTag(const AVDictionary* metadata, const char* key, const char* alternative)
{
    std::string value = MetadataValue(metadata, key);
    return value.empty() ? MetadataValue(metadata, alternative) : value;
}

// Seconds since 1970 of the file's "creation_time" tag; 0 when it has none that parses.
std::int64_t CreationTime(const AVDictionary* metadata)
{
    const std::string text = MetadataValue(metadata, "creation_time");
    std::int64_t microseconds = 0;
    if (text.empty() || av::av_parse_time(&microseconds, text.c_str(), 0) < 0) return 0;
    return microseconds / 1000000;
}

std::int64_t UnknownAsMinusOne(std::int64_t value) { return value == AV_NOPTS_VALUE ? -1 : value; }

}  // namespace

TCustomAVProbe::~TCustomAVProbe() { TCustomAVProbe::Close(); }

void TCustomAVProbe::CheckLibraries()
{
    if (!FFLoader().LibLoaded(libAVCodec)) throw std::runtime_error("LibAVCodec not loaded.");
    if (!FFLoader().LibLoaded(libAVFormat)) throw std::runtime_error("LibAVFormat not loaded.");
    if (!FFLoader().LibLoaded(libAVUtil)) throw std::runtime_error("LibAVUtil not loaded.");
    if (!FFLoader().LibLoaded(libSwScale)) throw std::runtime_error("LibSwScale not loaded.");
}

bool TCustomAVProbe::Open(const std::string& fileName, const std::string& formatName)
{
    CheckLibraries();
    Close();

    const AVInputFormat* forcedFormat = nullptr;
    if (!formatName.empty()) {
        forcedFormat = av::av_find_input_format(formatName.c_str());
        if (forcedFormat == nullptr) {
            m_lastErrMsg = Format("Unknown input format: %s", formatName.c_str());
            return false;
        }
    }

    AVFormatContext* opened = nullptr;
    // On failure the library frees what it allocated and leaves the pointer null.
    const int result = av::avformat_open_input(&opened, fileName.c_str(), forcedFormat, nullptr);
    if (result < 0) {
        m_lastErrMsg = OpenFailureText(fileName, result, forcedFormat != nullptr);
        return false;
    }
    m_ownedContext.reset(opened);
    m_context = opened;

    int found = 0;
    {
        // Reading stream information opens decoders, which tasks in other threads do as well.
        std::lock_guard<std::mutex> lock(CodecLock());
        found = av::avformat_find_stream_info(opened, nullptr);
    }
    if (found < 0) {
        m_lastErrMsg = Format("%s: could not find codec parameters", fileName.c_str());
        Close();
        return false;
    }
    CountStreams();
    m_forcedFormat = formatName;
    return true;
}

void TCustomAVProbe::Attach(AVFormatContext* context)
{
    CheckLibraries();
    Close();
    m_context = context;
    if (context != nullptr) CountStreams();
}

void TCustomAVProbe::KeepDescription()
{
    if (!IsAttached() || m_description || Context() == nullptr) return;
    TFormatContextPtr copy = probing::CopyDescription(*m_context);
    if (!copy) {
        // Better no answers than answers from a context its owner is about to close.
        ForgetContext();
        return;
    }
    m_description = std::move(copy);
    m_context = m_description.get();
}

void TCustomAVProbe::Close()
{
    m_forcedFormat.clear();
    ForgetContext();
}

void TCustomAVProbe::ForgetContext()
{
    // An attached context is its owner's to close.
    m_ownedContext.reset();
    m_description.reset();
    m_context = nullptr;
    m_streamCount = m_programCount = -1;
    m_audioStreamCount = m_videoStreamCount = m_subtitleStreamCount = -1;
    m_firstAudioStream = m_firstVideoStream = m_firstSubtitleStream = -1;
}

int TCustomAVProbe::FirstAudioChannels() const
{
    const AVFormatContext* context = Context();
    if (context == nullptr || m_firstAudioStream < 0) return -1;
    const int channels = context->streams[m_firstAudioStream]->codecpar->ch_layout.nb_channels;
    return channels > 0 ? channels : -1;
}

void TCustomAVProbe::CountStreams()
{
    m_streamCount = static_cast<int>(m_context->nb_streams);
    m_programCount = static_cast<int>(m_context->nb_programs);
    m_audioStreamCount = m_videoStreamCount = m_subtitleStreamCount = 0;
    m_firstAudioStream = m_firstVideoStream = m_firstSubtitleStream = -1;
    for (int i = 0; i < m_streamCount; ++i) {
        switch (m_context->streams[i]->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            ++m_videoStreamCount;
            if (m_firstVideoStream < 0) m_firstVideoStream = i;
            break;
        case AVMEDIA_TYPE_AUDIO:
            ++m_audioStreamCount;
            if (m_firstAudioStream < 0) m_firstAudioStream = i;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            ++m_subtitleStreamCount;
            if (m_firstSubtitleStream < 0) m_firstSubtitleStream = i;
            break;
        default:
            break;
        }
    }
}

AVFormatContext* TCustomAVProbe::Context() const { return ProbeLibrariesLoaded() ? m_context : nullptr; }

std::string TCustomAVProbe::DemuxerName() const
{
    const AVFormatContext* context = Context();
    if (context == nullptr || context->iformat == nullptr || context->iformat->name == nullptr) return std::string();
    return context->iformat->name;
}

std::string TCustomAVProbe::GetFileName() const
{
    const AVFormatContext* context = Context();
    if (context == nullptr) {
        ProbeLog(kLevelInfo, kFileNotLoaded);
        return std::string();
    }
    return context->url != nullptr ? context->url : std::string();
}

std::string TCustomAVProbe::GetFormatName() const
{
    if (Context() == nullptr) {
        ProbeLog(kLevelInfo, kFileNotLoaded);
        return std::string();
    }
    return DemuxerName();
}

std::int64_t TCustomAVProbe::FileSizeOf(const AVFormatContext* context) const
{
    std::int64_t size = context->pb != nullptr ? av::avio_size(context->pb) : 0;
    // Demuxers that read their files themselves (picture sequences) have no byte stream here.
    if (size <= 0 && context->url != nullptr) {
        const std::int64_t onDisk = GetFileSizeByName(context->url);
        if (onDisk >= 0) size = onDisk;
    }
    return size;
}

std::int64_t TCustomAVProbe::GetFileSize() const
{
    const AVFormatContext* context = Context();
    if (context == nullptr) {
        ProbeLog(kLevelInfo, kFileNotLoaded);
        return -1;
    }
    return FileSizeOf(context);
}

TAVFileInfo TCustomAVProbe::GetFileInfo() const
{
    TAVFileInfo info;
    const AVFormatContext* context = Context();
    if (context == nullptr) {
        ProbeLog(kLevelInfo, kFileNotLoaded);
        return info;
    }
    info.StartTime = UnknownAsMinusOne(context->start_time);
    info.Duration = UnknownAsMinusOne(context->duration);
    info.BitRate = context->bit_rate;
    info.TimeStamp = CreationTime(context->metadata);
    info.Title = MetadataValue(context->metadata, "title");
    info.Author = FirstTag(context->metadata, "author", "artist");
    info.Copyright = MetadataValue(context->metadata, "copyright");
    info.Comment = MetadataValue(context->metadata, "comment");
    info.Album = MetadataValue(context->metadata, "album");
    info.Year = LeadingNumber(FirstTag(context->metadata, "date", "year"));
    info.Track = LeadingNumber(MetadataValue(context->metadata, "track"));
    info.Genre = MetadataValue(context->metadata, "genre");
    return info;
}

TAVVideoStreamInfo TCustomAVProbe::GetVideoStreamInfo(int streamIndex) const
{
    TAVVideoStreamInfo info;
    const AVFormatContext* context = Context();
    if (context == nullptr) {
        ProbeLog(kLevelInfo, kFileNotLoaded);
        return info;
    }
    const int index = streamIndex < 0 ? m_firstVideoStream : streamIndex;
    if (index < 0) {
        ProbeLog(kLevelError, "no video stream.\n");
        return info;
    }
    if (index >= m_streamCount) {
        ProbeLog(kLevelError, Format("stream index #%d is invalid.\n", index));
        return info;
    }
    const AVStream* stream = context->streams[index];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->codec_type != AVMEDIA_TYPE_VIDEO) {
        ProbeLog(kLevelError, Format("stream #%d is not video stream.\n", index));
        return info;
    }

    constexpr AVRational kMicroseconds{1, 1000000};
    info.Language = MetadataValue(stream->metadata, "language");
    info.CodecName = av::avcodec_get_name(parameters->codec_id);
    info.StartTime = stream->start_time;
    if (stream->start_time != AV_NOPTS_VALUE)
        info.StartTimeUS = av::av_rescale_q(stream->start_time, stream->time_base, kMicroseconds);
    info.Duration = stream->duration;
    if (stream->duration != AV_NOPTS_VALUE)
        info.DurationUS = av::av_rescale_q(stream->duration, stream->time_base, kMicroseconds);
    info.BitRate = parameters->bit_rate;
    info.Height = parameters->height;
    info.Width = parameters->width;
    if (parameters->height > 0) {
        // An unknown sample aspect (0/1) means square pixels, not a zero-wide picture.
        AVRational sampleAspect = parameters->sample_aspect_ratio;
        if (sampleAspect.num <= 0 || sampleAspect.den <= 0) sampleAspect = stream->sample_aspect_ratio;
        if (sampleAspect.num <= 0 || sampleAspect.den <= 0) sampleAspect = AVRational{1, 1};
        info.AspectRatio = static_cast<float>(static_cast<double>(sampleAspect.num) / sampleAspect.den *
                                              parameters->width / parameters->height);
    }
    info.PixelFormat = parameters->format;
    info.FrameRateNum = stream->r_frame_rate.num;
    info.FrameRateDen = stream->r_frame_rate.den;
    return info;
}

}  // namespace mirelk
