// Output file names that never replace an existing file (unless asked to), and the video filter
// chain.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "form_fixture.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class OptionFormOutputNames : public OptionFormTest {
protected:
    std::string Name() { return form->GetOutputOptions().FileName; }
};

TEST_F(OptionFormOutputNames, BesideTheInputOrInTheOutputFolder)
{
    UseClip("trip.mp4");
    EXPECT_EQ(Name(), folder.Path("trip_(new).3gp"));
    ASSERT_TRUE(form->SelectOutputFormat("PSP"));
    EXPECT_EQ(Name(), folder.Path("trip_(new)_psp.mp4"));
    std::filesystem::create_directories(folder.Path("out"));
    form->Settings.OutputFolder = folder.Path("out") + "/";
    EXPECT_EQ(Name(), folder.Path("out/trip_(new)_psp.mp4"));
    // A folder without its closing "/" still names a file inside it.
    form->Settings.OutputFolder = folder.Path("out");
    EXPECT_EQ(Name(), folder.Path("out/trip_(new)_psp.mp4"));
    form->Settings.OutputFolder = "";
    EXPECT_EQ(Name(), "trip_(new)_psp.mp4");
}

TEST_F(OptionFormOutputNames, ExistingFilesAreNeverReplacedUnlessOverwriteIsChecked)
{
    UseClip("a.mp4");
    // Folders and links leading nowhere are taken names too.
    std::filesystem::create_directory(folder.Path("a_(new).3gp"));
    EXPECT_EQ(Name(), folder.Path("a_(new_1).3gp"));
    std::filesystem::create_symlink(folder.Path("elsewhere.3gp"), folder.Path("a_(new_1).3gp"));
    EXPECT_EQ(Name(), folder.Path("a_(new_2).3gp"));
    std::ofstream(folder.Path("a_(new_2).3gp")) << "taken";
    std::ofstream(folder.Path("a_(new_4).3gp")) << "taken";
    EXPECT_EQ(Name(), folder.Path("a_(new_3).3gp"));
    form->Settings.Overwrite = true;
    EXPECT_EQ(Name(), folder.Path("a_(new).3gp"));
    // Another format's ending is another name.
    form->Settings.Overwrite = false;
    ASSERT_TRUE(form->SelectOutputFormat("MP4"));
    EXPECT_EQ(Name(), folder.Path("a_(new).mp4"));
}

TEST_F(OptionFormOutputNames, TwoInputsOfTheSameNameGetTwoOutputs)
{
    const std::string first = UseClip("a.mp4");
    EXPECT_EQ(Name(), folder.Path("a_(new).3gp"));
    // The same input asked again keeps its name.
    EXPECT_EQ(Name(), folder.Path("a_(new).3gp"));

    std::filesystem::copy_file(first, folder.Path("a.mov"));
    TAVProbe second;
    ASSERT_TRUE(second.Open(folder.Path("a.mov"))) << second.LastErrMsg();
    form->SetProber(&second);
    // Not even Overwrite lets two inputs write one file.
    form->Settings.Overwrite = true;
    EXPECT_EQ(Name(), folder.Path("a_(new_1).3gp"));
    form->SetProber(&probe);
    EXPECT_EQ(Name(), folder.Path("a_(new).3gp"));

    form->ForgetOutputNames();
    form->SetProber(&second);
    EXPECT_EQ(Name(), folder.Path("a_(new).3gp"));
}

TEST_F(OptionFormOutputNames, DottedFoldersAndHiddenFilesKeepTheirNames)
{
    std::filesystem::create_directories(folder.Path("v1.2"));
    const std::string made = UseClip("v1.2/clip.mp4");
    ASSERT_FALSE(made.empty());
    std::filesystem::rename(made, folder.Path("v1.2/.clip"));
    UseInput(folder.Path("v1.2/.clip"));
    EXPECT_EQ(Name(), folder.Path("v1.2/.clip_(new).3gp"));
}

TEST_F(OptionFormTest, FilterChainJoinsCheckedFiltersInOrderWithTrimmedTexts)
{
    UseClip();
    const auto chain = [this] { return form->GetOutputOptions().VideoFilters; };
    TOptionFormSettings& s = form->Settings;
    EXPECT_EQ(chain(), "");
    s.VertFlip = s.HoriFlip = s.Negate = s.Scale = s.Rotate = s.SetPTS = true;
    EXPECT_EQ(chain(), "vflip,hflip,negate,scale=320:240,rotate=45*PI/180,setpts=0.5*PTS");

    s.VertFlip = s.HoriFlip = s.Negate = false;
    s.ScaleText = " 640:480 ";
    s.RotateDegrees = " -30 ";
    s.SetPTSExpression = " 2*PTS ";
    EXPECT_EQ(chain(), "scale=640:480,rotate=-30*PI/180,setpts=2*PTS");
    // Empty texts leave their filter out; a rotation that is no number turns by the default.
    s.ScaleText = "  ";
    s.RotateDegrees = "quarter";
    s.SetPTSExpression = "";
    EXPECT_EQ(chain(), "rotate=45*PI/180");
}

}  // namespace
