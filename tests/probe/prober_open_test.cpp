// Opening files: what goes wrong is told in a message and leaves the prober empty; the libraries
// the prober needs are checked first.
#include <gtest/gtest.h>

#include <stdexcept>

#include "../test_support.h"
#include "binding/loader.h"
#include "probe/av_probe.h"
#include "probe_media.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class ProberOpen : public LibrariesLoaded {};

// Opens the file with a fresh prober and returns LastErrMsg; the open must fail and leave the
// prober empty.
std::string FailureOf(const std::string& path, const std::string& format = std::string())
{
    TAVProbe probe;
    EXPECT_FALSE(probe.Open(path, format));
    EXPECT_EQ(probe.StreamCount(), -1);
    EXPECT_EQ(probe.GetInfoText(), "");
    EXPECT_EQ(probe.ReadFrame(-1).Width(), 0);
    return probe.LastErrMsg();
}

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST_F(ProberOpen, UnreadableFilesAreNamedInTheMessage)
{
    TempFolder folder;
    const std::string missing = folder.Path("absent.mp4");
    EXPECT_EQ(FailureOf(missing), missing + ": no such file or directory");

    const std::string text = folder.Path("notes.xyz");
    WriteFile(text, "Plain text that no demuxer takes for media.\n");
    EXPECT_EQ(FailureOf(text), text + ": Unknown format");

    // The name leads the QuickTime demuxer to it, which then finds no header.
    const std::string textAsMp4 = folder.Path("notes.mp4");
    WriteFile(textAsMp4, "Plain text that no demuxer takes for media.\n");
    EXPECT_EQ(FailureOf(textAsMp4), textAsMp4 + ": Error while parsing header");

    const std::string empty = folder.Path("empty.xyz");
    WriteFile(empty, "");
    EXPECT_EQ(FailureOf(empty), empty + ": Unknown format");
    const std::string emptyMp4 = folder.Path("empty.mp4");
    WriteFile(emptyMp4, "");
    EXPECT_EQ(FailureOf(emptyMp4), emptyMp4 + ": Error while parsing header");

    EXPECT_EQ(FailureOf(folder.Path()).rfind(folder.Path() + ": ", 0), 0u);
}

TEST_F(ProberOpen, ForcedFormats)
{
    TempFolder folder;
    const std::string text = folder.Path("notes.xyz");
    WriteFile(text, "Plain text that no demuxer takes for media.\n");
    EXPECT_EQ(FailureOf(text, "nosuchformat"), "Unknown input format: nosuchformat");
    // A forced demuxer is not second-guessed: its failure is a broken header.
    EXPECT_EQ(FailureOf(text, "mp4"), text + ": Error while parsing header");

    const std::string clip = MakeMedia(folder.Path("clip.mp4"), "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v mpeg4");
    ASSERT_FALSE(clip.empty());
    TAVProbe probe;
    ASSERT_TRUE(probe.Open(clip, "mp4")) << probe.LastErrMsg();
    EXPECT_EQ(probe.ForcedFormat(), "mp4");
    EXPECT_EQ(probe.GetFormatName(), "mov,mp4,m4a,3gp,3g2,mj2");
}

TEST_F(ProberOpen, TruncatedFileWithoutIndex)
{
    TempFolder folder;
    // The muxer writes the index last; half the file has none.
    const std::string whole = MakeMedia(folder.Path("whole.mp4"), "-f lavfi -i testsrc=d=2:s=64x48:r=25 -c:v mpeg4");
    ASSERT_FALSE(whole.empty());
    const std::string half = folder.Path("half.mp4");
    CopyHead(whole, half, FileSize(whole) / 2);
    EXPECT_EQ(FailureOf(half), half + ": Error while parsing header");
}

TEST_F(ProberOpen, FailedOpenLeavesTheProberEmptyAndTheMessageStays)
{
    TempFolder folder;
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v mpeg4");
    ASSERT_FALSE(clip.empty());
    TAVProbe probe;
    ASSERT_TRUE(probe.Open(clip)) << probe.LastErrMsg();
    EXPECT_EQ(probe.ReadFrame(-1).Width(), 64);
    EXPECT_EQ(probe.LastErrMsg(), "");

    const std::string missing = folder.Path("absent.mkv");
    EXPECT_FALSE(probe.Open(missing));
    EXPECT_EQ(probe.StreamCount(), -1);
    EXPECT_EQ(probe.GetFileName(), "");
    const std::string message = missing + ": no such file or directory";
    EXPECT_EQ(probe.LastErrMsg(), message);

    // Neither a later success nor Close clears the last failure.
    ASSERT_TRUE(probe.Open(clip));
    EXPECT_EQ(probe.StreamCount(), 1);
    EXPECT_EQ(probe.ReadFrame(-1).Width(), 64);
    probe.Close();
    EXPECT_EQ(probe.LastErrMsg(), message);
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

TEST(ProberLibraries, AMissingLibraryChangesNothing)
{
    FFLoader().SetLibraryPath(MIRELK_LIBAV_DIR);
    ASSERT_TRUE(FFLoader().LoadLibs(DefaultAVLibraries)) << FFLoader().LastErrMsg();
    TempFolder folder;
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=d=1:s=64x48:r=25 -c:v mpeg4");
    ASSERT_FALSE(clip.empty());
    TAVProbe probe;
    ASSERT_TRUE(probe.Open(clip)) << probe.LastErrMsg();

    FFLoader().UnloadLibs({libSwScale});
    EXPECT_EQ(MessageOf([&] { probe.Open(folder.Path("other.mkv")); }), "LibSwScale not loaded.");
    EXPECT_EQ(probe.StreamCount(), 1);
    // With a library gone the file cannot be read, and the prober says so instead of failing.
    EXPECT_EQ(probe.GetFileSize(), -1);

    ASSERT_TRUE(FFLoader().LoadLibs({libSwScale}));
    EXPECT_EQ(probe.GetFileName(), clip);
    EXPECT_EQ(probe.ReadFrame(-1).Width(), 64);
}
