// The frame-hook option lines and hook mode fields of the output record, for program folders with
// and without a blank in their path.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "form_fixture.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class OptionFormHookLines : public OptionFormTest {
protected:
    // A form whose program lies in a folder of the given name inside the test's folder.
    void UseProgramFolder(const std::string& name)
    {
        program = folder.Path(name);
        std::filesystem::create_directories(program + "/vhook");
        form = std::make_unique<TOptionForm>(program);
        form->SetProber(&probe);
    }
    std::string Hooks() const { return program + "/vhook/"; }
    std::string ExtOptions() { return form->GetOutputOptions().ExtOptions; }

    std::string program;
};

TEST_F(OptionFormHookLines, NoLinesUntilAHookIsChecked)
{
    UseClip();
    const TOutputOptions record = form->GetOutputOptions();
    EXPECT_EQ(record.ExtOptions, "");
    EXPECT_FALSE(record.BeforeHook);
    EXPECT_EQ(record.PTSPeriods, "");
    EXPECT_FALSE(record.CustomHook);
}

TEST_F(OptionFormHookLines, EachHookLineVerbatimInAFolderWithoutBlank)
{
    UseClip();
    UseProgramFolder("app");
    const std::string h = Hooks();
    form->Settings.ImageHook.Checked = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "imlib2.so -i " + h + "imlib2.jpg -x W-w -y H-h\r\n");
    form->Settings.ImageDancing = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "imlib2.so -i " + h +
                                "imlib2.jpg -x (W-w)*(0.5+0.5*sin(N/47*PI)) -y (H-h)*(0.5+0.5*cos(N/97*PI))\r\n");
    form->Settings.ImageHook.Checked = false;

    form->Settings.TextHook.Checked = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h +
                                "imlib2.so -R 255 -G 255 -B 255 -F Tahoma.ttf/16 -t Qelvan -x 10 -y 10\r\n");
    form->Settings.TextScrolling = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h +
                                "imlib2.so -R 255 -G 255 -B 255 -F Tahoma.ttf/16 -t Qelvan -x 10 -y "
                                "(H-25)*(0.5+0.50*cos(N/97*PI))\r\n");
    form->Settings.TextHook.Checked = false;

    form->Settings.WatermarkHook.Checked = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "watermark.so -f " + h + "watermark.gif -m 0\r\n");
    form->Settings.WatermarkMode = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "watermark.so -f " + h + "watermark.gif -m 1\r\n");
    form->Settings.WatermarkHook.Checked = false;

    form->Settings.SampleTextHook.Checked = true;
    form->Settings.SampleHookText = "Hi";
    EXPECT_EQ(ExtOptions(),
              "vhook=" + h + "ZarnHook.so -t Hi -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16 -fst BU\r\n");
}

TEST_F(OptionFormHookLines, AFolderWithABlankSeparatesEveryArgumentByBar)
{
    UseClip();
    UseProgramFolder("My App");
    const std::string h = Hooks();
    form->Settings.ImageHook.Checked = true;
    form->Settings.WatermarkHook.Checked = true;
    form->Settings.SampleTextHook.Checked = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "imlib2.so|-i|" + h + "imlib2.jpg|-x|W-w|-y|H-h\r\n" +
                                "vhook=" + h + "watermark.so|-f|" + h + "watermark.gif|-m|0\r\n" +
                                "vhook=" + h +
                                "ZarnHook.so|-t|Qelvan|-tx|10|-ty|10|-fc|FFFFFF|-fn|Tahoma|-fs|16|-fst|BU\r\n");
}

TEST_F(OptionFormHookLines, AllFiveHooksInTheirOrder)
{
    UseClip();
    UseProgramFolder("app");
    for (THookCheck* hook : {&form->Settings.SampleTextHook, &form->Settings.SampleImageHook,
                             &form->Settings.WatermarkHook, &form->Settings.TextHook, &form->Settings.ImageHook})
        hook->Checked = true;
    const std::string text = ExtOptions();
    const std::string h = Hooks();
    const std::size_t image = text.find("vhook=" + h + "imlib2.so -i ");
    const std::size_t caption = text.find("vhook=" + h + "imlib2.so -R ");
    const std::size_t watermark = text.find("vhook=" + h + "watermark.so ");
    const std::size_t sampleImage = text.find("vhook=" + h + "ZarnHook.so -i ");
    const std::size_t sampleText = text.find("vhook=" + h + "ZarnHook.so -t ");
    ASSERT_NE(sampleText, std::string::npos) << text;
    EXPECT_EQ(image, 0u);
    EXPECT_LT(image, caption);
    EXPECT_LT(caption, watermark);
    EXPECT_LT(watermark, sampleImage);
    EXPECT_LT(sampleImage, sampleText);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
}

TEST_F(OptionFormHookLines, SamplePictureIsPlacedByItsSizeOrSixtyFourWhenMissing)
{
    UseClip();  // 320 x 240
    UseProgramFolder("app");
    const std::string h = Hooks();
    form->Settings.SampleImageHook.Checked = true;
    // Missing picture: 64 x 64.
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "ZarnHook.so -i " + h + "ZarnHook.bmp -mc FFFFFF -ix 246 -iy 166\r\n");

    ASSERT_FALSE(MakeMedia(h + "ZarnHook.bmp", "-f lavfi -i color=c=white:s=40x30 -frames:v 1").empty());
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "ZarnHook.so -i " + h + "ZarnHook.bmp -mc FFFFFF -ix 270 -iy 200\r\n");

    // A file that is no picture counts as a missing one.
    std::ofstream(h + "ZarnHook.bmp", std::ios::trunc) << "not a picture";
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "ZarnHook.so -i " + h + "ZarnHook.bmp -mc FFFFFF -ix 246 -iy 166\r\n");
}

