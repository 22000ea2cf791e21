// The streams of an output file: one per media type at creation, more by the new-stream
// options. Each keeps the settings its encoder is opened with when the run starts.
#include <algorithm>
#include <cstring>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/custom_ffmpeg.h"
#include "engine/files/codec_lookup.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

// The encoder's format that keeps the decoded samples as they are, or at their depth with the
// channels laid out the other way (planar or packed), so that 16-bit sound does not grow to 32
// bits; the encoder's first format when it has neither.
AVSampleFormat EncoderSampleFormat(const AVSampleFormat* supported, AVSampleFormat decoded)
{
    const AVSampleFormat* sameDepth = nullptr;
    for (const AVSampleFormat* format = supported; *format != AV_SAMPLE_FMT_NONE; ++format) {
        if (*format == decoded) return decoded;
        if (sameDepth == nullptr && decoded != AV_SAMPLE_FMT_NONE &&
            av::av_get_packed_sample_fmt(*format) == av::av_get_packed_sample_fmt(decoded))
            sameDepth = format;
    }
    return sameDepth != nullptr ? *sameDepth : supported[0];
}

TOpenOutputStream NewStream(TOpenOutput& output, AVMediaType type, const AVCodec* encoder,
                            std::vector<TBitstreamFilterSpec>& filterChain)
{
    TOpenOutputStream created;
    created.stream = av::avformat_new_stream(output.context.get(), nullptr);
    if (created.stream == nullptr) throw FFmpegException("Could not alloc stream");
    created.stream->id = static_cast<int>(output.context->nb_streams) - 1;
    created.stream->codecpar->codec_type = type;
    created.codec.reset(av::avcodec_alloc_context3(encoder));
    if (!created.codec) throw FFmpegException("Could not alloc stream");
    created.codec->codec_type = type;
    created.encoder = encoder;
    // The chain given so far belongs to this stream; the next stream starts a new one.
    created.bitstreamFilters = std::move(filterChain);
    filterChain.clear();
    return created;
}

// The encoder named by an option, or the one the format and file name suggest.
const AVCodec* ChooseEncoder(const std::string& name, AVMediaType type, const TOpenOutput& output,
                             const std::function<void(const std::string&)>& notice, AVCodecID& codecId)
{
    if (!name.empty()) {
        const AVCodec* encoder = FindCodecByName(name, type, true, notice);
        codecId = encoder->id;
        return encoder;
    }
    codecId = av::av_guess_codec(output.context->oformat, nullptr, output.fileName.c_str(), nullptr, type);
    return codecId == AV_CODEC_ID_NONE ? nullptr : av::avcodec_find_encoder(codecId);
}

// Hands the generic options of a media type to a new encoder's settings. An option that only
// other encoders have is left for them; a value this encoder rejects is reported.
void ApplyCodecOptions(AVCodecContext* codec, const TAVDictionary& options)
{
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av::av_dict_get(options.Raw(), "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        const int result = av::av_opt_set(codec, entry->key, entry->value, AV_OPT_SEARCH_CHILDREN);
        if (result < 0 && result != AVERROR_OPTION_NOT_FOUND)
            av::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", entry->value, entry->key);
    }
}

// Items "start,end,q" separated by "/": a positive q is a fixed quantiser, any other value a
// quality factor of -q/100.
std::vector<RcOverride> ParseRateControlOverride(const std::string& text)
{
    std::vector<RcOverride> overrides;
    const char* position = text.c_str();
    while (*position != '\0') {
        RcOverride item{};
        char* end = nullptr;
        item.start_frame = static_cast<int>(av::my_strtol(position, &end, 10));
        if (end == position || *end != ',') throw FFmpegException("error parsing rc_override");
        position = end + 1;
        item.end_frame = static_cast<int>(av::my_strtol(position, &end, 10));
        if (end == position || *end != ',') throw FFmpegException("error parsing rc_override");
        position = end + 1;
        const int q = static_cast<int>(av::my_strtol(position, &end, 10));
        if (end == position) throw FFmpegException("error parsing rc_override");
        if (q > 0) {
            item.qscale = q;
            item.quality_factor = 1.0f;
        } else {
            item.qscale = 0;
            item.quality_factor = -static_cast<float>(q) / 100.0f;
        }
        overrides.push_back(item);
        position = end;
        if (*position == '/') ++position;
        else if (*position != '\0') throw FFmpegException("error parsing rc_override");
    }
    return overrides;
}

