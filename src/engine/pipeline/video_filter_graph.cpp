#include "engine/pipeline/video_filter_graph.h"

#include <cctype>
#include <vector>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/run_records.h"

namespace mirelk {

namespace {

[[noreturn]] void Fail(const std::string& reason)
{
    throw FFmpegException(reason.empty() ? "Error opening filters!" : "Error opening filters: " + reason);
}

std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av::av_strerror(code, text, sizeof text) < 0) return Format("error %d", code);
    return text;
}

const AVFilter* LibraryFilter(const char* name)
{
    const AVFilter* filter = av::avfilter_get_by_name(name);
    if (filter == nullptr) Fail(Format("No such filter: '%s'", name));
    return filter;
}

// The filter name an item of a chain starts with, past its input labels: "[in] scale=320:240"
// gives "scale", "vflip@top" gives "vflip".
std::string FilterNameOf(const std::string& item)
{
    std::size_t at = 0;
    for (;;) {
        while (at < item.size() && std::isspace(static_cast<unsigned char>(item[at]))) ++at;
        if (at >= item.size() || item[at] != '[') break;
        const std::size_t closing = item.find(']', at);
        if (closing == std::string::npos) return {};
        at = closing + 1;
    }
    const std::size_t end = item.find_first_of("=@[ \t\r\n", at);
    return item.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The names of the filters a description uses, in order. Separators inside quoted or escaped
// arguments do not split an item.
std::vector<std::string> FilterNames(const std::string& description)
{
    std::vector<std::string> names;
    std::string item;
    bool quoted = false;
    for (std::size_t i = 0; i < description.size(); ++i) {
        const char c = description[i];
        if (c == '\\' && i + 1 < description.size()) {
            item += c;
            item += description[++i];
            continue;
        }
        if (c == '\'') quoted = !quoted;
        if (!quoted && (c == ',' || c == ';')) {
            names.push_back(FilterNameOf(item));
            item.clear();
            continue;
        }
        item += c;
    }
    names.push_back(FilterNameOf(item));
    return names;
}

// Why the library could not parse a description: the unknown filter when there is one, which
// the library's error code alone does not say.
std::string ParseFailure(const std::string& description, int code)
{
    for (const std::string& name : FilterNames(description))
        if (!name.empty() && av::avfilter_get_by_name(name.c_str()) == nullptr)
            return Format("No such filter: '%s'", name.c_str());
    return Format("Cannot parse \"%s\": %s", description.c_str(), ErrorText(code).c_str());
}

}  // namespace

TVideoFilterGraph::TVideoFilterGraph(const TPictureSettings& settings, const TInputStream& source,
                                     const TOutputStream& output, TLogFunction log,
                                     std::function<bool()> nothingMoreWanted)
    : m_log(std::move(log)), m_nothingMoreWanted(std::move(nothingMoreWanted)), m_scalerFlags(settings.scalerFlags),
      m_staging(NewFrame())
{
    if (settings.Crops()) Fail("Cannot enable crop options and filters at the same time.");
    AVCodecContext* encoder = output.codec;
    const AVCodecParameters* input = source.stream->codecpar;
    if (encoder->pix_fmt == AV_PIX_FMT_NONE) encoder->pix_fmt = DefaultPixelFormat(output.encoder, input->format);

    m_graph.reset(av::avfilter_graph_alloc());
    if (!m_graph) Fail("");
    CreateSource(source);
    CreateSink(encoder->pix_fmt);

    const int padWidth = settings.pad.left + settings.pad.right;
    const int padHeight = settings.pad.top + settings.pad.bottom;
    AVFilterContext* last = m_source;
    if (m_sourceWidth + padWidth != encoder->width || m_sourceHeight + padHeight != encoder->height)
        last = InsertScaler(encoder->width - padWidth, encoder->height - padHeight, m_scalerFlags);
    ParseChain(last, settings.videoFilters);

    // Scalers the library adds for pixel format conversions work like the engine's own.
    m_graph->scale_sws_opts = av::av_strdup(Format("sws_flags=%d", m_scalerFlags).c_str());
    if (m_graph->scale_sws_opts == nullptr) Fail("");
    const int configured = av::avfilter_graph_config(m_graph.get(), nullptr);
    if (configured < 0)
        Fail(Format("Cannot configure \"%s\": %s", settings.videoFilters.c_str(), ErrorText(configured).c_str()));

    const int width = av::av_buffersink_get_w(m_sink);
    const int height = av::av_buffersink_get_h(m_sink);
    if ((padWidth != 0 || padHeight != 0) && (width != settings.frameWidth || height != settings.frameHeight))
        Fail("Cannot enable pad options and the filters which resize frame at the same time. "
             "(crop, rotate, scale, transpose, etc.)");
    encoder->width = width + padWidth;
    encoder->height = height + padHeight;
    const AVRational aspect = av::av_buffersink_get_sample_aspect_ratio(m_sink);
    if (aspect.num != 0) encoder->sample_aspect_ratio = output.stream->sample_aspect_ratio = aspect;
}

