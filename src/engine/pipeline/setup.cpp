// Set-up of a run: which input stream feeds which output stream, copy or encode, codecs
// opened, headers written.
#include <algorithm>
#include <cstring>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/audio_output.h"
#include "engine/pipeline/stream_copy.h"
#include "engine/pipeline/subtitle_output.h"
#include "engine/pipeline/transcode_run.h"
#include "engine/pipeline/video_output.h"

namespace mirelk {

namespace {

TProgressSettings ProgressSettings(const TRunRequest& request)
{
    TProgressSettings settings;
    settings.interval = request.progressInterval;
    settings.verbosity = request.options.verbosity;
    settings.qpHistogram = request.options.qpHistogram;
    settings.expectedTotalDuration = request.options.expectedTotalDuration;
    return settings;
}

TDecoderSettings DecoderSettings(const TOptionState& options)
{
    TDecoderSettings settings;
    settings.audioVolume = options.audioVolume;
    settings.rateEmulation = options.rateEmulation != 0;
    settings.outputStart = options.startTime;
    return settings;
}

TPreprocessContext PreprocessContext(const TRunRequest& request, IRunHost& host)
{
    TPreprocessContext context;
    context.deinterlace = request.options.deinterlace;
    context.hooksInUse = request.hooksInUse;
    context.frameHooks = &request.frameHooks;
    context.hookPeriods = &request.hookPeriods;
    context.host = &host;
    return context;
}

}  // namespace

TTranscodeRun::TTranscodeRun(const TRunRequest& request, IRunHost& host)
    // The stages read the run's own copy: the request handed in is often a temporary.
    : m_request(request), m_host(host),
      m_errors(m_request.options.exitOnError, [this](int level, const std::string& text) { Log(level, text); }),
      m_demuxer(m_request, host),
      m_progress(ProgressSettings(m_request), host,
                 m_request.outputs.empty() ? nullptr : m_request.outputs.front().context.get(), m_outputStreams,
                 m_counters),
      m_decoder(DecoderSettings(m_request.options), PreprocessContext(m_request, host), m_demuxer, m_outputStreams)
{
}

TTranscodeRun::~TTranscodeRun() = default;

const TOptionState& TTranscodeRun::Options() const { return m_request.options; }

TStageClock TTranscodeRun::StageClock(const TInputStream& stream) const
{
    return TStageClock{m_demuxer.File(stream.fileIndex).gate, Options().startTime};
}

void TTranscodeRun::Log(int level, const std::string& text) const { m_host.Log(level, text); }

void TTranscodeRun::FailWithDescription(int outputFile, const std::string& message)
{
    const TOpenOutput& output = m_request.outputs.at(outputFile);
    av::av_dump_format(output.context.get(), outputFile, output.fileName.c_str(), 1);
    throw FFmpegException(message);
}

void TTranscodeRun::Setup()
{
    m_demuxer.Open(m_inputStreams);
    // The stages built below read the clocks of their sync streams.
    m_decoder.StartClocks(m_inputStreams.size());
    if (!Options().videoStatsFileName.empty())
        m_statistics = std::make_unique<TVideoStatistics>(Options().videoStatsFileName);
    for (int file = 0; file < OutputFileCount(); ++file)
        if (m_request.outputs[file].streams.empty())
            FailWithDescription(file, Format("Output file #%d does not contain any stream", file));
    CheckStreamMaps();
    ChooseSources();
    for (TOutputStream& output : m_outputStreams) PrepareOutputStream(output);
    // The descriptions show the settings the encoders will be opened with.
    for (TOutputStream& output : m_outputStreams)
        if (output.encodingNeeded) av::avcodec_parameters_from_context(output.stream->codecpar, output.codec);
    for (int file = 0; file < OutputFileCount(); ++file) {
        const TOpenOutput& output = m_request.outputs[file];
        av::av_dump_format(output.context.get(), file, output.fileName.c_str(), 1);
    }
    ReportStreamMapping();
    // Decoders first: a subtitle encoder takes its style header from its source's decoder.
    OpenDecoders();
    OpenEncoders();
    CopyMetadataMaps();
    WriteHeaders();
    m_progress.Start();
}

void TTranscodeRun::CheckStreamMaps()
{
    const std::vector<TStreamMap>& maps = Options().streamMaps;
    if (maps.empty()) return;
    std::size_t outputStreamCount = 0;
    for (const TOpenOutput& output : m_request.outputs) outputStreamCount += output.streams.size();
    if (maps.size() != outputStreamCount) throw FFmpegException("Number of stream maps must match number of output streams");
    const auto exists = [this](int file, int stream) { return m_demuxer.HasStream(file, stream); };
    for (const TStreamMap& map : maps) {
        if (!exists(map.fileIndex, map.streamIndex))
            throw FFmpegException(Format("Could not find input stream #%d.%d", map.fileIndex, map.streamIndex));
        if (!exists(map.syncFileIndex, map.syncStreamIndex))
            throw FFmpegException(Format("Could not find sync stream #%d.%d", map.syncFileIndex, map.syncStreamIndex));
    }
}

void TTranscodeRun::ChooseSources()
{
    const std::vector<TStreamMap>& maps = Options().streamMaps;
    const int programId = Options().programId;
    int mapIndex = 0;
    for (int file = 0; file < OutputFileCount(); ++file) {
        const TOpenOutput& openOutput = m_request.outputs[file];
        for (int index = 0; index < static_cast<int>(openOutput.streams.size()); ++index, ++mapIndex) {
            const TOpenOutputStream& spec = openOutput.streams[index];
            TOutputStream output;
            output.fileIndex = file;
            output.streamIndex = index;
            output.stream = spec.stream;
            output.codec = spec.codec.get();
            output.encoder = spec.encoder;
            const AVMediaType type = spec.codec->codec_type;
            int source = -1;
            if (!maps.empty()) {
                const TStreamMap& map = maps[mapIndex];
                source = m_demuxer.StreamIndex(map.fileIndex, map.streamIndex);
                if (m_inputStreams[source].stream->codecpar->codec_type != type)
                    FailWithDescription(file, Format("Codec type mismatch for mapping #%d.%d -> #%d.%d", map.fileIndex,
                                                     map.streamIndex, file, index));
                output.syncIndex = m_demuxer.StreamIndex(map.syncFileIndex, map.syncStreamIndex);
            } else if (spec.source.Valid() && m_demuxer.HasStream(spec.source.input, spec.source.stream)) {
                source = m_demuxer.StreamIndex(spec.source.input, spec.source.stream);
            } else if (programId != 0) {
                for (int f = 0; f < m_demuxer.FileCount() && source < 0; ++f) {
                    const AVFormatContext* context = m_demuxer.File(f).context;
                    for (unsigned p = 0; p < context->nb_programs && source < 0; ++p) {
                        const AVProgram* program = context->programs[p];
                        if (program->id != programId) continue;
                        for (unsigned s = 0; s < program->nb_stream_indexes && source < 0; ++s) {
                            const int candidate = m_demuxer.StreamIndex(f, static_cast<int>(program->stream_index[s]));
                            if (m_inputStreams[candidate].discard &&
                                m_inputStreams[candidate].stream->codecpar->codec_type == type)
                                source = candidate;
                        }
                    }
                }
            } else {
                // A stream made for a cover takes a cover first.
                for (std::size_t i = 0; i < m_inputStreams.size() && source < 0 && spec.attachedPicture; ++i)
                    if (m_inputStreams[i].discard && m_inputStreams[i].stream->codecpar->codec_type == type &&
                        (m_inputStreams[i].stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
                        source = static_cast<int>(i);
                // The first stream of the type no output takes yet, else the last of the type.
                for (std::size_t i = 0; i < m_inputStreams.size() && source < 0; ++i)
                    if (m_inputStreams[i].discard && m_inputStreams[i].stream->codecpar->codec_type == type)
                        source = static_cast<int>(i);
                if (source < 0)
                    for (std::size_t i = 0; i < m_inputStreams.size(); ++i)
                        if (m_inputStreams[i].stream->codecpar->codec_type == type) source = static_cast<int>(i);
            }
            if (source < 0)
                FailWithDescription(file, Format("Could not find input stream matching output stream #%d.%d", file, index));
            output.sourceIndex = source;
            if (maps.empty()) output.syncIndex = source;
            m_inputStreams[source].discard = false;
            output.encodingNeeded = !spec.streamCopy;
            output.optional = spec.optional;
            m_outputStreams.push_back(std::move(output));
        }
    }
    m_onlySubtitles =
        std::all_of(m_outputStreams.begin(), m_outputStreams.end(),
                    [](const TOutputStream& output) { return output.codec->codec_type == AVMEDIA_TYPE_SUBTITLE; });
}

void TTranscodeRun::PrepareOutputStream(TOutputStream& output)
{
    TInputStream& source = m_inputStreams[output.sourceIndex];
    AVStream* stream = output.stream;
    const AVDictionaryEntry* language = av::av_dict_get(source.stream->metadata, "language", nullptr, 0);
    if (language != nullptr && av::av_dict_get(stream->metadata, "language", nullptr, 0) == nullptr)
        av::av_dict_set(&stream->metadata, "language", language->value, 0);
    stream->disposition = source.stream->disposition;

    if (!output.encodingNeeded) {
        PrepareStreamCopy(output, source);
        TStreamCopySettings settings;
        settings.copyInitialNonKeyFrames = Options().copyInitialNonKeyFrames != 0;
        settings.outputStart = Options().startTime;
        output.stage = std::make_unique<TStreamCopy>(settings, source, output, *output.sink);
        return;
    }
    output.stage = MakeEncodingStage(output, source);
    source.decodingNeeded = true;
}

std::unique_ptr<TOutputStage> TTranscodeRun::MakeEncodingStage(TOutputStream& output, const TInputStream& source)
{
    const TOptionState& o = Options();
    const TStreamClock* syncClock = output.syncIndex != output.sourceIndex ? &m_decoder.Clock(output.syncIndex) : nullptr;
    switch (output.codec->codec_type) {
    case AVMEDIA_TYPE_VIDEO: {
        TVideoOutputContext context;
        TVideoOutputSettings& settings = context.settings;
        settings.picture = TPictureSettings::From(o, m_request.avOptions.ScalerFlags());
        settings.filtered = m_request.usesVideoFilters;
        const int outputStreamNumber = static_cast<int>(&output - m_outputStreams.data());
        settings.passLogName = TTwoPassLog::FileName(o.passLogFileName, outputStreamNumber);
        settings.topFieldFirst = o.topFieldFirst;
        settings.maxFrames = o.maxFrames[miVideo];
        settings.recordingTime = o.recordingTime;
        settings.syncMethod = o.videoSyncMethod;
        settings.variableRateFormat =
            (m_request.outputs.at(output.fileIndex).context->oformat->flags & AVFMT_VARIABLE_FPS) != 0;
        settings.verbose = o.verbosity > 2;
        context.clock = StageClock(source);
        context.syncClock = syncClock;
        context.host = &m_host;
        context.errors = m_errors;
        context.statistics = m_statistics.get();
        context.pictureNumber = [this] { return m_decoder.HookFrameNumber(); };
        return std::make_unique<TVideoOutput>(std::move(context), source, output, *output.sink);
    }
    case AVMEDIA_TYPE_AUDIO: {
        TAudioOutputContext context;
        context.settings.syncMethod = o.audioSyncMethod;
        context.settings.driftThreshold = o.audioDriftThreshold;
        context.settings.maxFrames = o.maxFrames[miAudio];
        context.settings.verbose = o.verbosity > 2;
        context.clock = StageClock(source);
        context.syncClock = syncClock;
        context.errors = m_errors;
        return std::make_unique<TAudioOutput>(std::move(context), source, output, *output.sink);
    }
    case AVMEDIA_TYPE_SUBTITLE:
        return std::make_unique<TSubtitleOutput>(m_errors, source, output, *output.sink);
    default:
        throw FFmpegException("invalid codec_type of output stream");
    }
}

void TTranscodeRun::PrepareStreamCopy(TOutputStream& output, const TInputStream& source)
{
    AVCodecParameters* target = output.stream->codecpar;
    const AVCodecParameters* origin = source.stream->codecpar;
    const std::uint32_t askedTag = output.codec->codec_tag;
    const AVRational aspect = output.stream->sample_aspect_ratio;
    if (av::avcodec_parameters_copy(target, origin) < 0) throw FFmpegException("av_mallocz fail");
    // Keep the input's tag only where this container's tag table does not contradict it.
    const AVOutputFormat* format = m_request.outputs[output.fileIndex].context->oformat;
    unsigned int tagForId = 0;
    const bool tagFits = format->codec_tag == nullptr ||
                         av::av_codec_get_id(format->codec_tag, origin->codec_tag) == origin->codec_id ||
                         !av::av_codec_get_tag2(format->codec_tag, origin->codec_id, &tagForId);
    target->codec_tag = askedTag != 0 ? askedTag : tagFits ? origin->codec_tag : 0;
    output.stream->time_base = source.stream->time_base;
    switch (origin->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
        if (Options().audioVolume != 256)
            throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
        if ((target->block_align == 1 && target->codec_id == AV_CODEC_ID_MP3) || target->codec_id == AV_CODEC_ID_AC3)
            target->block_align = 0;
        break;
    case AVMEDIA_TYPE_VIDEO:
        m_host.CheckVideoCopyAllowed();
        if (aspect.num != 0) target->sample_aspect_ratio = output.stream->sample_aspect_ratio = aspect;
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        break;
    default:
        throw FFmpegException("invalid codec_type of output stream");
    }
}

void TTranscodeRun::ReportStreamMapping()
{
    if (Options().verbosity < 0 || !m_host.Logging()) return;
    Log(kLevelInfo, "Stream mapping:");
    for (const TOutputStream& output : m_outputStreams) {
        const TInputStream& source = m_inputStreams[output.sourceIndex];
        Log(kLevelInfo, Format("  Stream #%d.%d -> #%d.%d", source.fileIndex, source.streamIndex, output.fileIndex,
                               output.streamIndex));
        if (output.syncIndex != output.sourceIndex) {
            const TInputStream& sync = m_inputStreams[output.syncIndex];
            Log(kLevelInfo, Format(" [sync #%d.%d]", sync.fileIndex, sync.streamIndex));
        }
    }
}

void TTranscodeRun::OpenEncoders()
{
    for (TOutputStream& output : m_outputStreams) {
        if (!output.encodingNeeded) continue;
        AVCodecContext* codec = output.codec;
        if (output.encoder == nullptr) output.encoder = av::avcodec_find_encoder(codec->codec_id);
        if (output.encoder == nullptr)
            throw FFmpegException(
                Format("Unsupported codec for output stream #%d.%d", output.fileIndex, output.streamIndex));
        output.stage->BeforeEncoderOpens(*output.encoder);
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO) FitPictureSizeToEncoder(output);
        const AVCodecContext* decoder = m_inputStreams[output.sourceIndex].decoder.get();
        if (codec->codec_type == AVMEDIA_TYPE_SUBTITLE && decoder != nullptr && decoder->subtitle_header != nullptr &&
            codec->subtitle_header == nullptr) {
            codec->subtitle_header = static_cast<std::uint8_t*>(av::av_mallocz(decoder->subtitle_header_size + 1));
            if (codec->subtitle_header == nullptr) throw FFmpegException("av_mallocz fail");
            std::memcpy(codec->subtitle_header, decoder->subtitle_header, decoder->subtitle_header_size);
            codec->subtitle_header_size = decoder->subtitle_header_size;
        }
        // Subtitle times are kept in the source's clock.
        if (codec->codec_type == AVMEDIA_TYPE_SUBTITLE && codec->time_base.num <= 0)
            codec->time_base = m_inputStreams[output.sourceIndex].stream->time_base;
        codec->thread_count = m_request.codecThreads;
        codec->opaque = m_request.codecOpaque;
        int opened = 0;
        {
            std::lock_guard<std::mutex> lock(CodecLock());
            opened = av::avcodec_open2(codec, output.encoder, nullptr);
        }
        if (opened < 0)
            throw FFmpegException(Format("Error while opening codec for output stream #%d.%d - maybe incorrect "
                                         "parameters such as bit_rate, rate, width or height: %s",
                                         output.fileIndex, output.streamIndex, LibraryErrorText(opened).c_str()));
        output.encoderOpen = true;
        if (av::avcodec_parameters_from_context(output.stream->codecpar, codec) < 0)
            throw FFmpegException("av_mallocz fail");
        output.stream->time_base = codec->time_base;
        m_counters.extraSize += codec->extradata_size;
        output.stage->Open();
    }
}

namespace {

// Whether the encoder opens with a picture of the given size and the context's other settings.
bool EncoderTakesSize(const AVCodec* encoder, const AVCodecContext* settings, int width, int height)
{
    TCodecContextPtr trial(av::avcodec_alloc_context3(encoder));
    if (!trial) return false;
    trial->width = width;
    trial->height = height;
    trial->pix_fmt = settings->pix_fmt;
    trial->time_base = settings->time_base;
    trial->framerate = settings->framerate;
    trial->sample_aspect_ratio = settings->sample_aspect_ratio;
    trial->thread_count = 1;
    std::lock_guard<std::mutex> lock(CodecLock());
    return av::avcodec_open2(trial.get(), encoder, nullptr) >= 0;
}

}  // namespace

void TTranscodeRun::FitPictureSizeToEncoder(TOutputStream& output)
{
    // A size that was asked for is even already; one taken from the source may not suit an
    // encoder of subsampled colour, which is then given the size rounded down.
    AVCodecContext* codec = output.codec;
    const AVPixFmtDescriptor* format = av::av_pix_fmt_desc_get(codec->pix_fmt);
    if (format == nullptr || codec->width <= 0 || codec->height <= 0) return;
    const int widthStep = 1 << format->log2_chroma_w;
    const int heightStep = 1 << format->log2_chroma_h;
    const int width = codec->width / widthStep * widthStep;
    const int height = codec->height / heightStep * heightStep;
    if ((width == codec->width && height == codec->height) || width == 0 || height == 0) return;
    if (EncoderTakesSize(output.encoder, codec, codec->width, codec->height) ||
        !EncoderTakesSize(output.encoder, codec, width, height))
        return;
    Log(kLevelInfo, Format("Picture size %dx%d rounded down to %dx%d for output stream #%d.%d: %s takes no odd "
                           "sizes in %s",
                           codec->width, codec->height, width, height, output.fileIndex, output.streamIndex,
                           output.encoder->name, format->name));
    codec->width = width;
    codec->height = height;
}

void TTranscodeRun::OpenDecoders()
{
    for (TInputStream& stream : m_inputStreams) {
        if (!stream.decodingNeeded) continue;
        const AVCodecParameters* parameters = stream.stream->codecpar;
        const AVCodec* decoder =
            stream.forcedDecoder != nullptr ? stream.forcedDecoder : av::avcodec_find_decoder(parameters->codec_id);
        if (decoder == nullptr)
            throw FFmpegException(Format("Unsupported codec (id=%d) for input stream #%d.%d", parameters->codec_id,
                                         stream.fileIndex, stream.streamIndex));
        stream.decoder.reset(av::avcodec_alloc_context3(decoder));
        if (!stream.decoder || av::avcodec_parameters_to_context(stream.decoder.get(), parameters) < 0)
            throw FFmpegException("av_mallocz fail");
        stream.decoder->pkt_timebase = stream.stream->time_base;
        stream.decoder->thread_count = m_request.codecThreads;
        // Library lines from the codec's own threads name their task by this.
        stream.decoder->opaque = m_request.codecOpaque;
        const TMediaIndex media = parameters->codec_type == AVMEDIA_TYPE_VIDEO   ? miVideo
                                  : parameters->codec_type == AVMEDIA_TYPE_AUDIO ? miAudio
                                                                                 : miSubtitle;
        TAVDictionary options = m_request.avOptions.CodecOptionsWith(media, AV_OPT_FLAG_DECODING_PARAM);
        int opened = 0;
        {
            std::lock_guard<std::mutex> lock(CodecLock());
            opened = av::avcodec_open2(stream.decoder.get(), decoder, options.Address());
        }
        if (opened < 0)
            throw FFmpegException(Format("Error while opening codec for input stream #%d.%d: %s", stream.fileIndex,
                                         stream.streamIndex, LibraryErrorText(opened).c_str()));
    }
}

void TTranscodeRun::CopyMetadataMaps()
{
    for (const TMetaDataMap& map : Options().metaDataMaps) {
        if (map.outputFile < 0 || map.outputFile >= OutputFileCount())
            throw FFmpegException(Format("Invalid output file index %d map_meta_data(%d,%d)", map.outputFile,
                                         map.outputFile, map.inputFile));
        if (map.inputFile < 0 || map.inputFile >= InputFileCount())
            throw FFmpegException(Format("Invalid input file index %d map_meta_data(%d,%d)", map.inputFile,
                                         map.outputFile, map.inputFile));
        AVFormatContext* output = m_request.outputs[map.outputFile].context.get();
        const AVFormatContext* input = m_request.inputs[map.inputFile].context.get();
        const AVDictionaryEntry* entry = nullptr;
        while ((entry = av::av_dict_get(input->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr)
            av::av_dict_set(&output->metadata, entry->key, entry->value, 0);
    }
}

void TTranscodeRun::WriteHeaders()
{
    for (TOutputStream& output : m_outputStreams) {
        const TOpenOutputStream& spec = m_request.outputs[output.fileIndex].streams[output.streamIndex];
        TStreamPacketSink& sink = *output.sink;
        sink.Writer().Configure(spec.bitstreamFilters, output.stream);
        if (output.optional) sink.Writer().DropRefusedPackets();
        sink.Bind(m_request.outputs[output.fileIndex].context.get(), WriterCodecName(output), m_counters, m_errors);
    }
    bool allRtp = true;
    for (int file = 0; file < OutputFileCount(); ++file) {
        const TOpenOutput& output = m_request.outputs[file];
        TAVDictionary options = output.muxerOptions;
        const int written = av::avformat_write_header(output.context.get(), options.Address());
        if (written < 0)
            throw FFmpegException(Format("Could not write header for output file #%d (incorrect codec parameters ?): %s",
                                         file, LibraryErrorText(written).c_str()));
        allRtp = allRtp && std::string(output.context->oformat->name) == "rtp";
    }
    if (allRtp && m_host.Logging() && OutputFileCount() > 0) {
        std::vector<AVFormatContext*> contexts;
        for (const TOpenOutput& output : m_request.outputs) contexts.push_back(output.context.get());
        char sdp[2048] = {};
        av::av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), sdp, sizeof sdp);
        std::string text = sdp;
        const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
        while (!text.empty() && isBlank(text.back())) text.pop_back();
        std::size_t first = 0;
        while (first < text.size() && isBlank(text[first])) ++first;
        Log(kLevelInfo, "SDP: " + text.substr(first));
    }
}

}  // namespace mirelk
