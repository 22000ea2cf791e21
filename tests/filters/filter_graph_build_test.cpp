// Building the video filter graph: where a scaler goes, what the encoder is told, which option
// combinations are refused, and how bad chains fail.
#include <gtest/gtest.h>

#include <filesystem>

#include "filter_test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

const std::string kPadWithResize =
    "Cannot enable pad options and the filters which resize frame at the same time. "
    "(crop, rotate, scale, transpose, etc.)";
const std::string kCrop = "Cannot enable crop options and filters at the same time.";
const std::string kOpening = "Error opening filters: ";

class FilterGraphBuild : public FilterTest {};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// The encoder's size is the asked size (or the source's) plus the pad bands, and a scaler goes
// between the source and the chain only where the source's size is not the asked one; what the
// chain itself does to the size and the pixel aspect decides the rest.
TEST_F(FilterGraphBuild, EncoderSizeAndScalerPlace)
{
    struct Case {
        const char* options;
        int width;
        int height;
        const char* link;  // a link the description shows; scale_to_encoder only where one is
    };
    const Case cases[] = {
        {"vfilters=vflip", 64, 48, "src:default--[64x48 1:1 yuv420p]--default| Parsed_vflip_0"},
        {"padtop=8\npadbottom=8\npadleft=4\npadright=4\nvfilters=vflip", 72, 64, "src:default--[64x48 1:1 yuv420p]"},
        {"s=32x24\nvfilters=vflip", 32, 24, "scale_to_encoder:default--[32x24 1:1 yuv420p]--default| Parsed_vflip_0"},
        {"s=32x24\npadleft=8\npadright=8\nvfilters=hflip", 48, 24, "scale_to_encoder:default--[32x24 1:1 yuv420p]"},
        {"s=32x24\npadtop=8\npadbottom=8\nvfilters=hflip", 32, 40, "scale_to_encoder:default--[32x24 1:1 yuv420p]"},
        {"vfilters=scale=320:240", 320, 240, "Parsed_scale_0:default--[320x240 1:1 yuv420p]--default|     out"},
        {"vfilters=scale=iw/2:ih/2", 32, 24, "[32x24 1:1 yuv420p]--default|     out"},
        {"vfilters=transpose=1", 48, 64, "[48x64 1:1 yuv420p]--default|     out"},
        {"vfilters=vflip,hflip,negate,scale=320:240,rotate=45*PI/180,setpts=0.5*PTS", 320, 240, "[320x240"},
    };
    for (const Case& c : cases) {
        GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\n") + c.options);
        ASSERT_EQ(stage.Build(), "") << c.options;
        const std::string graph = stage.Graph().Describe();
        EXPECT_EQ(stage.Encoder().width, c.width) << c.options;
        EXPECT_EQ(stage.Encoder().height, c.height) << c.options;
        EXPECT_EQ(stage.Encoder().pix_fmt, AV_PIX_FMT_YUV420P) << c.options;
        EXPECT_TRUE(Contains(graph, c.link)) << c.options << "\n" << graph;
        EXPECT_EQ(Contains(graph, "scale_to_encoder"), Contains(c.link, "scale_to_encoder")) << c.options;
    }
    // Squeezed to half the width, the pixels become twice as wide: encoder and stream say so.
    GraphStage squeezed(m_clip, Out(), "vcodec=ffv1\nvfilters=scale=32:48");
    ASSERT_EQ(squeezed.Build(), "");
    EXPECT_EQ(squeezed.Encoder().sample_aspect_ratio.num, 2);
    EXPECT_EQ(squeezed.Encoder().sample_aspect_ratio.den, 1);
    EXPECT_EQ(squeezed.OutputStream().sample_aspect_ratio.num, 2);
    EXPECT_EQ(squeezed.OutputStream().sample_aspect_ratio.den, 1);
}

// Crop options exclude filters, pad options exclude resizing ones: the output's own check refuses
// what it sees before it opens, the graph what comes later or what it has to measure. Pad bands
// around a chain that ends at the asked size are no resize.
TEST_F(FilterGraphBuild, CropAndPadOptionsWithFilters)
{
    struct Case {
        const char* options;
        const char* laterOptions;
        std::string openFailure;
        std::string buildFailure;
    };
    const Case cases[] = {
        {"croptop=8\nvfilters=vflip", "", kCrop, kCrop},
        {"vfilters=vflip", "cropleft=8", "", kOpening + kCrop},
        {"padtop=8\npadbottom=8\nvfilters=scale=32:24", "", kPadWithResize, kPadWithResize},
        // A resizing filter the name check does not know: the graph measures it.
        {"padleft=8\npadright=8\nvfilters=pad=iw+16:ih", "", "", kOpening + kPadWithResize},
        {"vfilters=scale=32:24", "padtop=8\npadbottom=8", "", kOpening + kPadWithResize},
        {"vfilters=scale=64:48", "padtop=8\npadbottom=8", "", ""},
    };
    for (const Case& c : cases) {
        {
            GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\n") + c.options, c.laterOptions);
            EXPECT_EQ(stage.OpenFailure(), c.openFailure) << c.options;
            EXPECT_EQ(stage.Build(), c.buildFailure) << c.options;
            if (c.buildFailure.empty()) {
                EXPECT_EQ(stage.Encoder().height, 64);
            }
        }
        EXPECT_FALSE(fs::exists(Out())) << c.options;
    }
}

TEST_F(FilterGraphBuild, BadChainsFailWithTheReasonAndLeaveNoFile)
{
    struct Case {
        const char* chain;
        std::string message;  // the whole message, or its start when partial
        bool partial;
    };
    const Case cases[] = {
        {"vfliq", kOpening + "No such filter: 'vfliq'", false},
        {"[in] vflip [a]; [a] frobnicate [out]", kOpening + "No such filter: 'frobnicate'", false},
        {"negate=xyz", kOpening + "Cannot parse \"negate=xyz\": Invalid argument", false},
        {"vflip,,hflip", kOpening + "Cannot parse \"vflip,,hflip\": ", true},
        {"[in]vflip[dangling]", kOpening + "Cannot configure \"[in]vflip[dangling]\": ", true},
        {"crop=1000:1000", kOpening + "Cannot configure \"crop=1000:1000\": ", true},
    };
    for (const Case& c : cases) {
        {
            GraphStage stage(m_clip, Out(), std::string("vcodec=ffv1\nvfilters=") + c.chain);
            ASSERT_EQ(stage.OpenFailure(), "") << c.chain;
            const std::string message = stage.Build();
            EXPECT_EQ(c.partial ? message.substr(0, c.message.size()) : message, c.message) << c.chain;
            EXPECT_GT(message.size(), kOpening.size()) << c.chain;
        }
        // The empty output went with the task's clean-up.
        EXPECT_FALSE(fs::exists(Out())) << c.chain;
    }
}