TVideoFilterGraph::~TVideoFilterGraph() = default;

void TVideoFilterGraph::CreateSource(const TInputStream& source)
{
    const AVStream* stream = source.stream;
    const AVCodecParameters* input = stream->codecpar;
    m_sourceWidth = input->width;
    m_sourceHeight = input->height;
    m_sourceFormat = static_cast<AVPixelFormat>(input->format);
    if (m_sourceWidth <= 0 || m_sourceHeight <= 0 || av::av_pix_fmt_desc_get(m_sourceFormat) == nullptr)
        Fail("Unknown size or pixel format of the source pictures");
    m_sourceAspect = stream->sample_aspect_ratio.num != 0 ? stream->sample_aspect_ratio : input->sample_aspect_ratio;
    if (m_sourceAspect.num <= 0 || m_sourceAspect.den <= 0) m_sourceAspect = AVRational{0, 1};
    std::string arguments = Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", m_sourceWidth,
                                   m_sourceHeight, m_sourceFormat, m_sourceTimeBase.num, m_sourceTimeBase.den,
                                   m_sourceAspect.num, m_sourceAspect.den);
    // Filters that count in pictures (fps, setpts with FRAME_RATE) want the rate.
    const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) arguments += Format(":frame_rate=%d/%d", rate.num, rate.den);
    const int created = av::avfilter_graph_create_filter(&m_source, LibraryFilter("buffer"), "src", arguments.c_str(),
                                                         nullptr, m_graph.get());
    if (created < 0) {
        m_source = nullptr;
        Fail(Format("Cannot create the source (%s): %s", arguments.c_str(), ErrorText(created).c_str()));
    }
}

void TVideoFilterGraph::CreateSink(AVPixelFormat encoderFormat)
{
    const char* formatName = av::av_get_pix_fmt_name(encoderFormat);
    if (formatName == nullptr) Fail(Format("Unknown pixel format %d of the encoder", encoderFormat));
    m_sink = av::avfilter_graph_alloc_filter(m_graph.get(), LibraryFilter("buffersink"), "out");
    if (m_sink == nullptr) Fail("");
    // The sink's format list must be in place before it is initialised.
    const AVPixelFormat accepted[] = {encoderFormat};
    int result = av::av_opt_set_bin(m_sink, "pix_fmts", reinterpret_cast<const std::uint8_t*>(accepted),
                                    static_cast<int>(sizeof accepted), AV_OPT_SEARCH_CHILDREN);
    if (result >= 0) result = av::avfilter_init_str(m_sink, nullptr);
    if (result < 0) Fail(Format("Cannot create the sink for pixel format %s: %s", formatName, ErrorText(result).c_str()));
}

AVFilterContext* TVideoFilterGraph::InsertScaler(int width, int height, int scalerFlags)
{
    const std::string arguments = Format("%d:%d:sws_flags=%d", width, height, scalerFlags);
    AVFilterContext* scaler = nullptr;
    const int created = av::avfilter_graph_create_filter(&scaler, LibraryFilter("scale"), "scale_to_encoder",
                                                         arguments.c_str(), nullptr, m_graph.get());
    if (created < 0) Fail(Format("Cannot create a scaler (%s): %s", arguments.c_str(), ErrorText(created).c_str()));
    const int linked = av::avfilter_link(m_source, 0, scaler, 0);
    if (linked < 0) Fail(Format("Cannot link the scaler: %s", ErrorText(linked).c_str()));
    return scaler;
}

void TVideoFilterGraph::ParseChain(AVFilterContext* last, const std::string& description)
{
    if (description.empty()) {
        const int linked = av::avfilter_link(last, 0, m_sink, 0);
        if (linked < 0) Fail(Format("Cannot link the filters: %s", ErrorText(linked).c_str()));
        return;
    }
    // The chain's open input is fed by "in", its open output feeds "out".
    TFilterInOutPtr feeding(av::avfilter_inout_alloc());
    TFilterInOutPtr fed(av::avfilter_inout_alloc());
    if (!feeding || !fed) Fail("");
    feeding->name = av::av_strdup("in");
    feeding->filter_ctx = last;
    feeding->pad_idx = 0;
    fed->name = av::av_strdup("out");
    fed->filter_ctx = m_sink;
    fed->pad_idx = 0;
    if (feeding->name == nullptr || fed->name == nullptr) Fail("");
    AVFilterInOut* inputs = fed.release();
    AVFilterInOut* outputs = feeding.release();
    const int parsed = av::avfilter_graph_parse_ptr(m_graph.get(), description.c_str(), &inputs, &outputs, nullptr);
    // What the library left unlinked comes back to us to free.
    fed.reset(inputs);
    feeding.reset(outputs);
    if (parsed < 0) {
        // The library may have freed every filter of the graph: ours are gone too.
        m_source = m_sink = nullptr;
        Fail(ParseFailure(description, parsed));
    }
}

