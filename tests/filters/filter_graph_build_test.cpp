// Building the video filter graph: where a scaler goes, what the encoder is told, which option
// combinations are refused, and how bad chains fail.
#include <gtest/gtest.h>

#include <filesystem>

#include "filter_test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

const char* const kPadWithResizeMessage =
    "Error opening filters: Cannot enable pad options and the filters which resize frame at the same time. "
    "(crop, rotate, scale, transpose, etc.)";
const char* const kCropMessage = "Cannot enable crop options and filters at the same time.";

class FilterGraphBuild : public LibrariesLoaded {
protected:
    void SetUp() override
    {
        LibrariesLoaded::SetUp();
        m_clip = MakeQuadrantClip(m_folder.Path("quadrant.mkv"), 64, 48, 1);
        ASSERT_FALSE(m_clip.empty());
    }
    std::string Out(const std::string& name = "out.mkv") const { return m_folder.Path(name); }

    TempFolder m_folder;
    std::string m_clip;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(FilterGraphBuild, ScalerOnlyWhereTheSourceAndPadsMissTheEncoderSize)
{
    {
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\nvfilters=vflip");
        ASSERT_EQ(stage.Build(), "");
        const std::string graph = stage.Graph().Describe();
        EXPECT_FALSE(Contains(graph, "scale")) << graph;
        EXPECT_TRUE(Contains(graph, "src:default--[64x48 1:1 yuv420p]--default| Parsed_vflip_0")) << graph;
        EXPECT_TRUE(Contains(graph, "Parsed_vflip_0:default--[64x48 1:1 yuv420p]--default|     out")) << graph;
        EXPECT_EQ(stage.Encoder().width, 64);
        EXPECT_EQ(stage.Encoder().height, 48);
    }
    {
        // Input size plus the pad bands is the encoder size: the pictures go in as they are.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\npadtop=8\npadbottom=8\npadleft=4\npadright=4\nvfilters=vflip");
        ASSERT_EQ(stage.Build(), "");
        const std::string graph = stage.Graph().Describe();
        EXPECT_FALSE(Contains(graph, "scale")) << graph;
        EXPECT_EQ(stage.Encoder().width, 72);
        EXPECT_EQ(stage.Encoder().height, 64);
    }
    {
        // An asked size: one scaler, between the source and the user's chain.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\ns=32x24\nvfilters=vflip");
        ASSERT_EQ(stage.Build(), "");
        const std::string graph = stage.Graph().Describe();
        EXPECT_TRUE(Contains(graph, "src:default--[64x48 1:1 yuv420p]--default| scale_to_encoder")) << graph;
        EXPECT_TRUE(Contains(graph, "scale_to_encoder:default--[32x24 1:1 yuv420p]--default| Parsed_vflip_0")) << graph;
        EXPECT_EQ(stage.Encoder().width, 32);
        EXPECT_EQ(stage.Encoder().height, 24);
    }
    {
        // An asked size with pad bands: the scaler makes the inner picture.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\ns=32x24\npadleft=8\npadright=8\nvfilters=hflip");
        ASSERT_EQ(stage.Build(), "");
        const std::string graph = stage.Graph().Describe();
        EXPECT_TRUE(Contains(graph, "scale_to_encoder:default--[32x24 1:1 yuv420p]--default| Parsed_hflip_0")) << graph;
        EXPECT_EQ(stage.Encoder().width, 48);
        EXPECT_EQ(stage.Encoder().height, 24);
    }
}

TEST_F(FilterGraphBuild, TheChainDecidesTheEncoderSizeAndAspect)
{
    struct Case {
        const char* chain;
        int width;
        int height;
    };
    const Case cases[] = {
        {"vflip", 64, 48},
        {"hflip", 64, 48},
        {"negate", 64, 48},
        {"scale=320:240", 320, 240},
        {"rotate=45*PI/180", 64, 48},
        {"setpts=0.5*PTS", 64, 48},
        // A filter that halves the picture, with no size asked: the encoder takes the half.
        {"scale=iw/2:ih/2", 32, 24},
        {"transpose=1", 48, 64},
        {"vflip,hflip,negate,scale=320:240,rotate=45*PI/180,setpts=0.5*PTS", 320, 240},
    };
    for (const Case& c : cases) {
        GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\nvfilters=") + c.chain);
        ASSERT_EQ(stage.Build(), "") << c.chain;
        EXPECT_EQ(stage.Encoder().width, c.width) << c.chain;
        EXPECT_EQ(stage.Encoder().height, c.height) << c.chain;
        EXPECT_EQ(stage.Encoder().pix_fmt, AV_PIX_FMT_YUV420P) << c.chain;
        EXPECT_FALSE(Contains(stage.Graph().Describe(), "scale_to_encoder")) << c.chain;
    }
    // Squeezed to half the width, the pixels become twice as wide: encoder and stream say so.
    GraphStage squeezed(m_clip, Out(), "vcodec=ffv1\nvfilters=scale=32:48");
    ASSERT_EQ(squeezed.Build(), "");
    EXPECT_EQ(squeezed.Encoder().sample_aspect_ratio.num, 2);
    EXPECT_EQ(squeezed.Encoder().sample_aspect_ratio.den, 1);
    EXPECT_EQ(squeezed.OutputStream().sample_aspect_ratio.num, 2);
    EXPECT_EQ(squeezed.OutputStream().sample_aspect_ratio.den, 1);
}

TEST_F(FilterGraphBuild, TheSinkDeliversTheEncoderPixelFormat)
{
    const std::string full = MakeMedia(m_folder.Path("444.mkv"),
                                       "-f lavfi -i testsrc=d=1:s=64x48:r=25 -pix_fmt yuv444p -c:v ffv1");
    ASSERT_FALSE(full.empty());
    // mpeg4 codes only 4:2:0: the library converts before the sink.
    GraphStage stage(full, Out("out.avi"), "vcodec=mpeg4\nvfilters=vflip");
    ASSERT_EQ(stage.Build(), "");
    EXPECT_EQ(stage.Encoder().pix_fmt, AV_PIX_FMT_YUV420P);
    const std::string graph = stage.Graph().Describe();
    EXPECT_TRUE(Contains(graph, "src:default--[64x48 1:1 yuv444p]")) << graph;
    EXPECT_TRUE(Contains(graph, "[64x48 1:1 yuv420p]--default|     out")) << graph;
    EXPECT_FALSE(Contains(graph, "scale_to_encoder")) << graph;
}

TEST_F(FilterGraphBuild, CropOptionsAndFiltersExcludeEachOther)
{
    {
        // Given before the output opens: the output is refused.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\ncroptop=8\nvfilters=vflip");
        EXPECT_EQ(stage.OpenFailure(), kCropMessage);
    }
    EXPECT_FALSE(fs::exists(Out()));
    {
        // Given after it: the graph refuses.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\nvfilters=vflip", "cropleft=8");
        ASSERT_EQ(stage.OpenFailure(), "");
        EXPECT_EQ(stage.Build(), std::string("Error opening filters: ") + kCropMessage);
    }
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(FilterGraphBuild, PadOptionsWithResizingFilters)
{
    {
        // The output's own check knows the resizing filters by name.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\npadtop=8\npadbottom=8\nvfilters=scale=32:24");
        EXPECT_EQ(stage.OpenFailure(),
                  "Cannot enable pad options and the filters which resize frame at the same time. "
                  "(crop, rotate, scale, transpose, etc.)");
    }
    {
        // A resizing filter that name check does not know: the graph measures it.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\npadleft=8\npadright=8\nvfilters=pad=iw+16:ih");
        ASSERT_EQ(stage.OpenFailure(), "");
        EXPECT_EQ(stage.Build(), kPadWithResizeMessage);
    }
    {
        // Pad bands given after the output opened, a chain that ends at the asked size: accepted.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\nvfilters=scale=64:48", "padtop=8\npadbottom=8");
        ASSERT_EQ(stage.Build(), "");
        EXPECT_EQ(stage.Encoder().width, 64);
        EXPECT_EQ(stage.Encoder().height, 64);
    }
    {
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\nvfilters=scale=32:24", "padtop=8\npadbottom=8");
        EXPECT_EQ(stage.Build(), kPadWithResizeMessage);
    }
    {
        // The size asked with "s" is no resize by the chain.
        GraphStage stage(m_clip, Out(), "vcodec=ffv1\ns=32x24\npadtop=8\npadbottom=8\nvfilters=hflip");
        ASSERT_EQ(stage.Build(), "");
        EXPECT_EQ(stage.Encoder().width, 32);
        EXPECT_EQ(stage.Encoder().height, 40);
    }
}

TEST_F(FilterGraphBuild, BadChainsFailWithTheReasonAndLeaveNoFile)
{
    struct Case {
        const char* chain;
        const char* message;  // the whole message, or its start when partial
        bool partial;
    };
    const Case cases[] = {
        {"vfliq", "Error opening filters: No such filter: 'vfliq'", false},
        {"vflip,nosuch=3,hflip", "Error opening filters: No such filter: 'nosuch'", false},
        {"[in] vflip [a]; [a] frobnicate [out]", "Error opening filters: No such filter: 'frobnicate'", false},
        {"select='eq(n,0)',oops", "Error opening filters: No such filter: 'oops'", false},
        {"negate=xyz", "Error opening filters: Cannot parse \"negate=xyz\": Invalid argument", false},
        {"scale=w=abc", "Error opening filters: Cannot parse \"scale=w=abc\": ", true},
        {"rotate=45*", "Error opening filters: Cannot configure \"rotate=45*\": ", true},
        {"vflip,,hflip", "Error opening filters: Cannot parse \"vflip,,hflip\": ", true},
        {"drawtext='unclosed", "Error opening filters: ", true},
        {"[in]vflip[dangling]", "Error opening filters: Cannot configure \"[in]vflip[dangling]\": ", true},
        {"split", "Error opening filters: Cannot configure \"split\": ", true},
        {"fps=fps=abc", "Error opening filters: Cannot configure \"fps=fps=abc\": ", true},
        {"crop=1000:1000", "Error opening filters: Cannot configure \"crop=1000:1000\": ", true},
        {"[[[[,,;;]]]]", "Error opening filters: ", true},
    };
    for (const Case& c : cases) {
        {
            GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\nvfilters=") + c.chain);
            ASSERT_EQ(stage.OpenFailure(), "") << c.chain;
            const std::string message = stage.Build();
            if (c.partial)
                EXPECT_EQ(message.rfind(c.message, 0), 0u) << c.chain << ": " << message;
            else
                EXPECT_EQ(message, c.message) << c.chain;
            EXPECT_GT(message.size(), std::string("Error opening filters: ").size()) << c.chain;
        }
        // The empty output went with the task's clean-up.
        EXPECT_FALSE(fs::exists(Out())) << c.chain;
    }
}
