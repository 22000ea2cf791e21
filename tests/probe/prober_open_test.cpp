// Opening files: what goes wrong is told in a message and leaves the prober empty; the libraries
// the prober needs are checked first.
#include <gtest/gtest.h>

#include "binding/loader.h"
#include "probe_media.h"

using namespace mirelk;
using namespace mirelk::test;

using ProberOpen = ProberTest;

TEST_F(ProberOpen, FailuresAreToldAndLeaveTheProberEmpty)
{
    const std::string text = "Plain text that no demuxer takes for media.\n";
    WriteBytes(folder.Path("notes.xyz"), text);
    // The name leads the QuickTime demuxer to it, which then finds no header.
    WriteBytes(folder.Path("notes.mp4"), text);
    WriteBytes(folder.Path("empty.xyz"), "");
    WriteBytes(folder.Path("empty.mp4"), "");
    // The muxer writes the index last; half the file has none.
    const std::string whole = MakeMedia(folder.Path("whole.mp4"), "-f lavfi -i testsrc=d=2:s=64x48:r=25 -c:v mpeg4");
    ASSERT_FALSE(whole.empty());
    CopyHead(whole, folder.Path("half.mp4"), FileSize(whole) / 2);
    struct TCase {
        std::string name, format, message;
    };
    for (const TCase& c : {TCase{"absent.mp4", "", ": no such file or directory"},
                           TCase{"notes.xyz", "", ": Unknown format"},
                           TCase{"notes.mp4", "", ": Error while parsing header"},
                           TCase{"empty.xyz", "", ": Unknown format"},
                           TCase{"empty.mp4", "", ": Error while parsing header"},
                           TCase{"half.mp4", "", ": Error while parsing header"},
                           // A forced demuxer is not second-guessed: its failure is a broken header.
                           TCase{"notes.xyz", "mp4", ": Error while parsing header"},
                           TCase{"notes.xyz", "nosuchformat", "Unknown input format: nosuchformat"}}) {
        SCOPED_TRACE(c.name + " " + c.format);
        const std::string path = folder.Path(c.name);
        EXPECT_FALSE(probe.Open(path, c.format));
        EXPECT_EQ(probe.StreamCount(), -1);
        EXPECT_EQ(probe.GetInfoText(), "");
        EXPECT_EQ(probe.ReadFrame(-1).Width(), 0);
        EXPECT_EQ(probe.LastErrMsg(), c.message.front() == ':' ? path + c.message : c.message);
    }
    EXPECT_FALSE(probe.Open(folder.Path()));
    EXPECT_EQ(probe.LastErrMsg().rfind(folder.Path() + ": ", 0), 0u);
}

TEST_F(ProberOpen, AFailedOpenEmptiesTheProberAndItsMessageStays)
{
    const std::string clip = OpenMade("clip.mp4", "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v mpeg4", "mp4");
    EXPECT_EQ(probe.ForcedFormat(), "mp4");
    EXPECT_EQ(probe.GetFormatName(), "mov,mp4,m4a,3gp,3g2,mj2");
    EXPECT_EQ(probe.ReadFrame(-1).Width(), 64);
    EXPECT_EQ(probe.LastErrMsg(), "");

    const std::string missing = folder.Path("absent.mkv");
    EXPECT_FALSE(probe.Open(missing));
    EXPECT_EQ(probe.StreamCount(), -1);
    EXPECT_EQ(probe.GetFileName(), "");
    EXPECT_EQ(probe.ForcedFormat(), "");
    // Neither a later success nor Close clears the last failure.
    ASSERT_TRUE(probe.Open(clip));
    EXPECT_EQ(probe.StreamCount(), 1);
    EXPECT_EQ(probe.ReadFrame(-1).Width(), 64);
    probe.Close();
    EXPECT_EQ(probe.LastErrMsg(), missing + ": no such file or directory");
}

TEST(ProberLibraries, EachMissingLibraryIsNamed)
{
    FFLoader().SetLibraryPath(MIRELK_LIBAV_DIR);
    FFLoader().UnloadLibs(DefaultAVLibraries);
    TAVProbe probe;
    EXPECT_EQ(MessageOf([&] { probe.Open("any.mp4"); }), "LibAVCodec not loaded.");
    EXPECT_EQ(MessageOf([&] { probe.Attach(nullptr); }), "LibAVCodec not loaded.");
    ASSERT_TRUE(FFLoader().LoadLibs({libAVCodec}));
    EXPECT_EQ(MessageOf([&] { probe.Open("any.mp4"); }), "LibAVFormat not loaded.");
    ASSERT_TRUE(FFLoader().LoadLibs({libAVFormat}));
    EXPECT_EQ(MessageOf([&] { probe.Open("any.mp4"); }), "LibAVUtil not loaded.");
    ASSERT_TRUE(FFLoader().LoadLibs({libAVUtil}));
    EXPECT_EQ(MessageOf([&] { probe.Attach(nullptr); }), "LibSwScale not loaded.");
    ASSERT_TRUE(FFLoader().LoadLibs({libSwScale}));
    EXPECT_FALSE(probe.Open("absent.mp4"));
    FFLoader().UnloadLibs(DefaultAVLibraries);
}

TEST_F(ProberOpen, AMissingLibraryChangesNothing)
{
    const std::string clip = OpenMade("clip.mkv", "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v mpeg4");
    FFLoader().UnloadLibs({libSwScale});
    EXPECT_EQ(MessageOf([&] { probe.Open(folder.Path("other.mkv")); }), "LibSwScale not loaded.");
    EXPECT_EQ(probe.StreamCount(), 1);
    // With a library gone the file cannot be read, and the prober says so instead of failing.
    EXPECT_EQ(probe.GetFileSize(), -1);
    ASSERT_TRUE(FFLoader().LoadLibs({libSwScale}));
    EXPECT_EQ(probe.GetFileName(), clip);
    EXPECT_EQ(probe.ReadFrame(-1).Width(), 64);
}
