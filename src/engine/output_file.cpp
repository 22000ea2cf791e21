// Creating an output file: its format, the media types it gets, its streams, its metadata,
// the file itself and the muxer's settings.
#include <algorithm>
#include <cctype>
#include <ctime>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "binding/utilities.h"
#include "engine/custom_ffmpeg.h"
#include "engine/files/default_streams.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

// Whether a filter chain holds a filter that changes the picture size.
bool HasResizingFilter(const std::string& filters)
{
    std::string lowered = filters;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::size_t start = 0;
    while (start <= lowered.size()) {
        std::size_t end = lowered.find(',', start);
        if (end == std::string::npos) end = lowered.size();
        const std::string item = lowered.substr(start, end - start);
        const std::string name = item.substr(0, item.find('='));
        if (!name.empty() && std::string(",crop,rotate,scale,transpose,").find("," + name + ",") != std::string::npos)
            return true;
        start = end + 1;
    }
    return false;
}

bool MuxerHasOption(const AVOutputFormat* format, const char* name)
{
    if (format->priv_class == nullptr) return false;
    const AVClass* muxerClass = format->priv_class;
    return av::av_opt_find(&muxerClass, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

std::string IsoDate(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    return text;
}

}  // namespace

bool TCustomFFmpeg::OpenOutputFile(const std::string& fileName)
{
    RequireLibraries();
    struct TClearFormatsAfterwards {
        TOptionState& options;
        ~TClearFormatsAfterwards()
        {
            options.forcedFormatName.clear();
            options.forcedInputFormat = nullptr;
            options.forcedOutputFormat = nullptr;
        }
    } clearAfterwards{m_options};

    const bool anyCrop = m_options.cropTop || m_options.cropBottom || m_options.cropLeft || m_options.cropRight;
    const bool anyPad = m_options.padTop || m_options.padBottom || m_options.padLeft || m_options.padRight;
    if (!m_options.videoFilters.empty() && anyCrop) {
        LastErrMsg = "Cannot enable crop options and filters at the same time.";
        return false;
    }
    if (anyPad && HasResizingFilter(m_options.videoFilters)) {
        LastErrMsg = "Cannot enable pad options and the filters which resize frame at the same time. "
                     "(crop, rotate, scale, transpose, etc.)";
        return false;
    }
    if (OutputCount() >= kMaxFiles) {
        LastErrMsg = Format("Too many output files (at most %d)", kMaxFiles);
        return false;
    }
    m_usesVideoFilters = !m_options.videoFilters.empty();

    AVFormatContext* raw = nullptr;
    if (av::avformat_alloc_output_context2(&raw, m_options.forcedOutputFormat, nullptr, fileName.c_str()) < 0 ||
        raw == nullptr) {
        LastErrMsg = Format("Unable to find a suitable output format for '%s'", fileName.c_str());
        return false;
    }
    TOpenOutput output;
    output.context.reset(raw);
    output.fileName = fileName;
    const AVOutputFormat* format = raw->oformat;

    // A disabled type ("vn", "an", "sn") is never made.
    bool useVideo = (format->video_codec != AV_CODEC_ID_NONE || m_options.videoStreamCopy ||
                     !m_options.videoCodecName.empty()) &&
                    !m_options.videoDisable;
    bool useAudio = (format->audio_codec != AV_CODEC_ID_NONE || m_options.audioStreamCopy ||
                     !m_options.audioCodecName.empty()) &&
                    !m_options.audioDisable;
    bool useSubtitle = (format->subtitle_codec != AV_CODEC_ID_NONE || m_options.subtitleStreamCopy ||
                        !m_options.subtitleCodecName.empty()) &&
                       !m_options.subtitleDisable;
    const bool askedForVideo = m_options.videoStreamCopy || !m_options.videoCodecName.empty();
    const bool subtitleByDefault =
        !m_options.subtitleStreamCopy && m_options.subtitleCodecName.empty() && !m_options.subtitleDisable;
    TSubtitleChoice keptSubtitle;
    if (InputCount() > 0) {
        bool inputVideo = false;
        bool inputCover = false;
        bool inputAudio = false;
        bool inputSubtitle = false;
        // What the inputs held when they were opened: a waiting task has released them.
        for (const TOpenInput& input : m_inputs)
            for (const TInputStreamFacts& stream : input.recipe.streams) {
                switch (stream.type) {
                case AVMEDIA_TYPE_VIDEO:
                    inputVideo = true;
                    inputCover = inputCover || stream.attachedPicture;
                    break;
                case AVMEDIA_TYPE_AUDIO: inputAudio = true; break;
                case AVMEDIA_TYPE_SUBTITLE: inputSubtitle = true; break;
                case AVMEDIA_TYPE_DATA:
                case AVMEDIA_TYPE_ATTACHMENT:
                case AVMEDIA_TYPE_UNKNOWN: break;
                default: throw FFmpegException("invalid codec_type of input file");
                }
            }
        // A format that takes pictures only as covers gets one only from an input's cover, unless
        // a video stream is asked for: the moving pictures of a video file are no cover.
        const bool coverOnly = CoverOnlyFormat(format) && !askedForVideo;
        useVideo = useVideo && (coverOnly ? inputCover : inputVideo);
        useAudio = useAudio && inputAudio;
        useSubtitle = useSubtitle && inputSubtitle;

        TOutputWants wants;
        wants.video = useVideo;
        wants.audio = useAudio;
        wants.coverOnly = coverOnly;
        wants.videoCopied = m_options.videoStreamCopy;
        wants.audioCopied = m_options.audioStreamCopy;
        wants.mapped = !m_options.streamMaps.empty();
        wants.subtitleByDefault = subtitleByDefault;
        const TDefaultStreams defaults = ChooseDefaultStreams(format, m_inputs, wants);
        for (const std::string& note : defaults.notes) Log(kLevelInfo, note);
        useVideo = useVideo && !defaults.leaveOutVideo;
        useAudio = useAudio && !defaults.leaveOutAudio;
        keptSubtitle = defaults.subtitle;
        if (subtitleByDefault) useSubtitle = keptSubtitle.source.Valid();
    }

    if (useVideo) AddVideoStream(output);
    if (useAudio) AddAudioStream(output);
    if (useSubtitle) {
        if (keptSubtitle.source.Valid()) {
            // Made as if asked for: a copy, or the text codec the format stores.
            m_options.subtitleStreamCopy = keptSubtitle.copy;
            if (!keptSubtitle.copy) m_options.subtitleCodecName = av::avcodec_find_encoder(keptSubtitle.encodeTo)->name;
        }
        AddSubtitleStream(output);
        if (keptSubtitle.source.Valid()) {
            output.streams.back().optional = true;
            output.streams.back().source = keptSubtitle.source;
        }
    }

    if (m_options.recordingTimestamp != 0)
        av::av_dict_set(&raw->metadata, "creation_time", IsoDate(m_options.recordingTimestamp).c_str(), 0);
    // From the last pair to the first: of two pairs with one key, the first given stays.
    for (auto pair = m_options.metadata.rbegin(); pair != m_options.metadata.rend(); ++pair)
        av::av_dict_set(&raw->metadata, pair->first.c_str(), pair->second.c_str(), 0);
    m_options.metadata.clear();

    if ((format->flags & AVFMT_NEEDNUMBER) && !av::av_filename_number_test(fileName.c_str())) {
        LastErrMsg = OpenErrorText(fileName, AVERROR(EDOM));
        return false;
    }
    // The file itself is made by the run: until then nothing is written under the name.
    if (!(format->flags & AVFMT_NOFILE) && !PrepareOutputFile(output)) return false;

    raw->max_delay = static_cast<int>(m_options.muxMaxDelay * 1000000);
    output.muxerOptions = m_avOptions->FormatOptionsWith(AV_OPT_FLAG_ENCODING_PARAM);
    if (MuxerHasOption(format, "preload"))
        output.muxerOptions.Set("preload", std::to_string(static_cast<int>(m_options.muxPreload * 1000000)));
    if (MuxerHasOption(format, "loop")) output.muxerOptions.Set("loop", std::to_string(m_options.loopOutput));
    m_outputs.push_back(std::move(output));
    return true;
}

TOpenOutput& TCustomFFmpeg::LastOutput()
{
    if (m_outputs.empty()) throw FFmpegException("At least one output file must be specified");
    return m_outputs.back();
}

void TCustomFFmpeg::NewVideoStream() { AddVideoStream(LastOutput()); }

void TCustomFFmpeg::NewAudioStream() { AddAudioStream(LastOutput()); }

void TCustomFFmpeg::NewSubtitleStream() { AddSubtitleStream(LastOutput()); }

}  // namespace mirelk