// A copy in library memory, which the codec context frees with itself.
template <typename T>
T* LibraryCopy(const T* data, std::size_t count)
{
    auto* copy = static_cast<T*>(av::av_malloc(sizeof(T) * count));
    if (copy == nullptr) throw FFmpegException("Could not alloc stream");
    std::memcpy(copy, data, sizeof(T) * count);
    return copy;
}

AVRational NearestRational(double value) { return av::av_d2q(value, 255); }

// The pixel format of a new video encoder: the one asked for or the source's when the encoder
// takes it; else the first of the encoder's when one was asked for, or the encoder's best match
// for the source (one that keeps odd sizes and full colour where the source has them).
AVPixelFormat ChoosePixelFormat(const AVCodec* encoder, AVPixelFormat wanted, bool asked)
{
    if (encoder == nullptr || encoder->pix_fmts == nullptr) return wanted;
    for (const AVPixelFormat* format = encoder->pix_fmts; *format != AV_PIX_FMT_NONE; ++format)
        if (*format == wanted) return wanted;
    if (asked || wanted == AV_PIX_FMT_NONE) return encoder->pix_fmts[0];
    const AVPixelFormat best = av::avcodec_find_best_pix_fmt_of_list(encoder->pix_fmts, wanted, 0, nullptr);
    return best != AV_PIX_FMT_NONE ? best : encoder->pix_fmts[0];
}

// What the options hold for the next output stream of one media type: used up by that stream.
struct TNextStreamOptions {
    AVMediaType type;
    TMediaIndex media;
    int parameterFlag;
    // Subtitles are encoded only with a named encoder; pictures and sound take the format's own.
    bool formatChoosesEncoder;
    bool& streamCopy;
    std::string& codecName;
    int& disable;
    std::vector<TBitstreamFilterSpec>& bitstreamFilters;
    std::uint32_t codecTag;
    const std::string* language;  // null: the type has no language option
};

TNextStreamOptions NextStreamOptions(TOptionState& o, AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO:
        return {type, miVideo, AV_OPT_FLAG_VIDEO_PARAM, true, o.videoStreamCopy, o.videoCodecName, o.videoDisable,
                o.videoBitstreamFilters, o.videoCodecTag, nullptr};
    case AVMEDIA_TYPE_AUDIO:
        return {type, miAudio, AV_OPT_FLAG_AUDIO_PARAM, true, o.audioStreamCopy, o.audioCodecName, o.audioDisable,
                o.audioBitstreamFilters, o.audioCodecTag, &o.audioLanguage};
    default:
        return {type, miSubtitle, AV_OPT_FLAG_SUBTITLE_PARAM, false, o.subtitleStreamCopy, o.subtitleCodecName,
                o.subtitleDisable, o.subtitleBitstreamFilters, 0, &o.subtitleLanguage};
    }
}

// The opening every new stream shares: its encoder (none for a copy; the one named by
// encoderName in place of the options' when given), the stream and its codec settings with the
// codec tag asked for.
TOpenOutputStream OpenNewStream(TOpenOutput& output, TNextStreamOptions& next,
                                const std::function<void(const std::string&)>& notice, AVCodecID& codecId,
                                const std::string* encoderName = nullptr)
{
    codecId = AV_CODEC_ID_NONE;
    const AVCodec* encoder = nullptr;
    const std::string& name = encoderName != nullptr ? *encoderName : next.codecName;
    if (!next.streamCopy && (next.formatChoosesEncoder || !name.empty()))
        encoder = ChooseEncoder(name, next.type, output, notice, codecId);
    TOpenOutputStream created = NewStream(output, next.type, encoder, next.bitstreamFilters);
    if (next.codecTag != 0) created.codec->codec_tag = next.codecTag;
    created.streamCopy = next.streamCopy;
    return created;
}

void ApplyEncoderOptions(AVCodecContext* codec, const TAVOptionContext& options, const TNextStreamOptions& next)
{
    ApplyCodecOptions(codec, options.CodecOptionsWith(next.media, next.parameterFlag | AV_OPT_FLAG_ENCODING_PARAM));
}

