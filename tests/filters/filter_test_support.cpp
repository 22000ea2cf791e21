#include "filter_test_support.h"

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk::test {

void FilterTest::SetUp()
{
    LibrariesLoaded::SetUp();
    m_clip = MakeMedia(m_folder.Path("quadrant.mkv"), "-f lavfi -i \"nullsrc=s=64x48:r=25:d=2,format=yuv420p,"
                                                      "geq=lum='if(lt(X,W/2)*lt(Y,H/2),235,16)':cb=128:cr=128\" -c:v ffv1");
    ASSERT_FALSE(m_clip.empty());
}

// The clips these tests make hold one stream, a picture.
GraphStage::GraphStage(const std::string& input, const std::string& output, const std::string& options,
                       const std::string& laterOptions)
{
    try {
        if (!task.OpenInputFile(input)) throw FFmpegException(task.LastErrMsg);
        task.ParseOptionText(options, false);
        if (!task.OpenOutputFile(output)) throw FFmpegException(task.LastErrMsg);
        task.ParseOptionText(options, true);
        task.ParseOptionText(laterOptions, true);
    } catch (const FFmpegException& error) {
        m_openFailure = error.what();
        return;
    }
    m_source.stream = task.Input(0).context->streams[0];
    const TOpenOutputStream& opened = task.Output(0).streams.at(0);
    m_output.stream = opened.stream;
    m_output.codec = opened.codec.get();
    m_output.encoder = opened.encoder;
    m_output.encodingNeeded = true;
}

GraphStage::~GraphStage()
{
    m_graph.reset();
    task.CleanUp();
}

std::string GraphStage::Build()
{
    if (!m_openFailure.empty()) return m_openFailure;
    try {
        const TRunRequest request = task.RunRequest();
        m_graph = std::make_unique<TVideoFilterGraph>(
            TPictureSettings::From(request.options, request.avOptions.ScalerFlags()), m_source, m_output,
            [this](int level, const std::string& text) { m_host.Log(level, text); });
    } catch (const FFmpegException& error) {
        return error.what();
    }
    return "";
}

std::vector<TFramePtr> GraphStage::Filter(const AVFrame& picture, std::int64_t pts, std::vector<std::int64_t>* times)
{
    EXPECT_TRUE(m_graph->Push(picture, pts));
    return PullAll(times);
}

std::vector<TFramePtr> GraphStage::Finish(std::vector<std::int64_t>* times)
{
    m_graph->Close();
    return PullAll(times);
}

std::vector<TFramePtr> GraphStage::FilterAll(const std::vector<const AVFrame*>& pictures,
                                             std::vector<std::int64_t>* times)
{
    std::vector<TFramePtr> pulled;
    for (std::size_t index = 0; index < pictures.size(); ++index)
        for (TFramePtr& frame : Filter(*pictures[index], static_cast<std::int64_t>(index) * 40000, times))
            pulled.push_back(std::move(frame));
    for (TFramePtr& frame : Finish(times)) pulled.push_back(std::move(frame));
    return pulled;
}

std::vector<TFramePtr> GraphStage::PullAll(std::vector<std::int64_t>* times)
{
    std::vector<TFramePtr> pulled;
    for (;;) {
        TFramePtr frame = NewFrame();
        std::int64_t time = 0;
        if (!m_graph->Pull(frame.get(), time)) return pulled;
        if (times != nullptr) times->push_back(time);
        pulled.push_back(std::move(frame));
    }
}

TFramePtr LumaPicture(int width, int height, const std::function<int(int x, int y)>& luma, AVPixelFormat format)
{
    const AVPixFmtDescriptor* descriptor = av::av_pix_fmt_desc_get(format);
    TFramePtr picture = NewFrame();
    picture->width = width;
    picture->height = height;
    picture->format = format;
    if (descriptor == nullptr || av::av_frame_get_buffer(picture.get(), 0) < 0) return nullptr;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture->data[0][y * picture->linesize[0] + x] = static_cast<std::uint8_t>(luma(x, y));
    const int chromaWidth = -((-width) >> descriptor->log2_chroma_w);
    const int chromaHeight = -((-height) >> descriptor->log2_chroma_h);
    for (int plane = 1; plane <= 2; ++plane)
        for (int y = 0; y < chromaHeight; ++y)
            for (int x = 0; x < chromaWidth; ++x) picture->data[plane][y * picture->linesize[plane] + x] = 128;
    return picture;
}

int TopLeftLight(int width, int height, int x, int y) { return x < width / 2 && y < height / 2 ? kLight : kDark; }

int LumaAt(const AVFrame& picture, int x, int y) { return picture.data[0][y * picture.linesize[0] + x]; }

double QuadrantMean(const std::vector<unsigned char>& gray, int width, int height, int quadrant)
{
    if (gray.size() < static_cast<std::size_t>(width) * height) return -1;
    const int left = (quadrant % 2) * width / 2;
    const int top = (quadrant / 2) * height / 2;
    double sum = 0;
    int count = 0;
    for (int y = top + 2; y < top + height / 2 - 2; ++y)
        for (int x = left + 2; x < left + width / 2 - 2; ++x, ++count)
            sum += gray[static_cast<std::size_t>(y) * width + x];
    return sum / count;
}

std::vector<unsigned char> DecodeGray(const std::string& path, int pictureIndex)
{
    const std::string raw = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) +
                                       " -vf \"select=eq(n\\," + std::to_string(pictureIndex) +
                                       ")\" -frames:v 1 -f rawvideo -pix_fmt gray -");
    return std::vector<unsigned char>(raw.begin(), raw.end());
}

}  // namespace mirelk::test
