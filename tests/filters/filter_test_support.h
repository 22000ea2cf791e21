// What the filter tests share: a graph built on opened files as the run's set-up builds it,
// pictures of a known layout, and the decoded pictures of written files.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../test_support.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/run_records.h"
#include "engine/pipeline/video_filter_graph.h"
#include "engine/task_run_host.h"

namespace mirelk::test {

inline constexpr int kLight = 235;  // luma of white
inline constexpr int kDark = 16;    // luma of black

// A test with the libraries loaded, a folder of its own and in it a clip of two seconds, 64x48
// at 25 pictures a second, lossless, whose top left quadrant is white and the rest black.
class FilterTest : public LibrariesLoaded {
protected:
    void SetUp() override;
    std::string Out(const std::string& name = "out.mkv") const { return m_folder.Path(name); }

    TempFolder m_folder;
    std::string m_clip;
};

// One input and one output opened on a task, and the run records the set-up makes for their
// first video streams, so that a graph can be built and fed without running a transcode.
class GraphStage {
public:
    // options are applied before the output is opened and once more after it, as a task's
    // option text is; laterOptions only after.
    GraphStage(const std::string& input, const std::string& output, const std::string& options,
               const std::string& laterOptions = "");
    ~GraphStage();
    GraphStage(const GraphStage&) = delete;
    GraphStage& operator=(const GraphStage&) = delete;

    // Builds the graph; "" or the failure's message.
    std::string Build();
    // Why the files could not be opened, or "".
    const std::string& OpenFailure() const { return m_openFailure; }
    TVideoFilterGraph& Graph() { return *m_graph; }
    AVCodecContext& Encoder() { return *m_output.codec; }
    const AVStream& OutputStream() const { return *m_output.stream; }
    // Pushes a picture and takes everything the graph gives back at once (with their times).
    std::vector<TFramePtr> Filter(const AVFrame& picture, std::int64_t pts, std::vector<std::int64_t>* times = nullptr);
    // Ends the input and takes what the graph still held.
    std::vector<TFramePtr> Finish(std::vector<std::int64_t>* times = nullptr);
    // Pushes the pictures a 25th of a second apart, ends the input and takes all that came out.
    std::vector<TFramePtr> FilterAll(const std::vector<const AVFrame*>& pictures,
                                     std::vector<std::int64_t>* times = nullptr);

    CapturingTask task;

private:
    std::vector<TFramePtr> PullAll(std::vector<std::int64_t>* times);

    std::string m_openFailure;
    TTaskRunHost m_host{task};
    TInputStream m_source;
    TOutputStream m_output;
    std::unique_ptr<TVideoFilterGraph> m_graph;
};

// A planar YUV picture whose luma is luma(x, y) and whose chroma is neutral.
TFramePtr LumaPicture(int width, int height, const std::function<int(int x, int y)>& luma,
                      AVPixelFormat format = AV_PIX_FMT_YUV420P);
// Light in the top left quadrant, dark elsewhere.
int TopLeftLight(int width, int height, int x, int y);
// Luma of a pulled picture (of a planar YUV format).
int LumaAt(const AVFrame& picture, int x, int y);

// The mean of one quadrant of a gray picture, 0 top left, 1 top right, 2 bottom left, 3 bottom
// right; two pixels at each edge left out.
double QuadrantMean(const std::vector<unsigned char>& gray, int width, int height, int quadrant);

// A picture of a file decoded by the ffmpeg tool into 8-bit gray, row after row.
std::vector<unsigned char> DecodeGray(const std::string& path, int pictureIndex = 0);

}  // namespace mirelk::test