// The closing every new stream shares: its language, its place in the output, and the options
// of its type back to their defaults for the next one.
void FinishNewStream(TOpenOutput& output, TOpenOutputStream created, TNextStreamOptions& next)
{
    if (next.language != nullptr && !next.language->empty())
        av::av_dict_set(&created.stream->metadata, "language", next.language->c_str(), 0);
    output.streams.push_back(std::move(created));
    next.disable = 0;
    next.codecName.clear();
    next.streamCopy = false;
}

}  // namespace

bool CoverOnlyFormat(const AVOutputFormat* format)
{
    return format->audio_codec != AV_CODEC_ID_NONE && format->video_codec == AV_CODEC_ID_PNG;
}

bool TCustomFFmpeg::NextVideoSourceIsCover(const TOpenOutput& output) const
{
    std::vector<bool> videoInputs;
    for (const TOpenInput& input : m_inputs)
        for (const TInputStreamFacts& stream : input.recipe.streams)
            if (stream.type == AVMEDIA_TYPE_VIDEO) videoInputs.push_back(stream.attachedPicture);
    if (videoInputs.empty()) return false;
    if (CoverOnlyFormat(output.context->oformat))
        return std::find(videoInputs.begin(), videoInputs.end(), true) != videoInputs.end();
    // Without stream maps, each video output takes the next video input not taken yet.
    std::size_t taken = 0;
    const auto count = [&taken](const TOpenOutput& opened) {
        for (const TOpenOutputStream& stream : opened.streams) taken += stream.codec->codec_type == AVMEDIA_TYPE_VIDEO;
    };
    for (const TOpenOutput& opened : m_outputs)
        if (&opened != &output) count(opened);
    count(output);
    return videoInputs[std::min(taken, videoInputs.size() - 1)];
}

void TCustomFFmpeg::AddVideoStream(TOpenOutput& output)
{
    TOptionState& o = m_options;
    const auto notice = [this](const std::string& text) { Log(kLevelInfo, text); };
    TNextStreamOptions next = NextStreamOptions(o, AVMEDIA_TYPE_VIDEO);
    const bool cover = NextVideoSourceIsCover(output);
    // A cover stays a picture: stored as PNG where the container takes that, it stays the cover.
    const bool coverAsPng = cover && !o.videoStreamCopy && o.videoCodecName.empty() &&
                            av::avformat_query_codec(output.context->oformat, AV_CODEC_ID_PNG, FF_COMPLIANCE_NORMAL) == 1 &&
                            av::avcodec_find_encoder(AV_CODEC_ID_PNG) != nullptr;
    const std::string png = "png";
    AVCodecID codecId = AV_CODEC_ID_NONE;
    TOpenOutputStream created = OpenNewStream(output, next, notice, codecId, coverAsPng ? &png : nullptr);
    const AVCodec* encoder = created.encoder;
    created.attachedPicture = cover;
    AVCodecContext* codec = created.codec.get();
    AVStream* stream = created.stream;
    if ((o.videoGlobalHeader & 1) ||
        (o.videoGlobalHeader == 0 && (output.context->oformat->flags & AVFMT_GLOBALHEADER)))
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (o.videoGlobalHeader & 2) codec->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;

    if (o.videoStreamCopy) {
        const double ratio = o.frameWidth * o.frameHeight != 0
                                 ? static_cast<double>(o.frameAspectRatio) * o.frameHeight / o.frameWidth
                                 : static_cast<double>(o.frameAspectRatio) * 3 / 4;
        stream->sample_aspect_ratio = codec->sample_aspect_ratio = NearestRational(ratio);
    } else {
        AVRational rate = o.frameRate.num > 0 && o.frameRate.den > 0 ? o.frameRate : AVRational{25, 1};
        codec->codec_id = codecId;
        ApplyEncoderOptions(codec, *m_avOptions, next);
        if (encoder != nullptr && encoder->supported_framerates != nullptr && !o.forceFrameRate)
            rate = encoder->supported_framerates[av::av_find_nearest_q_idx(rate, encoder->supported_framerates)];
        codec->framerate = rate;
        codec->time_base = AVRational{rate.den, rate.num};
        stream->time_base = codec->time_base;
        codec->width = o.frameWidth + o.padLeft + o.padRight;
        codec->height = o.frameHeight + o.padTop + o.padBottom;
        const double ratio = codec->width * codec->height != 0
                                 ? static_cast<double>(o.frameAspectRatio) * codec->height / codec->width
                                 : static_cast<double>(o.frameAspectRatio) * 3 / 4;
        stream->sample_aspect_ratio = codec->sample_aspect_ratio = NearestRational(ratio);

        codec->pix_fmt =
            ChoosePixelFormat(encoder, static_cast<AVPixelFormat>(o.framePixelFormat), o.pixelFormatAsked);
        if (o.intraOnly) codec->gop_size = 0;
        if (o.videoQScale != 0.0f || o.sameQuality) {
            codec->flags |= AV_CODEC_FLAG_QSCALE;
            codec->global_quality = static_cast<int>(FF_QP2LAMBDA * o.videoQScale);
        }
        if (!o.intraMatrix.empty()) codec->intra_matrix = LibraryCopy(o.intraMatrix.data(), 64);
        if (!o.interMatrix.empty()) codec->inter_matrix = LibraryCopy(o.interMatrix.data(), 64);
        const std::vector<RcOverride> overrides = ParseRateControlOverride(o.videoRcOverride);
        if (!overrides.empty()) {
            codec->rc_override = LibraryCopy(overrides.data(), overrides.size());
            codec->rc_override_count = static_cast<int>(overrides.size());
        }
        if (codec->rc_initial_buffer_occupancy == 0) codec->rc_initial_buffer_occupancy = codec->rc_buffer_size * 3 / 4;
        codec->intra_dc_precision = o.intraDcPrecision - 8;
        if (o.psnr) codec->flags |= AV_CODEC_FLAG_PSNR;
        if (o.pass == 1) codec->flags |= AV_CODEC_FLAG_PASS1;
        if (o.pass == 2) codec->flags |= AV_CODEC_FLAG_PASS2;
    }
    FinishNewStream(output, std::move(created), next);
}

