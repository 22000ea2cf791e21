// Opening an input file: the demuxer's parameters come from the options given so far, and the
// input's properties go back into the options so that an output opened later inherits them.
#include <algorithm>
#include <cmath>

#include <sys/stat.h>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "binding/utilities.h"
#include "engine/custom_ffmpeg.h"
#include "engine/files/codec_lookup.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

// The parameters of raw and capture demuxers; the others leave them unused.
TAVDictionary DemuxerParameters(const TOptionState& options)
{
    TAVDictionary parameters;
    parameters.Set("sample_rate", std::to_string(options.audioSampleRate));
    parameters.Set("channels", std::to_string(options.audioChannels));
    if (options.frameRate.num > 0 && options.frameRate.den > 0)
        parameters.Set("framerate", Format("%d/%d", options.frameRate.num, options.frameRate.den));
    const int width = options.frameWidth + options.padLeft + options.padRight;
    const int height = options.frameHeight + options.padTop + options.padBottom;
    if (width > 0 && height > 0) parameters.Set("video_size", Format("%dx%d", width, height));
    if (options.framePixelFormat >= 0) {
        const char* name = av::av_get_pix_fmt_name(static_cast<AVPixelFormat>(options.framePixelFormat));
        if (name != nullptr) parameters.Set("pixel_format", name);
    }
    if (options.videoChannel != 0) parameters.Set("channel", std::to_string(options.videoChannel));
    if (!options.videoStandard.empty()) parameters.Set("standard", options.videoStandard);
    return parameters;
}

// Whether any demuxer recognises the file's data (or its name): tells an unknown format from a
// known one whose header is broken, which the library reports with the same code.
bool SomeDemuxerClaims(const std::string& fileName)
{
    AVIOContext* io = nullptr;
    if (av::avio_open(&io, fileName.c_str(), AVIO_FLAG_READ) < 0) return true;
    const AVInputFormat* format = nullptr;
    const int result = av::av_probe_input_buffer2(io, &format, fileName.c_str(), nullptr, 0, 0);
    av::avio_closep(&io);
    return result >= 0 && format != nullptr;
}

const AVCodec* DecoderByName(const std::string& name, AVMediaType type)
{
    return name.empty() ? nullptr : FindCodecByName(name, type, false, nullptr);
}

// Whether a stream of the kind is read (not discarded) and moves (no cover).
bool IsReadStreamOf(const AVStream* stream, AVMediaType type)
{
    return stream->codecpar->codec_type == type && stream->discard < AVDISCARD_ALL &&
           !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

// Whether a packet starts a picture from which a read video stream can be decoded.
bool IsKeyPicture(const AVFormatContext* context, const AVPacket& packet)
{
    if (packet.stream_index < 0 || static_cast<unsigned>(packet.stream_index) >= context->nb_streams) return false;
    return IsReadStreamOf(context->streams[packet.stream_index], AVMEDIA_TYPE_VIDEO) &&
           (packet.flags & AV_PKT_FLAG_KEY);
}

bool ReadsStreamOf(const AVFormatContext* context, AVMediaType type)
{
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (IsReadStreamOf(context->streams[i], type)) return true;
    return false;
}

// Whether the first key picture read from where the input stands lies at or before position
// (the file's own time, microseconds). Reads on, so the input must be sought again afterwards.
bool KeyPictureBefore(AVFormatContext* context, AVPacket* packet, std::int64_t position)
{
    // Enough for key pictures many seconds apart; a file with none that often counts as none.
    constexpr int kMostPackets = 20000;
    for (int read = 0; read < kMostPackets && av::av_read_frame(context, packet) >= 0; ++read) {
        const bool key = IsKeyPicture(context, *packet);
        const std::int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        const AVRational timeBase =
            key ? context->streams[packet->stream_index]->time_base : AVRational{1, AV_TIME_BASE};
        av::av_packet_unref(packet);
        if (key && time != AV_NOPTS_VALUE) return av::av_rescale_q(time, timeBase, AV_TIME_BASE_Q) <= position;
    }
    return false;
}

}  // namespace

