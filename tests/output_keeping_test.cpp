// What a run leaves under an output's name: nothing until it has finished and its result passed
// the check, an earlier file of that name untouched by a failure or a stop, and a stopped run's
// file under a name that says so.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/files/output_check.h"
#include "test_support.h"

using namespace mirelk;
using mirelk::test::CapturingTask;
using mirelk::test::FileBytes;
using mirelk::test::FolderNames;
using mirelk::test::WriteBytes;
using mirelk::test::FailureOf;
using mirelk::test::MakeMedia;
using mirelk::test::ProbeDuration;
using mirelk::test::TempFolder;
namespace fs = std::filesystem;

namespace {

class OutputKeeping : public mirelk::test::LibrariesLoaded {
protected:
    void SetUp() override
    {
        LibrariesLoaded::SetUp();
        clip = MakeMedia(folder.Path("in.mkv"), "-f lavfi -i testsrc=duration=4:size=160x120:rate=25 -f lavfi -i "
                                                "sine=duration=4:sample_rate=44100 -c:v mpeg4 -c:a mp2");
        ASSERT_FALSE(clip.empty());
        output = folder.Path("out.mp4");
        WriteBytes(output, kOldContents);
    }
    const std::string kOldContents = "an earlier file the user keeps";
    TempFolder folder;
    std::string clip;
    std::string output;
};

}  // namespace

TEST_F(OutputKeeping, AnExistingFileIsReplacedOnlyByAFinishedConversion)
{
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(clip));
    ASSERT_TRUE(task.OpenOutputFile(output));
    // Making the output writes nothing, not even under a hidden name.
    EXPECT_EQ(FileBytes(output), kOldContents);
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"in.mkv", "out.mp4"}));
    task.Transcode();
    EXPECT_TRUE(task.Finished);
    EXPECT_EQ(task.KeptOutputNames, std::vector<std::string>{output});
    task.CleanUp();
    EXPECT_NEAR(ProbeDuration(output), 4.0, 0.1);
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"in.mkv", "out.mp4"}));
}

TEST_F(OutputKeeping, AStoppedRunKeepsItsFileUnderAStoppedName)
{
    for (const std::string& expected : {folder.Path("out (stopped).mp4"), folder.Path("out (stopped 2).mp4")}) {
        CapturingTask task;
        task.ProgressInterval = 1;
        int reports = 0;
        task.OnProgress = [&reports](TCustomFFmpeg& self, const TProgressRecord&) {
            if (++reports == 3) self.StopRequested = true;
        };
        ASSERT_TRUE(task.OpenInputFile(clip));
        ASSERT_TRUE(task.OpenOutputFile(output));
        task.Transcode();
        EXPECT_FALSE(task.Finished);
        EXPECT_EQ(task.KeptOutputNames, std::vector<std::string>{expected});
        task.CleanUp();
        EXPECT_EQ(FileBytes(output), kOldContents);
        // A whole file, trailer and all, shorter than the input.
        const double duration = ProbeDuration(expected);
        EXPECT_GT(duration, 0.0);
        EXPECT_LT(duration, 3.9);
    }
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"in.mkv", "out (stopped 2).mp4", "out (stopped).mp4",
                                                              "out.mp4"}));
}

TEST_F(OutputKeeping, AStopBeforeAnythingWasWrittenKeepsNothing)
{
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(clip));
    ASSERT_TRUE(task.OpenOutputFile(output));
    task.StopRequested = true;
    task.Transcode();
    EXPECT_TRUE(task.KeptOutputNames.empty());
    EXPECT_EQ(task.MessageCount("Stopped before anything was converted: nothing is kept of '" + output + "'"), 1);
    task.CleanUp();
    EXPECT_EQ(FileBytes(output), kOldContents);
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"in.mkv", "out.mp4"}));
}

TEST_F(OutputKeeping, NamesThatCannotTakeAnOutput)
{
    CapturingTask task;
    fs::create_directory(folder.Path("folder.mp4"));
    EXPECT_FALSE(task.OpenOutputFile(folder.Path("folder.mp4")));
    EXPECT_EQ(task.LastErrMsg, "Could not open '" + folder.Path("folder.mp4") + "': Is a directory");
    fs::create_symlink(output, folder.Path("link.mp4"));
    EXPECT_FALSE(task.OpenOutputFile(folder.Path("link.mp4")));
    EXPECT_EQ(task.LastErrMsg, "Could not open '" + folder.Path("link.mp4") +
                                   "': the name is a link; give the name of the file it leads to");
    EXPECT_FALSE(task.OpenOutputFile("/sys/out.mp4"));
    EXPECT_EQ(task.LastErrMsg, "Could not open '/sys/out.mp4': Permission denied");
    EXPECT_EQ(FileBytes(output), kOldContents);
    EXPECT_TRUE(fs::is_directory(folder.Path("folder.mp4")));
}

