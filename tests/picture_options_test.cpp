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

// Each refused value with its message; the size stays what it was.
TEST_F(PictureOptions, RefusedValuesGiveTheirMessages)
{
    const std::string outside = " crop dimensions are outside the range of the original image.\n"
                                "Remember to crop first and scale second.";
    struct Case {
        const char* name;
        const char* value;
        std::string message;
    };
    const Case cases[] = {
        {"s", "321x240", "Frame size must be a multiple of 2"},
        {"s", "320x241", "Frame size must be a multiple of 2"},
        {"s", "huge", "Incorrect frame size"},
        {"r", "fast", "Incorrect frame rate"},
        {"aspect", "4:0", "Incorrect aspect ratio specification."},
        {"croptop", "480", "Vertical" + outside},
        {"cropright", "640", "Horizontal" + outside},
        {"cropleft", "3", "Left crop size must be a multiple of 2"},
        {"padtop", "5", "Top pad size must be a multiple of 2"},
        {"padright", "1", "Right pad size must be a multiple of 2"},
        {"target", "pal-laserdisc", "Unknown target type"},
        {"vhook", "vhook/drawtext.so -t hi", "Failed to add video hook function: vhook/drawtext.so -t hi"},
    };
    CapturingTask task;
    task.ParseOption("s", "640x480");
    for (const Case& c : cases) EXPECT_EQ(FailureOf([&] { task.ParseOption(c.name, c.value); }), c.message) << c.name;
    EXPECT_EQ(task.Options().frameWidth, 640);
    EXPECT_EQ(task.Options().frameHeight, 480);
}

TEST_F(PictureOptions, SizesRatesCropsAndPads)
{
    CapturingTask task;
    task.ParseOptionText("s=vga\nr=ntsc\naspect=16:9", false);
    EXPECT_EQ(task.Options().frameWidth, 640);
    EXPECT_EQ(task.Options().frameRate.num, 30000);
    EXPECT_EQ(task.Options().frameRate.den, 1001);
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

// A target's norm comes from the frame rate, or is assumed with a notice; its aspect likewise.
TEST_F(PictureOptions, TargetNormsAndAssumptions)
{
    CapturingTask vcd;
    vcd.ParseOptionText("r=25\ntarget=vcd", false);
    EXPECT_EQ(vcd.Options().frameHeight, 288);
    EXPECT_EQ(vcd.Options().forcedFormatName, "vcd");
    EXPECT_FLOAT_EQ(vcd.Options().frameAspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(vcd.messages, (std::vector<Message>{{1, "Assuming PAL for target."}, {1, "Assuming 4:3 for aspect ratio"}}));

    CapturingTask dvd;
    dvd.ParseOptionText("aspect=4:3\nac=1\ntarget=ntsc-dvd", false);
    EXPECT_EQ(dvd.Options().frameHeight, 480);
    EXPECT_EQ(dvd.Options().frameRate.num, 30000);
    EXPECT_EQ(dvd.Options().audioChannels, 2);
    EXPECT_FLOAT_EQ(dvd.Options().frameAspectRatio, 4.0f / 3.0f);
    EXPECT_TRUE(dvd.messages.empty());

    CapturingTask palDvd;
    palDvd.ParseOption("target", "pal-dvd");  // no frame rate needed when the norm is given
    EXPECT_EQ(palDvd.Options().frameHeight, 576);
    EXPECT_EQ(palDvd.messages.back(), (Message{1, "Assuming 16:9 for aspect ratio"}));

    CapturingTask noRate;
    EXPECT_EQ(FailureOf([&] { noRate.ParseOption("target", "dvd"); }), "frame_rate is invalid.");
    CapturingTask unknownRate;
    unknownRate.ParseOptionText("r=12\ntarget=svcd", false);  // decides nothing: the default norm, NTSC
    EXPECT_EQ(unknownRate.Options().frameHeight, 480);
    EXPECT_EQ(unknownRate.messages.front(), (Message{1, "Assuming NTSC for target."}));

    CapturingTask dv50;
    dv50.ParseOption("target", "ntsc-dv50");
    EXPECT_EQ(dv50.Options().framePixelFormat, AV_PIX_FMT_YUV422P);
}
