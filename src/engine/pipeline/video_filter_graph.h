// The user's video filter chain, run through a libavfilter graph between the decoder and the
// video output: a "buffer" source, the chain (with a scaler where the sizes demand one) and a
// "buffersink" that delivers the encoder's pixel format.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/error_policy.h"
#include "engine/pipeline/frame_pool.h"
#include "engine/pipeline/picture_settings.h"

namespace mirelk {

struct TInputStream;
struct TOutputStream;

class TVideoFilterGraph {
public:
    // Builds the graph for an encoded video output fed by source, and sets the encoder's size
    // and sample aspect ratio from what the graph puts out. Throws FFmpegException
    // "Error opening filters: <reason>" (or "Error opening filters!" without one). Pulling
    // stops while nothingMoreWanted says so (none: never).
    TVideoFilterGraph(const TPictureSettings& settings, const TInputStream& source, const TOutputStream& output,
                      TLogFunction log, std::function<bool()> nothingMoreWanted = {});
    ~TVideoFilterGraph();
    TVideoFilterGraph(const TVideoFilterGraph&) = delete;
    TVideoFilterGraph& operator=(const TVideoFilterGraph&) = delete;

    // Pushes one decoded picture with its time in microseconds; false when the graph refused it.
    bool Push(const AVFrame& picture, std::int64_t pts);
    // Takes the next filtered picture into picture (its time, in microseconds, into pts);
    // false when none is ready.
    bool Pull(AVFrame* picture, std::int64_t& pts);
    // End of input: the pictures the filters still hold come out through Pull.
    void Close();
    // The graph as the library describes it.
    std::string Describe() const;

private:
    void CreateSource(const TInputStream& source);
    void CreateSink(AVPixelFormat encoderFormat);
    // Inserts a scaler to width x height after the source; it becomes the filter the user's
    // chain (or the sink) is linked to.
    AVFilterContext* InsertScaler(int width, int height, int scalerFlags);
    void ParseChain(AVFilterContext* last, const std::string& description);
    // A picture whose size or pixel format is not the one the source was built for, rescaled
    // to it; null when that cannot be done.
    const AVFrame* FitToSource(const AVFrame& picture);
    void Log(int level, const std::string& text) const
    {
        if (m_log) m_log(level, text);
    }

    TLogFunction m_log;
    std::function<bool()> m_nothingMoreWanted;
    TFilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;  // owned by the graph
    AVFilterContext* m_sink = nullptr;    // owned by the graph
    // What the source was built for; every pushed picture is made to match it.
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
    AVPixelFormat m_sourceFormat = AV_PIX_FMT_NONE;
    AVRational m_sourceAspect{0, 1};
    AVRational m_sourceTimeBase{1, 1000000};
    int m_scalerFlags = SWS_BICUBIC;
    std::int64_t m_lastPts = 0;
    bool m_closed = false;
    TFramePtr m_staging;  // reused for every pushed picture
    // Only for pictures that change size or format in mid-stream.
    TScalerPtr m_fitter;
    TPictureFramePool m_fittedPool;
    TFramePtr m_fitted;
    int m_fittedFromWidth = 0;
    int m_fittedFromHeight = 0;
    int m_fittedFromFormat = AV_PIX_FMT_NONE;
};

}  // namespace mirelk