TEST_F(OutputKeeping, ARenameThatIsRefusedFailsAndLeavesWhatHasTheName)
{
    const std::string fresh = folder.Path("fresh.mp4");
    CapturingTask task;
    ASSERT_TRUE(task.OpenInputFile(clip));
    ASSERT_TRUE(task.OpenOutputFile(fresh));
    // Someone makes a folder of that name while the task converts.
    fs::create_directories(folder.Path("fresh.mp4/inside"));
    EXPECT_EQ(FailureOf([&] { task.Transcode(); }),
              "Could not rename '" + folder.Path(".fresh.mirelk-part.mp4") + "' to '" + fresh +
                  "': a file of that name was made during the conversion; it is left as it is");
    task.CleanUp();
    EXPECT_TRUE(fs::is_directory(folder.Path("fresh.mp4/inside")));
    EXPECT_FALSE(fs::exists(folder.Path(".fresh.mirelk-part.mp4")));

    // Replacing a file whose place became a folder is refused by the system.
    CapturingTask replacing;
    ASSERT_TRUE(replacing.OpenInputFile(clip));
    ASSERT_TRUE(replacing.OpenOutputFile(output));
    fs::remove(output);
    fs::create_directories(folder.Path("out.mp4/inside"));
    EXPECT_EQ(FailureOf([&] { replacing.Transcode(); }),
              "Could not rename '" + folder.Path(".out.mirelk-part.mp4") + "' to '" + output +
                  "': Is a directory");
    replacing.CleanUp();
    EXPECT_FALSE(fs::exists(folder.Path(".out.mirelk-part.mp4")));
}

TEST_F(OutputKeeping, ADiskThatFillsUpFailsTheRunAndKeepsTheEarlierFile)
{
    // The file-size limit stands in for a full disk: writes past it fail with an error.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    rlimit small = limit;
    small.rlim_cur = 20000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    CapturingTask task;
    const std::string failure = mirelk::test::Convert(task, clip, output, "");
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_NE(failure, "");
    EXPECT_EQ(FileBytes(output), kOldContents);
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"in.mkv", "out.mp4"}));
}

TEST_F(OutputKeeping, APartFileLeftByAKilledRunIsWrittenAnewAndOneInUseIsLeftAlone)
{
    const std::string part = folder.Path(".out.mirelk-part.mp4");
    WriteBytes(part, "what a killed run had written");
    CapturingTask task;
    EXPECT_EQ(mirelk::test::Convert(task, clip, output, ""), "");
    EXPECT_EQ(task.MessageCount("'" + part + "' was left by a conversion that did not end; it is written anew"), 1);
    EXPECT_FALSE(fs::exists(part));
    EXPECT_NEAR(ProbeDuration(output), 4.0, 0.1);

    // Another conversion holds its lock: neither its part file nor the output is touched.
    WriteBytes(part, "another conversion's");
    const int held = ::open(part.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string before = FileBytes(output);
    CapturingTask second;
    EXPECT_FALSE(second.OpenOutputFile(output));
    EXPECT_EQ(second.LastErrMsg, "Could not open '" + output + "': another conversion is writing it");
    ::close(held);
    EXPECT_EQ(FileBytes(part), "another conversion's");
    EXPECT_EQ(FileBytes(output), before);
}

// The check on its own, on files the ffmpeg tool made.
TEST_F(OutputKeeping, TheCheckReadsTheIndexAndNamesBothDurations)
{
    const std::string whole = MakeMedia(folder.Path("whole.mp4"), "-i " + clip + " -c:v mpeg4 -c:a aac");
    const std::string cut = MakeMedia(folder.Path("cut.mp4"), "-i " + clip + " -t 2 -c:v mpeg4 -c:a aac");
    const std::string silent = MakeMedia(folder.Path("silent.mkv"), "-i " + clip + " -an -c:v mpeg4");
    ASSERT_FALSE(whole.empty() || cut.empty() || silent.empty());
    const std::vector<TExpectedStream> both{{AVMEDIA_TYPE_VIDEO, 4000000}, {AVMEDIA_TYPE_AUDIO, 4000000}};

    TOutputCheckFacts facts;
    EXPECT_EQ(CheckOutputFile(whole, "whole", both, -1, &facts), "");
    EXPECT_TRUE(facts.readIndex);
    EXPECT_EQ(facts.packetsRead, 0);
    EXPECT_EQ(CheckOutputFile(cut, "cut", both), "The output 'cut' holds 2.000 s of its video stream #0 where "
                                                 "4.000 s were asked");
    EXPECT_EQ(CheckOutputFile(silent, "silent", both), "The output 'silent' holds no packets of its audio stream #1");
    EXPECT_EQ(CheckOutputFile(silent, "silent", {}, 4000000, &facts), "");
    EXPECT_FALSE(facts.readIndex);
    EXPECT_GT(facts.packetsRead, 90);
    EXPECT_EQ(CheckOutputFile(folder.Path("out.mp4"), "junk", {}, 4000000).rfind("The output 'junk' does not open: ", 0),
              0u);
    // Short by a second, or 2 % of a long one; longer is no loss.
    EXPECT_TRUE(DurationMatches(9000000, 10000000));
    EXPECT_FALSE(DurationMatches(8900000, 10000000));
    EXPECT_TRUE(DurationMatches(98000000, 100000000));
    EXPECT_FALSE(DurationMatches(97900000, 100000000));
    EXPECT_TRUE(DurationMatches(30000000, 10000000));
}