void SeekBeforeStart(AVFormatContext* context, std::int64_t position)
{
    // A failed seek leaves the input where it is; the run then skips to the start time.
    if (av::av_seek_frame(context, -1, position, AVSEEK_FLAG_BACKWARD) < 0) return;
    TPacketPtr packet(av::av_packet_alloc());
    if (!packet) return;
    const bool readsVideo = ReadsStreamOf(context, AVMEDIA_TYPE_VIDEO);
    // Some demuxers (a transport stream's) seek by time alone and may land past the key picture
    // before the start: the pictures up to the next key one could not be decoded. Step back
    // until a key picture comes first, each step twice as far, but not before the file's start.
    const std::int64_t fileStart = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    constexpr int kMostSteps = 8;
    std::int64_t found = position;
    std::int64_t margin = 500000;
    for (int step = 0;
         readsVideo && step < kMostSteps && !KeyPictureBefore(context, packet.get(), position) && found > fileStart;
         ++step, margin *= 2) {
        const std::int64_t target = std::max(position - margin, fileStart);
        if (av::av_seek_frame(context, -1, target, AVSEEK_FLAG_BACKWARD) < 0) break;
        found = target;
    }
    // A subtitle shown across the start is stored before it, and a seek to the picture before
    // the start passes it by: reading begins a little earlier, the run cuts it to the clip.
    constexpr std::int64_t kSubtitleLead = 5000000;
    if (ReadsStreamOf(context, AVMEDIA_TYPE_SUBTITLE)) found = std::max(found - kSubtitleLead, fileStart);
    av::av_seek_frame(context, -1, found, AVSEEK_FLAG_BACKWARD);
}

