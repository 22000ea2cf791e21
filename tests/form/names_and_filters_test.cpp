// Output file names that never replace an existing file (unless asked to), and the video filter
// chain.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "form_fixture.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

void Touch(const std::string& path) { std::ofstream(path) << "taken"; }

class OptionFormOutputNames : public OptionFormTest {};

TEST_F(OptionFormOutputNames, BesideTheInputOrInTheOutputFolder)
{
    const std::string input = UseClip("trip.mp4");
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("trip_(new).3gp"));
    ASSERT_TRUE(form->SelectOutputFormat("PSP"));
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("trip_(new)_psp.mp4"));

    std::filesystem::create_directories(folder.Path("out"));
    form->Settings.OutputFolder = folder.Path("out") + "/";
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("out/trip_(new)_psp.mp4"));
    // A folder without its closing "/" still names a file inside it.
    form->Settings.OutputFolder = folder.Path("out");
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("out/trip_(new)_psp.mp4"));
    form->Settings.OutputFolder = "";
    EXPECT_EQ(form->GetOutputOptions().FileName, "trip_(new)_psp.mp4");
}

TEST_F(OptionFormOutputNames, DiscTargetNameBesideTheInput)
{
    UseClip("a.avi");
    ASSERT_TRUE(form->SelectOutputFormat("DVD"));
    ASSERT_TRUE(form->SelectNorm("NTSC"));
    const TOutputOptions record = form->GetOutputOptions();
    EXPECT_EQ(record.FileName, folder.Path("a_(new)_dvd_ntsc.mpg"));
    EXPECT_EQ(record.FileExt, "_dvd_ntsc.mpg");
    EXPECT_EQ(record.TargetType, 3);
    EXPECT_EQ(record.TargetNorm, 2);
}

TEST_F(OptionFormOutputNames, ExistingFilesAreNeverReplacedUnlessOverwriteIsChecked)
{
    UseClip("a.mp4");
    Touch(folder.Path("a_(new).3gp"));
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new_1).3gp"));
    Touch(folder.Path("a_(new_1).3gp"));
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new_2).3gp"));
    Touch(folder.Path("a_(new_2).3gp"));
    Touch(folder.Path("a_(new_4).3gp"));
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new_3).3gp"));

    form->Settings.Overwrite = true;
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new).3gp"));

    // Another format's ending is another name.
    form->Settings.Overwrite = false;
    ASSERT_TRUE(form->SelectOutputFormat("MP4"));
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new).mp4"));
}

TEST_F(OptionFormOutputNames, FoldersAndLinksLeadingNowhereCountAsTaken)
{
    UseClip("a.mp4");
    std::filesystem::create_directory(folder.Path("a_(new).3gp"));
    std::filesystem::create_symlink(folder.Path("elsewhere.3gp"), folder.Path("a_(new_1).3gp"));
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new_2).3gp"));
}

TEST_F(OptionFormOutputNames, TwoInputsOfTheSameNameGetTwoOutputs)
{
    const std::string first = UseClip("a.mp4");
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new).3gp"));
    // The same input asked again keeps its name.
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new).3gp"));

    std::filesystem::copy_file(first, folder.Path("a.mov"));
    TAVProbe second;
    ASSERT_TRUE(second.Open(folder.Path("a.mov"))) << second.LastErrMsg();
    form->SetProber(&second);
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new_1).3gp"));
    // Not even Overwrite lets two inputs write one file.
    form->Settings.Overwrite = true;
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new_1).3gp"));

    form->SetProber(&probe);
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new).3gp"));

    form->ForgetOutputNames();
    form->Settings.Overwrite = false;
    form->SetProber(&second);
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("a_(new).3gp"));
}

TEST_F(OptionFormOutputNames, DottedFoldersAndHiddenFilesKeepTheirNames)
{
    std::filesystem::create_directories(folder.Path("v1.2"));
    const std::string made = MakeClip("v1.2/clip.mp4");
    ASSERT_FALSE(made.empty());
    const std::string path = folder.Path("v1.2/.clip");
    std::filesystem::rename(made, path);
    TAVProbe dotted;
    ASSERT_TRUE(dotted.Open(path)) << dotted.LastErrMsg();
    form->SetProber(&dotted);
    EXPECT_EQ(form->GetOutputOptions().FileName, folder.Path("v1.2/.clip_(new).3gp"));
}

class OptionFormFilterChain : public OptionFormTest {
protected:
    std::string Chain() { return form->GetOutputOptions().VideoFilters; }
};

TEST_F(OptionFormFilterChain, EachFilterAloneAndAllJoinedInOrder)
{
    UseClip();
    EXPECT_EQ(Chain(), "");
    TOptionFormSettings& s = form->Settings;
    struct TCase {
        bool TOptionFormSettings::*box;
        const char* text;
    };
    for (const TCase& c : {TCase{&TOptionFormSettings::VertFlip, "vflip"}, TCase{&TOptionFormSettings::HoriFlip, "hflip"},
                           TCase{&TOptionFormSettings::Negate, "negate"},
                           TCase{&TOptionFormSettings::Scale, "scale=320:240"},
                           TCase{&TOptionFormSettings::Rotate, "rotate=45*PI/180"},
                           TCase{&TOptionFormSettings::SetPTS, "setpts=0.5*PTS"}}) {
        s.*c.box = true;
        EXPECT_EQ(Chain(), c.text);
        s.*c.box = false;
    }
    s.VertFlip = s.HoriFlip = s.Negate = s.Scale = s.Rotate = s.SetPTS = true;
    EXPECT_EQ(Chain(), "vflip,hflip,negate,scale=320:240,rotate=45*PI/180,setpts=0.5*PTS");
}

TEST_F(OptionFormFilterChain, TextsAreTrimmedAndEmptyOnesLeftOut)
{
    UseClip();
    TOptionFormSettings& s = form->Settings;
    s.Scale = s.Rotate = s.SetPTS = true;
    s.ScaleText = " 640:480 ";
    s.RotateDegrees = " 90 ";
    s.SetPTSExpression = " 2*PTS ";
    EXPECT_EQ(Chain(), "scale=640:480,rotate=90*PI/180,setpts=2*PTS");
    s.ScaleText = "  ";
    s.RotateDegrees = "quarter";
    s.SetPTSExpression = "";
    EXPECT_EQ(Chain(), "rotate=45*PI/180");
    s.RotateDegrees = "-30";
    s.Negate = true;
    EXPECT_EQ(Chain(), "negate,rotate=-30*PI/180");
}

}  // namespace