bool TVideoFilterGraph::Push(const AVFrame& picture, std::int64_t pts)
{
    if (m_closed) return false;
    const AVFrame* fitting = &picture;
    if (picture.width != m_sourceWidth || picture.height != m_sourceHeight || picture.format != m_sourceFormat) {
        fitting = FitToSource(picture);
        if (fitting == nullptr) return false;
    } else {
        // Back to the source's geometry: the next change is told again.
        m_fittedFromFormat = AV_PIX_FMT_NONE;
    }
    AVFrame* staging = m_staging.get();
    // A new reference to the same pixels; only a picture that has no buffers of its own is copied.
    if (av::av_frame_ref(staging, fitting) < 0) return false;
    staging->pts = pts;
    staging->sample_aspect_ratio = m_sourceAspect;
    // The source takes over the staging frame's references.
    const int added = av::av_buffersrc_add_frame_flags(m_source, staging, 0);
    av::av_frame_unref(staging);
    if (added < 0) {
        Log(kLevelError, "Error while filtering: " + ErrorText(added));
        return false;
    }
    m_lastPts = pts;
    return true;
}

const AVFrame* TVideoFilterGraph::FitToSource(const AVFrame& picture)
{
    const AVPixelFormat format = static_cast<AVPixelFormat>(picture.format);
    const bool changed = picture.width != m_fittedFromWidth || picture.height != m_fittedFromHeight ||
                         picture.format != m_fittedFromFormat;
    if (changed) {
        m_fittedFromWidth = picture.width;
        m_fittedFromHeight = picture.height;
        m_fittedFromFormat = picture.format;
        const char* name = av::av_get_pix_fmt_name(format);
        Log(kLevelInfo, Format("Input pictures changed to %dx%d %s; rescaled to %dx%d for the filters",
                                     picture.width, picture.height, name != nullptr ? name : "?", m_sourceWidth,
                                     m_sourceHeight));
    }
    if (picture.width <= 0 || picture.height <= 0 || av::av_pix_fmt_desc_get(format) == nullptr) return nullptr;
    m_fitter.reset(av::sws_getCachedContext(m_fitter.release(), picture.width, picture.height, format, m_sourceWidth,
                                            m_sourceHeight, m_sourceFormat, m_scalerFlags, nullptr, nullptr, nullptr));
    if (!m_fitter) return nullptr;
    // The filters may still hold the previous fitted picture: this one goes into a buffer of its own.
    if (!m_fitted) m_fitted = NewFrame();
    if (!m_fittedPool.Take(m_fitted.get(), m_sourceFormat, m_sourceWidth, m_sourceHeight)) return nullptr;
    av::sws_scale(m_fitter.get(), picture.data, picture.linesize, 0, picture.height, m_fitted->data,
                  m_fitted->linesize);
    av::av_frame_copy_props(m_fitted.get(), &picture);
    return m_fitted.get();
}

bool TVideoFilterGraph::Pull(AVFrame* picture, std::int64_t& pts)
{
    // A chain can put out pictures without end ("loop", "tpad"); the main loop, which would
    // end the run, gets no turn while pictures keep coming.
    if (m_nothingMoreWanted && m_nothingMoreWanted()) return false;
    const int taken = av::av_buffersink_get_frame(m_sink, picture);
    if (taken < 0) {
        if (taken != AVERROR(EAGAIN) && taken != AVERROR_EOF)
            Log(kLevelError, "Error while filtering: " + ErrorText(taken));
        return false;
    }
    pts = picture->pts == AV_NOPTS_VALUE
              ? m_lastPts
              : av::av_rescale_q(picture->pts, av::av_buffersink_get_time_base(m_sink), AV_TIME_BASE_Q);
    return true;
}

void TVideoFilterGraph::Close()
{
    if (m_closed) return;
    m_closed = true;
    const int closed = av::av_buffersrc_add_frame_flags(m_source, nullptr, 0);
    if (closed < 0) Log(kLevelError, "Error while filtering: " + ErrorText(closed));
}

std::string TVideoFilterGraph::Describe() const
{
    char* text = av::avfilter_graph_dump(m_graph.get(), nullptr);
    if (text == nullptr) return {};
    std::string description = text;
    av::av_free(text);
    return description;
}

}  // namespace mirelk