void RecordFileFacts(const std::string& fileName, TInputRecipe& recipe)
{
    struct stat facts {};
    if (::stat(fileName.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) {
        recipe.fileSize = -1;
        return;
    }
    recipe.fileSize = static_cast<std::int64_t>(facts.st_size);
    recipe.modifiedNanoseconds =
        static_cast<std::int64_t>(facts.st_mtim.tv_sec) * 1000000000 + static_cast<std::int64_t>(facts.st_mtim.tv_nsec);
}

TInputContextPtr OpenInputByRecipe(const std::string& fileName, const TInputRecipe& recipe, std::string& error)
{
    AVFormatContext* raw = av::avformat_alloc_context();
    if (raw == nullptr) {
        error = OpenErrorText(fileName, AVERROR(ENOMEM));
        return nullptr;
    }
    raw->video_codec_id = recipe.videoCodecId;
    raw->audio_codec_id = recipe.audioCodecId;
    raw->subtitle_codec_id = recipe.subtitleCodecId;
    // The library takes the entries it uses out of the dictionary it is given.
    TAVDictionary demuxerOptions = recipe.demuxerOptions;
    // On failure the library frees the context itself.
    const int opened = av::avformat_open_input(&raw, fileName.c_str(), recipe.format, demuxerOptions.Address());
    if (opened < 0) {
        const int code = opened == AVERROR_INVALIDDATA && recipe.format == nullptr && !SomeDemuxerClaims(fileName)
                             ? AVERROR_DEMUXER_NOT_FOUND
                             : opened;
        error = OpenErrorText(fileName, code);
        return nullptr;
    }
    TInputContextPtr context(raw);
    if (recipe.programId != 0) {
        for (unsigned i = 0; i < raw->nb_programs; ++i)
            if (raw->programs[i]->id != recipe.programId) raw->programs[i]->discard = AVDISCARD_ALL;
    }
    int found = 0;
    {
        // Other tasks and the prober open codecs at the same time.
        std::lock_guard<std::mutex> lock(CodecLock());
        found = av::avformat_find_stream_info(raw, nullptr);
    }
    if (found < 0 && !recipe.ignoreMissingStreamInfo) {
        error = Format("%s: could not find codec parameters", fileName.c_str());
        return nullptr;
    }
    return context;
}

void TCustomFFmpeg::ClearPerFileOptions()
{
    m_options.forcedFormatName.clear();
    m_options.forcedInputFormat = nullptr;
    m_options.forcedOutputFormat = nullptr;
    m_options.videoChannel = 0;
    m_options.videoCodecName.clear();
    m_options.audioCodecName.clear();
    m_options.subtitleCodecName.clear();
}

bool TCustomFFmpeg::OpenInputFile(const std::string& fileName)
{
    RequireLibraries();
    struct TClearAfterwards {
        TCustomFFmpeg& task;
        ~TClearAfterwards() { task.ClearPerFileOptions(); }
    } clearAfterwards{*this};

    if (InputCount() >= kMaxFiles) {
        LastErrMsg = Format("Too many input files (at most %d)", kMaxFiles);
        return false;
    }
    const AVCodec* videoDecoder = nullptr;
    const AVCodec* audioDecoder = nullptr;
    const AVCodec* subtitleDecoder = nullptr;
    try {
        videoDecoder = DecoderByName(m_options.videoCodecName, AVMEDIA_TYPE_VIDEO);
        audioDecoder = DecoderByName(m_options.audioCodecName, AVMEDIA_TYPE_AUDIO);
        subtitleDecoder = DecoderByName(m_options.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE);
    } catch (const FFmpegException& error) {
        LastErrMsg = error.what();
        return false;
    }

    TInputRecipe recipe;
    recipe.format = m_options.forcedInputFormat;
    if (videoDecoder != nullptr) recipe.videoCodecId = videoDecoder->id;
    if (m_options.oldImageInput) recipe.videoCodecId = AV_CODEC_ID_PGMYUV;
    if (audioDecoder != nullptr) recipe.audioCodecId = audioDecoder->id;
    if (subtitleDecoder != nullptr) recipe.subtitleCodecId = subtitleDecoder->id;
    recipe.demuxerOptions = m_avOptions->FormatOptionsWith(AV_OPT_FLAG_DECODING_PARAM);
    const TAVDictionary parameters = DemuxerParameters(m_options);
    av::av_dict_copy(recipe.demuxerOptions.Address(), parameters.Raw(), AV_DICT_DONT_OVERWRITE);
    recipe.programId = m_options.programId;
    recipe.ignoreMissingStreamInfo = m_options.verbosity < 0;
    RecordFileFacts(fileName, recipe);

    TOpenInput input;
    input.context = OpenInputByRecipe(fileName, recipe, LastErrMsg);
    if (!input.context) return false;
    input.fileName = fileName;
    AVFormatContext* context = input.context.get();

    ReadInputStreams(input);
    std::int64_t seekPosition = m_options.startTime;
    if (context->start_time != AV_NOPTS_VALUE) seekPosition += context->start_time;
    if (m_options.startTime != 0) {
        // After the streams' discard marks: only the pictures that are read need a key one.
        SeekBeforeStart(context, seekPosition);
        m_options.startTime = 0;
        recipe.seek = true;
        recipe.seekPosition = seekPosition;
    }
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        recipe.streams.push_back({stream->codecpar->codec_type, stream->codecpar->codec_id, stream->r_frame_rate,
                                  stream->discard, (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0,
                                  stream->codecpar->width, stream->codecpar->height});
    }
    input.recipe = std::move(recipe);
    const int inputIndex = InputCount();
    // The decoders named by options, for the streams of their type.
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVMediaType type = context->streams[i]->codecpar->codec_type;
        const AVCodec* decoder = type == AVMEDIA_TYPE_VIDEO      ? videoDecoder
                                 : type == AVMEDIA_TYPE_AUDIO    ? audioDecoder
                                 : type == AVMEDIA_TYPE_SUBTITLE ? subtitleDecoder
                                                                 : nullptr;
        m_inputStreams.push_back({inputIndex, static_cast<int>(i), decoder});
    }

    if (context->duration != AV_NOPTS_VALUE && context->duration / 1000 > m_options.expectedTotalDuration)
        m_options.expectedTotalDuration = context->duration / 1000;
    input.timestampOffset = m_options.copyTimestamps ? m_options.inputTimestampOffset
                                                     : m_options.inputTimestampOffset - seekPosition;
    if (m_options.verbosity >= 0) av::av_dump_format(context, inputIndex, fileName.c_str(), 0);
    m_inputs.push_back(std::move(input));
    return true;
}