void TCustomFFmpeg::AddAudioStream(TOpenOutput& output)
{
    TOptionState& o = m_options;
    const auto notice = [this](const std::string& text) { Log(kLevelInfo, text); };
    TNextStreamOptions next = NextStreamOptions(o, AVMEDIA_TYPE_AUDIO);
    AVCodecID codecId = AV_CODEC_ID_NONE;
    TOpenOutputStream created = OpenNewStream(output, next, notice, codecId);
    const AVCodec* encoder = created.encoder;
    AVCodecContext* codec = created.codec.get();
    if (output.context->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    // The layout of the input when it has the asked number of channels, else the usual one.
    av::av_channel_layout_uninit(&codec->ch_layout);
    if (o.audioChannelLayout != 0 && __builtin_popcountll(o.audioChannelLayout) == o.audioChannels) {
        codec->ch_layout.order = AV_CHANNEL_ORDER_NATIVE;
        codec->ch_layout.nb_channels = o.audioChannels;
        codec->ch_layout.u.mask = o.audioChannelLayout;
    } else {
        av::av_channel_layout_default(&codec->ch_layout, o.audioChannels);
    }
    if (!o.audioStreamCopy) {
        codec->codec_id = codecId;
        ApplyEncoderOptions(codec, *m_avOptions, next);
        if (o.audioQScale > -99999.0f) {
            codec->flags |= AV_CODEC_FLAG_QSCALE;
            codec->global_quality = static_cast<int>(FF_QP2LAMBDA * o.audioQScale);
        }
        codec->sample_fmt = static_cast<AVSampleFormat>(o.audioSampleFormat);
        if (encoder != nullptr && encoder->sample_fmts != nullptr)
            codec->sample_fmt = EncoderSampleFormat(encoder->sample_fmts, codec->sample_fmt);
    }
    codec->sample_rate = o.audioSampleRate;
    codec->time_base = AVRational{1, o.audioSampleRate};
    created.stream->time_base = codec->time_base;
    FinishNewStream(output, std::move(created), next);
}

void TCustomFFmpeg::AddSubtitleStream(TOpenOutput& output)
{
    const auto notice = [this](const std::string& text) { Log(kLevelInfo, text); };
    TNextStreamOptions next = NextStreamOptions(m_options, AVMEDIA_TYPE_SUBTITLE);
    AVCodecID codecId = AV_CODEC_ID_NONE;
    TOpenOutputStream created = OpenNewStream(output, next, notice, codecId);
    if (!next.streamCopy) {
        if (created.encoder != nullptr) created.codec->codec_id = codecId;
        ApplyEncoderOptions(created.codec.get(), *m_avOptions, next);
    }
    FinishNewStream(output, std::move(created), next);
}

}  // namespace mirelk
