// The user's video filter chain, run through a libavfilter graph between the decoder and the
// video output: a "buffer" source, the chain (with a scaler where the sizes demand one) and a
// "buffersink" that delivers the encoder's pixel format.
#pragma once

#include <cstdint>
#include <string>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"

namespace mirelk {

class TTranscodeRun;
struct TInputStream;
struct TOutputStream;

struct TFilterGraphDeleter {
    void operator()(AVFilterGraph* graph) const;
};

class TVideoFilterGraph {
public:
    // Builds the graph for an encoded video output fed by source, and sets the encoder's size
    // and sample aspect ratio from what the graph puts out. Throws FFmpegException
    // "Error opening filters: <reason>" (or "Error opening filters!" without one).
    TVideoFilterGraph(TTranscodeRun& run, TInputStream& source, TOutputStream& output);
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
    TTranscodeRun& m_run;
    std::unique_ptr<AVFilterGraph, TFilterGraphDeleter> m_graph;
    AVFilterContext* m_source = nullptr;  // owned by the graph
    AVFilterContext* m_sink = nullptr;    // owned by the graph
    AVRational m_sourceTimeBase{1, 1000000};
    TFramePtr m_staging;  // reused for every pushed picture
};

}  // namespace mirelk