void TCustomFFmpeg::ReadInputStreams(TOpenInput& input)
{
    AVFormatContext* context = input.context.get();
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream* stream = context->streams[i];
        AVCodecParameters* codec = stream->codecpar;
        switch (codec->codec_type) {
        case AVMEDIA_TYPE_AUDIO:
            m_options.audioChannelLayout =
                codec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? codec->ch_layout.u.mask : 0;
            m_options.audioChannels = codec->ch_layout.nb_channels;
            m_options.audioSampleRate = codec->sample_rate;
            m_options.audioSampleFormat = codec->format;
            if (m_options.audioDisable) stream->discard = AVDISCARD_ALL;
            break;
        case AVMEDIA_TYPE_VIDEO: {
            m_options.frameWidth = codec->width;
            m_options.frameHeight = codec->height;
            const AVRational sampleAspect =
                stream->sample_aspect_ratio.num != 0 ? stream->sample_aspect_ratio : codec->sample_aspect_ratio;
            double ratio = sampleAspect.den != 0 ? static_cast<double>(sampleAspect.num) / sampleAspect.den : 0.0;
            if (codec->width * codec->height == 0) {
                if (m_options.frameAspectRatio == 0.0f) m_options.frameAspectRatio = 4.0f / 3.0f;
            } else {
                ratio = ratio != 0.0 ? ratio * codec->width / codec->height
                                     : static_cast<double>(codec->width) / codec->height;
                m_options.frameAspectRatio = static_cast<float>(ratio);
            }
            if (codec->format < 0) codec->format = AV_PIX_FMT_YUV420P;
            m_options.framePixelFormat = codec->format;
            m_options.pixelFormatAsked = false;
            // The container's average rate against the rate the stream's timestamps really run at.
            const AVRational codecRate = stream->avg_frame_rate;
            const AVRational streamRate = stream->r_frame_rate;
            if (codecRate.num > 0 && codecRate.den > 0 && streamRate.num > 0 && streamRate.den > 0 &&
                (codecRate.num != streamRate.num || codecRate.den != streamRate.den) && m_options.verbosity > 0)
                Log(kLevelInfo, Format("Seems stream %d codec frame rate differs from container frame rate: "
                                       "%2.2f (%d/%d) -> %2.2f (%d/%d)",
                                       i, static_cast<double>(codecRate.num) / codecRate.den, codecRate.num,
                                       codecRate.den, static_cast<double>(streamRate.num) / streamRate.den,
                                       streamRate.num, streamRate.den));
            m_options.frameRate = streamRate;
            if (m_options.videoDisable)
                stream->discard = AVDISCARD_ALL;
            else if (m_options.videoDiscard != 0)
                stream->discard = static_cast<AVDiscard>(m_options.videoDiscard);
            break;
        }
        case AVMEDIA_TYPE_SUBTITLE:
            if (m_options.subtitleDisable) stream->discard = AVDISCARD_ALL;
            break;
        case AVMEDIA_TYPE_DATA:
        case AVMEDIA_TYPE_ATTACHMENT:
        case AVMEDIA_TYPE_UNKNOWN:
            break;
        default:
            throw FFmpegException("invalid codec_type");
        }
    }
}

std::vector<AVRational> TCustomFFmpeg::OpenInputVideoRates() const
{
    std::vector<AVRational> rates;
    for (const TOpenInput& input : m_inputs)
        for (const TInputStreamFacts& stream : input.recipe.streams)
            if (stream.type == AVMEDIA_TYPE_VIDEO) rates.push_back(stream.frameRate);
    return rates;
}

}  // namespace mirelk
