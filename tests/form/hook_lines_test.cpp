// The frame-hook option lines and the hook mode fields of the output record, for program
// folders with and without a blank in their path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "form_fixture.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class OptionFormHookLines : public OptionFormTest {
protected:
    std::string Lines() { return form->GetOutputOptions().ExtOptions; }
};

// Dancing and scrolling move the picture and the text with the frame number N; the watermark's
// mode is its last argument.
TEST_F(OptionFormHookLines, EachHooksOptionChangesItsLine)
{
    UseClip();
    TOptionFormSettings& s = form->Settings;
    EXPECT_EQ(Lines(), "");
    s.ImageHook.Checked = s.TextHook.Checked = s.WatermarkHook.Checked = true;
    const std::string still = Lines();
    EXPECT_NE(still.find("imlib2.jpg -x W-w -y H-h\r\n"), std::string::npos) << still;
    EXPECT_NE(still.find("-t Qelvan -x 10 -y 10\r\n"), std::string::npos) << still;
    EXPECT_NE(still.find("watermark.gif -m 0\r\n"), std::string::npos) << still;
    s.ImageDancing = s.TextScrolling = s.WatermarkMode = true;
    const std::string moving = Lines();
    EXPECT_NE(moving.find("-x (W-w)*(0.5+0.5*sin(N/47*PI)) -y (H-h)*(0.5+0.5*cos(N/97*PI))\r\n"), std::string::npos);
    EXPECT_NE(moving.find("-t Qelvan -x 10 -y (H-25)*(0.5+0.50*cos(N/97*PI))\r\n"), std::string::npos);
    EXPECT_NE(moving.find("watermark.gif -m 1\r\n"), std::string::npos) << moving;
}

// All five in their order. A blank in the program's folder would split a module's path at the
// engine's blanks: every argument of such a line is separated by a bar instead.
TEST_F(OptionFormHookLines, AFolderWithABlankSeparatesEveryArgumentByBar)
{
    UseClip();
    std::filesystem::create_directories(folder.Path("My App/vhook"));
    form = std::make_unique<TOptionForm>(folder.Path("My App"));
    form->SetProber(&probe);
    const std::string h = form->HookFolder();
    ASSERT_FALSE(MakeMedia(h + "ZarnHook.bmp", "-f lavfi -i color=c=red:s=100x50 -frames:v 1").empty());
    for (THookCheck* hook : {&form->Settings.SampleTextHook, &form->Settings.SampleImageHook,
                             &form->Settings.WatermarkHook, &form->Settings.TextHook, &form->Settings.ImageHook})
        hook->Checked = true;
    EXPECT_EQ(Lines(), "vhook=" + h + "imlib2.so|-i|" + h + "imlib2.jpg|-x|W-w|-y|H-h\r\n" + "vhook=" + h +
                           "imlib2.so|-R|255|-G|255|-B|255|-F|Tahoma.ttf/16|-t|Qelvan|-x|10|-y|10\r\n" + "vhook=" + h +
                           "watermark.so|-f|" + h + "watermark.gif|-m|0\r\n" + "vhook=" + h + "ZarnHook.so|-i|" + h +
                           "ZarnHook.bmp|-mc|FFFFFF|-ix|210|-iy|180\r\n" + "vhook=" + h +
                           "ZarnHook.so|-t|Qelvan|-tx|10|-ty|10|-fc|FFFFFF|-fn|Tahoma|-fs|16|-fst|BU\r\n");
}

TEST_F(OptionFormHookLines, SamplePictureIsPlacedByItsSizeOrSixtyFourWhenMissing)
{
    UseClip();  // 320 x 240
    const std::string h = form->HookFolder();
    form->Settings.SampleImageHook.Checked = true;
    const std::string line = "vhook=" + h + "ZarnHook.so -i " + h + "ZarnHook.bmp -mc FFFFFF ";
    EXPECT_EQ(Lines(), line + "-ix 246 -iy 166\r\n");
    ASSERT_FALSE(MakeMedia(h + "ZarnHook.bmp", "-f lavfi -i color=c=white:s=40x30 -frames:v 1").empty());
    EXPECT_EQ(Lines(), line + "-ix 270 -iy 200\r\n");
    // A file that is no picture counts as a missing one.
    std::ofstream(h + "ZarnHook.bmp", std::ios::trunc) << "not a picture";
    EXPECT_EQ(Lines(), line + "-ix 246 -iy 166\r\n");
}