TEST_F(OptionFormHookLines, SamplePictureInAFolderWithABlank)
{
    UseClip();
    UseProgramFolder("My App");
    const std::string h = Hooks();
    ASSERT_FALSE(MakeMedia(h + "ZarnHook.bmp", "-f lavfi -i color=c=red:s=100x50 -frames:v 1").empty());
    form->Settings.SampleImageHook.Checked = true;
    EXPECT_EQ(ExtOptions(), "vhook=" + h + "ZarnHook.so|-i|" + h + "ZarnHook.bmp|-mc|FFFFFF|-ix|210|-iy|180\r\n");
}

TEST_F(OptionFormHookLines, HookTextsAreTrimmedDefaultedAndKeptOnTheirLine)
{
    UseClip();
    UseProgramFolder("app");
    const std::string h = Hooks();
    form->Settings.SampleTextHook.Checked = true;
    form->Settings.SampleHookText = "  Hello  ";
    EXPECT_EQ(ExtOptions(),
              "vhook=" + h + "ZarnHook.so -t Hello -tx 10 -ty 10 -fc FFFFFF -fn Tahoma -fs 16 -fst BU\r\n");
    EXPECT_EQ(form->Settings.SampleHookText, "Hello");

    form->Settings.SampleHookText = "   ";
    ExtOptions();
    EXPECT_EQ(form->Settings.SampleHookText, "Qelvan");

    // A text with a blank would be split into two arguments at blanks: the bar keeps it whole.
    form->Settings.SampleHookText = "Hello World";
    EXPECT_EQ(ExtOptions(), "vhook=" + h +
                                "ZarnHook.so|-t|Hello World|-tx|10|-ty|10|-fc|FFFFFF|-fn|Tahoma|-fs|16|-fst|BU\r\n");

    // A line break would end the option line and start an option of the text's choosing.
    form->Settings.SampleHookText = "A\r\nvcodec=copy";
    EXPECT_EQ(ExtOptions(), "vhook=" + h +
                                "ZarnHook.so|-t|A  vcodec=copy|-tx|10|-ty|10|-fc|FFFFFF|-fn|Tahoma|-fs|16|-fst|BU\r\n");
    form->Settings.SampleTextHook.Checked = false;

    form->Settings.TextHook.Checked = true;
    form->Settings.TextHookText = "\tCaption ";
    EXPECT_EQ(ExtOptions(), "vhook=" + h +
                                "imlib2.so -R 255 -G 255 -B 255 -F Tahoma.ttf/16 -t Caption -x 10 -y 10\r\n");
    EXPECT_EQ(form->Settings.TextHookText, "Caption");
}

TEST_F(OptionFormHookLines, OnlyCheckedAndEnabledHooksOfTheExternalSourceCount)
{
    UseClip();
    form->Settings.ImageHook.Checked = true;
    form->Settings.ImageHook.Enabled = false;
    EXPECT_EQ(ExtOptions(), "");
    form->Settings.ImageHook.Enabled = true;
    EXPECT_NE(ExtOptions(), "");

    form->Settings.HookSource = hsCustom;
    const TOutputOptions record = form->GetOutputOptions();
    EXPECT_EQ(record.ExtOptions, "");
    EXPECT_TRUE(record.CustomHook);
    EXPECT_FALSE(record.BeforeHook);
}

TEST_F(OptionFormHookLines, HookModeFieldsFollowTheChosenBehaviour)
{
    UseClip();
    form->Settings.HookBehaviour = hbBeforeHook;
    EXPECT_FALSE(form->GetOutputOptions().BeforeHook) << "no hook is checked";
    form->Settings.WatermarkHook.Checked = true;
    TOutputOptions record = form->GetOutputOptions();
    EXPECT_TRUE(record.BeforeHook);
    EXPECT_EQ(record.PTSPeriods, "");
    EXPECT_FALSE(record.CustomHook);
    form->Settings.BeforeHookEnabled = false;
    EXPECT_FALSE(form->GetOutputOptions().BeforeHook);

    form->Settings.HookBehaviour = hbPTSPeriods;
    record = form->GetOutputOptions();
    EXPECT_FALSE(record.BeforeHook);
    EXPECT_EQ(record.PTSPeriods, "0-5000,10000-15000");
    form->Settings.PTSPeriods = "1000-2000";
    EXPECT_EQ(form->GetOutputOptions().PTSPeriods, "1000-2000");
    form->Settings.PTSPeriodsEnabled = false;
    EXPECT_EQ(form->GetOutputOptions().PTSPeriods, "");
    form->Settings.PTSPeriodsEnabled = true;
    form->Settings.WatermarkHook.Enabled = false;
    EXPECT_EQ(form->GetOutputOptions().PTSPeriods, "");
    form->Settings.WatermarkHook.Enabled = true;
    form->Settings.HookSource = hsCustom;
    record = form->GetOutputOptions();
    EXPECT_EQ(record.PTSPeriods, "");
    EXPECT_TRUE(record.CustomHook);

    form->Settings.HookSource = hsExternal;
    form->Settings.HookBehaviour = hbStandard;
    record = form->GetOutputOptions();
    EXPECT_FALSE(record.BeforeHook);
    EXPECT_EQ(record.PTSPeriods, "");
}

TEST_F(OptionFormHookLines, HookFolderLiesBesideTheProgram)
{
    EXPECT_EQ(TOptionForm("/opt/mirelk").HookFolder(), "/opt/mirelk/vhook/");
    EXPECT_EQ(TOptionForm("/").HookFolder(), "/vhook/");
    EXPECT_EQ(TOptionForm().HookFolder(), ProgramFolder() + "/vhook/");
}

}  // namespace
