#include "engine/pipeline/video_filter_graph.h"

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/transcode_run.h"

namespace mirelk {

void TFilterGraphDeleter::operator()(AVFilterGraph* graph) const { av::avfilter_graph_free(&graph); }

TVideoFilterGraph::TVideoFilterGraph(TTranscodeRun& run, TInputStream&, TOutputStream&) : m_run(run)
{
    throw FFmpegException("Error opening filters!");
}

TVideoFilterGraph::~TVideoFilterGraph() = default;

bool TVideoFilterGraph::Push(const AVFrame&, std::int64_t) { return false; }

bool TVideoFilterGraph::Pull(AVFrame*, std::int64_t&) { return false; }

void TVideoFilterGraph::Close() {}

std::string TVideoFilterGraph::Describe() const { return {}; }

}  // namespace mirelk