TEST_F(OptionFormHookLines, HookTextsAreTrimmedDefaultedAndKeptOnTheirLine)
{
    UseClip();
    const std::string h = "vhook=" + form->HookFolder();
    const std::string rest = "-tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16 -fst BU\r\n";
    TOptionFormSettings& s = form->Settings;
    s.SampleTextHook.Checked = true;
    s.SampleHookText = "  Hello  ";
    EXPECT_EQ(Lines(), h + "ZarnHook.so -t Hello " + rest);
    EXPECT_EQ(s.SampleHookText, "Hello");
    s.SampleHookText = "   ";
    EXPECT_EQ(Lines(), h + "ZarnHook.so -t Qelvan " + rest);
    EXPECT_EQ(s.SampleHookText, "Qelvan");

    // A text with a blank would be split into two arguments at blanks: the bar keeps it whole.
    s.SampleHookText = "Hello World";
    EXPECT_EQ(Lines(), h + "ZarnHook.so|-t|Hello World|-tx|10|-ty|10|-fc|FFFFFF|-fn|Tahoma|-fs|16|-fst|BU\r\n");
    // A line break would end the option line and start an option of the text's choosing.
    s.SampleHookText = "A\r\nvcodec=copy";
    EXPECT_EQ(Lines(), h + "ZarnHook.so|-t|A  vcodec=copy|-tx|10|-ty|10|-fc|FFFFFF|-fn|Tahoma|-fs|16|-fst|BU\r\n");
    s.SampleTextHook.Checked = false;

    s.TextHook.Checked = true;
    s.TextHookText = "\tCaption ";
    EXPECT_EQ(Lines(), h + "imlib2.so -R 255 -G 255 -B 255 -F Tahoma.ttf/16 -t Caption -x 10 -y 10\r\n");
    EXPECT_EQ(s.TextHookText, "Caption");
}

TEST_F(OptionFormHookLines, OnlyCountingExternalHooksMakeLinesAndModeFields)
{
    UseClip();
    TOptionFormSettings& s = form->Settings;
    // Before hook, PTS periods, custom hook.
    const auto modes = [this] {
        const TOutputOptions record = form->GetOutputOptions();
        return std::tuple(record.BeforeHook, record.PTSPeriods, record.CustomHook);
    };
    s.HookBehaviour = hbBeforeHook;
    EXPECT_EQ(modes(), std::tuple(false, "", false)) << "no hook is checked";
    s.WatermarkHook.Checked = true;
    s.WatermarkHook.Enabled = false;
    EXPECT_EQ(Lines(), "");
    EXPECT_EQ(modes(), std::tuple(false, "", false)) << "no hook is enabled";
    s.WatermarkHook.Enabled = true;
    EXPECT_NE(Lines(), "");
    EXPECT_EQ(modes(), std::tuple(true, "", false));
    s.BeforeHookEnabled = false;
    EXPECT_EQ(modes(), std::tuple(false, "", false));

    s.HookBehaviour = hbPTSPeriods;
    EXPECT_EQ(modes(), std::tuple(false, "0-5000,10000-15000", false));
    s.PTSPeriodsEnabled = false;
    EXPECT_EQ(modes(), std::tuple(false, "", false));
    s.PTSPeriodsEnabled = true;
    s.HookBehaviour = hbStandard;
    EXPECT_EQ(modes(), std::tuple(false, "", false));
    // The custom hook replaces the external ones.
    s.HookBehaviour = hbPTSPeriods;
    s.HookSource = hsCustom;
    EXPECT_EQ(Lines(), "");
    EXPECT_EQ(modes(), std::tuple(false, "", true));
}

TEST_F(OptionFormHookLines, HookFolderLiesBesideTheProgram)
{
    EXPECT_EQ(TOptionForm("/opt/mirelk").HookFolder(), "/opt/mirelk/vhook/");
    EXPECT_EQ(TOptionForm("/opt/mirelk").HookPictureFolder(), "/opt/mirelk/vhook/");
    EXPECT_EQ(TOptionForm("/").HookFolder(), "/vhook/");
    EXPECT_EQ(TOptionForm().HookFolder(), ProgramFolder() + "/vhook/");
    EXPECT_EQ(TOptionForm().HookPictureFolder(), ProgramFolder() + "/vhook/");
}

// Installed, the modules are in lib and their pictures in share, under the same prefix.
TEST_F(OptionFormHookLines, InstalledPicturesComeFromTheDataFolder)
{
    UseClip();
    const std::string prefix = folder.Path("usr");
    std::filesystem::create_directories(prefix + "/lib/mirelk/vhook");
    std::filesystem::create_directories(prefix + "/share/mirelk/vhook");
    form = std::make_unique<TOptionForm>(prefix + "/lib/mirelk");
    form->SetProber(&probe);
    EXPECT_EQ(form->HookFolder(), prefix + "/lib/mirelk/vhook/");
    EXPECT_EQ(form->HookPictureFolder(), prefix + "/share/mirelk/vhook/");
    form->Settings.WatermarkHook.Checked = true;
    EXPECT_EQ(Lines(), "vhook=" + prefix + "/lib/mirelk/vhook/watermark.so -f " + prefix +
                           "/share/mirelk/vhook/watermark.gif -m 0\r\n");
    // Without a share folder beside it, a lib folder keeps its pictures itself.
    std::filesystem::remove_all(prefix + "/share");
    EXPECT_EQ(TOptionForm(prefix + "/lib/mirelk").HookPictureFolder(), prefix + "/lib/mirelk/vhook/");
}

}  // namespace
