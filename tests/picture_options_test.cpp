#include <gtest/gtest.h>

#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::FailureOf;

namespace {

class PictureOptions : public mirelk::test::LibrariesLoaded {};

using Message = std::pair<int, std::string>;

std::vector<int> PadColour(const TOptionState& options)
{
    return {options.padColorY, options.padColorU, options.padColorV};
}

}  // namespace

TEST_F(PictureOptions, SizesRatesCropsAndPads)
{
    CapturingTask task;
    task.ParseOptionText("s=640x480\nr=30000/1001\naspect=16:9", false);
    EXPECT_EQ(task.Options().frameWidth, 640);
    EXPECT_EQ(task.Options().frameRate.num, 30000);
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 16.0f / 9.0f);
    task.ParseOption("aspect", "1.85");
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 1.85f);

    // A crop takes its bands off the size known; one that leaves nothing is refused.
    task.ParseOptionText("croptop=100\ncropright=-4\ncropleft=40", false);
    EXPECT_EQ(task.Options().frameHeight, 380);
    EXPECT_EQ(task.Options().frameWidth, 600);
    EXPECT_EQ(task.Options().cropLeft, 40);
    EXPECT_NE(FailureOf([&] { task.ParseOption("cropbottom", "380"); }), "");

    task.ParseOptionText("padtop=16\npadbottom=8\npadleft=-2", false);
    EXPECT_EQ(task.Options().padTop, 16);
    EXPECT_EQ(task.Options().padBottom, 8);
    EXPECT_EQ(task.Options().padLeft, 0);
    EXPECT_EQ(PadColour(task.Options()), (std::vector<int>{16, 128, 128}));
    task.ParseOption("padcolor", "255");  // red in the lowest byte
    EXPECT_EQ(PadColour(task.Options()), (std::vector<int>{76, 85, 255}));
    task.ParseOption("padcolor", "16777215");  // white
    EXPECT_EQ(PadColour(task.Options()), (std::vector<int>{255, 128, 128}));
}

// A target's norm comes from the frame rate (a rate of neither norm decides nothing: NTSC), or
// the target's name; what is assumed is said. A given aspect stays, mono becomes stereo.
TEST_F(PictureOptions, TargetNormsAndAssumptions)
{
    struct Case {
        const char* options;
        int height;
        int rate;
        float aspect;
        std::vector<Message> notices;
    };
    const Case cases[] = {
        {"r=25\ntarget=vcd", 288, 25, 4.0f / 3, {{1, "Assuming PAL for target."}, {1, "Assuming 4:3 for aspect ratio"}}},
        {"r=12\ntarget=svcd", 480, 30000, 4.0f / 3, {{1, "Assuming NTSC for target."}, {1, "Assuming 4:3 for aspect ratio"}}},
        {"target=pal-dvd", 576, 25, 16.0f / 9, {{1, "Assuming 16:9 for aspect ratio"}}},
        {"aspect=4:3\nac=1\ntarget=ntsc-dvd", 480, 30000, 4.0f / 3, {}},
    };
    for (const Case& c : cases) {
        CapturingTask task;
        task.ParseOptionText(c.options, false);
        EXPECT_EQ(task.Options().frameHeight, c.height) << c.options;
        EXPECT_EQ(task.Options().frameRate.num, c.rate) << c.options;
        EXPECT_EQ(task.messages, c.notices) << c.options;
        EXPECT_EQ(task.Options().audioChannels, 2) << c.options;
        EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, c.aspect) << c.options;
    }
    CapturingTask noRate;
    EXPECT_EQ(FailureOf([&] { noRate.ParseOption("target", "dvd"); }), "frame_rate is invalid.");
    CapturingTask dv50;
    dv50.ParseOption("target", "ntsc-dv50");
    EXPECT_EQ(dv50.Options().framePixelFormat, AV_PIX_FMT_YUV422P);
}
