#include <gtest/gtest.h>

#include "engine/options/ffmpeg_exception.h"
#include "test_support.h"

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::FailureOf;

namespace {

class PictureOptions : public mirelk::test::LibrariesLoaded {};

}  // namespace

TEST_F(PictureOptions, SizeRateAndAspect)
{
    CapturingTask task;
    task.ParseOptionText("s=vga\nr=ntsc\naspect=16:9", false);
    EXPECT_EQ(task.Options().frameWidth, 640);
    EXPECT_EQ(task.Options().frameHeight, 480);
    EXPECT_EQ(task.Options().frameRate.num, 30000);
    EXPECT_EQ(task.Options().frameRate.den, 1001);
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 16.0f / 9.0f);
    task.ParseOption("aspect", "1.85");
    EXPECT_FLOAT_EQ(task.Options().frameAspectRatio, 1.85f);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("s", "321x240"); }), "Frame size must be a multiple of 2");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("s", "huge"); }), "Incorrect frame size");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("r", "fast"); }), "Incorrect frame rate");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("aspect", "4:0"); }), "Incorrect aspect ratio specification.");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("aspect", "wide"); }), "Incorrect aspect ratio specification.");
    EXPECT_EQ(task.Options().frameWidth, 640);
}

TEST_F(PictureOptions, CropChecksTheSizeLeft)
{
    CapturingTask task;
    task.ParseOption("s", "640x480");
    const std::string vertical =
        "Vertical crop dimensions are outside the range of the original image.\nRemember to crop first and scale second.";
    EXPECT_EQ(FailureOf([&] { task.ParseOption("croptop", "480"); }), vertical);
    task.ParseOption("croptop", "100");
    EXPECT_EQ(task.Options().frameHeight, 380);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("cropbottom", "380"); }), vertical);
    EXPECT_EQ(FailureOf([&] { task.ParseOption("cropleft", "3"); }), "Left crop size must be a multiple of 2");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("cropright", "640"); }),
              "Horizontal crop dimensions are outside the range of the original image.\n"
              "Remember to crop first and scale second.");
    task.ParseOption("cropright", "-4");  // negative: nothing happens
    EXPECT_EQ(task.Options().frameWidth, 640);
    task.ParseOption("cropleft", "40");
    EXPECT_EQ(task.Options().cropLeft, 40);
    EXPECT_EQ(task.Options().frameWidth, 600);
}

TEST_F(PictureOptions, PadAndPadColour)
{
    CapturingTask task;
    EXPECT_EQ(FailureOf([&] { task.ParseOption("padtop", "5"); }), "Top pad size must be a multiple of 2");
    EXPECT_EQ(FailureOf([&] { task.ParseOption("padright", "1"); }), "Right pad size must be a multiple of 2");
    task.ParseOptionText("padtop=16\npadbottom=8\npadleft=-2", false);
    EXPECT_EQ(task.Options().padTop, 16);
    EXPECT_EQ(task.Options().padBottom, 8);
    EXPECT_EQ(task.Options().padLeft, 0);
    EXPECT_EQ((std::vector<int>{task.Options().padColorY, task.Options().padColorU, task.Options().padColorV}),
              (std::vector<int>{16, 128, 128}));
    task.ParseOption("padcolor", "255");  // red in the lowest byte
    EXPECT_EQ((std::vector<int>{task.Options().padColorY, task.Options().padColorU, task.Options().padColorV}),
              (std::vector<int>{76, 85, 255}));
    task.ParseOption("padcolor", "16777215");  // white
    EXPECT_EQ((std::vector<int>{task.Options().padColorY, task.Options().padColorU, task.Options().padColorV}),
              (std::vector<int>{255, 128, 128}));
}

TEST_F(PictureOptions, TargetPresets)
{
    CapturingTask vcd;
    vcd.ParseOptionText("r=25\ntarget=vcd", false);
    EXPECT_EQ(vcd.Options().frameWidth, 352);
    EXPECT_EQ(vcd.Options().frameHeight, 288);
    EXPECT_STREQ(vcd.AVOptions()->CodecOptions(miVideo).Get("g"), "15");
    EXPECT_EQ(vcd.Options().videoCodecName, "mpeg1video");
    EXPECT_EQ(vcd.Options().audioCodecName, "mp2");
    EXPECT_EQ(vcd.Options().forcedFormatName, "vcd");
    EXPECT_STREQ(vcd.AVOptions()->FormatOptions().Get("packetsize"), "2324");
    EXPECT_STREQ(vcd.AVOptions()->FormatOptions().Get("muxrate"), "1411200");
    EXPECT_FLOAT_EQ(vcd.Options().muxPreload, 0.44f);
    EXPECT_FLOAT_EQ(vcd.Options().frameAspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(vcd.messages, (std::vector<std::pair<int, std::string>>{{1, "Assuming PAL for target."},
                                                                      {1, "Assuming 4:3 for aspect ratio"}}));

    CapturingTask dvd;
    dvd.ParseOptionText("aspect=4:3\nac=1\ntarget=ntsc-dvd", false);
    EXPECT_EQ(dvd.Options().frameHeight, 480);
    EXPECT_EQ(dvd.Options().frameRate.num, 30000);
    EXPECT_STREQ(dvd.AVOptions()->CodecOptions(miVideo).Get("g"), "18");
    EXPECT_EQ(dvd.Options().audioCodecName, "ac3");
    EXPECT_EQ(dvd.Options().audioSampleRate, 48000);
    EXPECT_EQ(dvd.Options().audioChannels, 2);
    EXPECT_FLOAT_EQ(dvd.Options().frameAspectRatio, 4.0f / 3.0f);
    EXPECT_TRUE(dvd.messages.empty());

    CapturingTask palDvd;
    palDvd.ParseOption("target", "pal-dvd");  // no frame rate needed when the norm is given
    EXPECT_EQ(palDvd.Options().frameHeight, 576);
    EXPECT_EQ(palDvd.messages.back(), (std::pair<int, std::string>{1, "Assuming 16:9 for aspect ratio"}));

    CapturingTask noRate;
    EXPECT_EQ(FailureOf([&] { noRate.ParseOption("target", "dvd"); }), "frame_rate is invalid.");
    CapturingTask unknownRate;
    unknownRate.ParseOptionText("r=12\ntarget=svcd", false);  // decides nothing: the default norm, NTSC
    EXPECT_EQ(unknownRate.Options().frameHeight, 480);
    EXPECT_EQ(unknownRate.messages.front(), (std::pair<int, std::string>{1, "Assuming NTSC for target."}));

    CapturingTask dv50;
    dv50.ParseOption("target", "ntsc-dv50");
    EXPECT_EQ(dv50.Options().framePixelFormat, AV_PIX_FMT_YUV422P);
    CapturingTask dv;
    dv.ParseOption("target", "ntsc-dv");
    EXPECT_EQ(dv.Options().framePixelFormat, AV_PIX_FMT_YUV411P);
    EXPECT_EQ(FailureOf([&] { dv.ParseOption("target", "pal-laserdisc"); }), "Unknown target type");
}

TEST_F(PictureOptions, HookLineWithoutHookModulesFails)
{
    CapturingTask task;
    EXPECT_EQ(FailureOf([&] { task.ParseOption("vhook", "vhook/drawtext.so -t hi"); }),
              "Failed to add video hook function: vhook/drawtext.so -t hi");
}
