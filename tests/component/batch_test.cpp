// Batches of many files: a task that waits holds no open file, so a list far longer than the
// open-file limit converts; what happens to an input between adding and converting, an input
// that cannot be read on, and an output that cannot be written on fail only their own task,
// which leaves no partial output behind.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

#include "component/event_loop.h"
#include "component/task_threads.h"
#include "component/vantrel.h"
#include "component/task_test_support.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

// A tmpfs of a given size mounted on a folder while it lives (mounting takes root).
class TSmallFilesystem {
public:
    TSmallFilesystem(const std::string& path, const std::string& size) : m_path(path)
    {
        fs::create_directories(path);
        m_mounted = ::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, ("size=" + size).c_str()) == 0;
    }
    ~TSmallFilesystem()
    {
        if (m_mounted) ::umount2(m_path.c_str(), MNT_DETACH);
    }
    TSmallFilesystem(const TSmallFilesystem&) = delete;
    TSmallFilesystem& operator=(const TSmallFilesystem&) = delete;
    bool Mounted() const { return m_mounted; }

private:
    std::string m_path;
    bool m_mounted = false;
};

// The first half of a file's bytes into another file.
void CopyFirstHalf(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(to, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
}

std::vector<std::string> FolderEntries(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
    return names;
}

int OpenFileCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(component.LoadAVLib(MIRELK_LIBAV_DIR)) << component.LastErrMsg();
        component.SetLogLevel(llQuiet);
        component.OnTerminate = [this](int index, bool finished, bool exception, const std::string& message) {
            std::lock_guard<std::mutex> lock(eventsLock);
            if (index < 0) {
                ++runEnds;
                return;
            }
            terminations.push_back({index, finished, exception, message});
        };
    }
    void TearDown() override
    {
        component.ClearTasks();
        WaitForTaskThreads(std::chrono::seconds(30));
    }
    int Add(const std::string& input, const std::string& output)
    {
        const int index = component.AddTask(input);
        if (index < 0) return -1;
        return component.AddOutput(index, output) ? index : -1;
    }
    bool RunAll(int threads)
    {
        int ends = 0;
        {
            std::lock_guard<std::mutex> lock(eventsLock);
            ends = runEnds;
        }
        component.StartConvert(threads);
        return loop.PumpUntil(
            [this, ends] {
                std::lock_guard<std::mutex> lock(eventsLock);
                return runEnds > ends;
            },
            std::chrono::seconds(600));
    }

    struct Termination {
        int index;
        bool finished;
        bool exception;
        std::string message;
    };
    TEventLoop loop;
    TVantrel component{loop};
    std::mutex eventsLock;
    std::vector<Termination> terminations;
    int runEnds = 0;
    TempFolder folder;
};

TEST_F(Batch, ThousandsOfTasksUnderALowOpenFileLimit)
{
    const std::string clip = MakeMedia(folder.Path("clip.wav"), "-f lavfi -i sine=duration=0.05:sample_rate=8000 -ac 1");
    ASSERT_FALSE(clip.empty());
    fs::create_directories(folder.Path("in 输入"));
    fs::create_directories(folder.Path("out 输出"));
    constexpr int kTasks = 2000;
    std::vector<std::string> outputs;
    for (int i = 0; i < kTasks; ++i) {
        const std::string input = folder.Path("in 输入/片段 " + std::to_string(i) + ".wav");
        fs::copy_file(clip, input);
        outputs.push_back(folder.Path("out 输出/片段 " + std::to_string(i) + ".wav"));
    }

    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = 256;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    const int openBefore = OpenFileCount();
    for (int i = 0; i < kTasks; ++i)
        ASSERT_EQ(Add(folder.Path("in 输入/片段 " + std::to_string(i) + ".wav"), outputs[i]), i)
            << component.LastErrMsg();
    // Adding checked every file, and let go of every one.
    EXPECT_LE(OpenFileCount(), openBefore + 2);

    ASSERT_TRUE(RunAll(4));
    setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_EQ(terminations.size(), static_cast<std::size_t>(kTasks));
    int finished = 0;
    for (const Termination& termination : terminations) {
        finished += termination.finished && !termination.exception;
        EXPECT_EQ(termination.message, "") << termination.index;
    }
    EXPECT_EQ(finished, kTasks);
    EXPECT_EQ(runEnds, 1);
    for (int i = 0; i < kTasks; ++i) ASSERT_GT(FileSize(outputs[i]), 44) << outputs[i];
    for (int i : {0, 999, kTasks - 1}) {
        EXPECT_EQ(Probe(outputs[i], "a:0", "stream=codec_name"), "pcm_s16le");
        EXPECT_NEAR(ProbeDuration(outputs[i]), 0.05, 0.01);
    }
}

TEST_F(Batch, WhatHappensToAnInputAfterAddingFailsOnlyItsTask)
{
    const std::string clip =
        MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i sine=duration=0.5 -c:a mp2");
    const std::string longer =
        MakeMedia(folder.Path("longer.mkv"), "-f lavfi -i sine=duration=1.5 -c:a mp2");
    ASSERT_FALSE(clip.empty());
    ASSERT_FALSE(longer.empty());
    const std::string deleted = folder.Path("deleted one.mkv");
    const std::string changed = folder.Path("changed one.mkv");
    fs::copy_file(clip, deleted);
    fs::copy_file(clip, changed);

    ASSERT_EQ(Add(clip, folder.Path("a.wav")), 0) << component.LastErrMsg();
    ASSERT_EQ(Add(deleted, folder.Path("b.wav")), 1) << component.LastErrMsg();
    ASSERT_EQ(Add(changed, folder.Path("c.wav")), 2) << component.LastErrMsg();
    // The same input twice is two tasks like any others.
    ASSERT_EQ(Add(clip, folder.Path("d.wav")), 3) << component.LastErrMsg();
    const std::int64_t addedDuration = component.Task(1).Probe.GetFileInfo().Duration;
    EXPECT_GT(addedDuration, 400000);

    fs::remove(deleted);
    fs::copy_file(longer, changed, fs::copy_options::overwrite_existing);
    // The prober of a waiting task answers from what was read when it was added.
    EXPECT_EQ(component.Task(1).Probe.GetFileInfo().Duration, addedDuration);
    EXPECT_EQ(component.Task(1).Probe.AudioStreamCount(), 1);
    EXPECT_NE(component.Task(1).Probe.GetInfoText().find("Format Name: matroska,webm"), std::string::npos);

    ASSERT_TRUE(RunAll(2));
    ASSERT_EQ(terminations.size(), 4u);
    EXPECT_EQ(runEnds, 1);
    for (const Termination& termination : terminations) {
        switch (termination.index) {
        case 1:
            EXPECT_TRUE(termination.exception);
            EXPECT_EQ(termination.message, deleted + ": no such file or directory");
            break;
        case 2:
            EXPECT_TRUE(termination.exception);
            EXPECT_EQ(termination.message, changed + ": the file has changed since it was added");
            break;
        default:
            EXPECT_TRUE(termination.finished) << termination.index;
            EXPECT_FALSE(termination.exception) << termination.message;
        }
    }
    EXPECT_NEAR(ProbeDuration(folder.Path("a.wav")), 0.5, 0.05);
    EXPECT_NEAR(ProbeDuration(folder.Path("d.wav")), 0.5, 0.05);
    // The failed tasks leave nothing behind.
    EXPECT_FALSE(fs::exists(folder.Path("b.wav")));
    EXPECT_FALSE(fs::exists(folder.Path("c.wav")));
}

TEST_F(Batch, AnOutputFolderThatBecameUnwritableFailsItsTask)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i sine=duration=0.3 -c:a mp2");
    ASSERT_FALSE(clip.empty());
    fs::create_directories(folder.Path("gone"));
    const std::string lost = folder.Path("gone/x.wav");
    ASSERT_EQ(Add(clip, lost), 0) << component.LastErrMsg();
    ASSERT_EQ(Add(clip, folder.Path("kept.wav")), 1) << component.LastErrMsg();
    fs::remove_all(folder.Path("gone"));

    ASSERT_TRUE(RunAll(1));
    ASSERT_EQ(terminations.size(), 2u);
    EXPECT_EQ(runEnds, 1);
    EXPECT_EQ(terminations[0].index, 0);
    EXPECT_TRUE(terminations[0].exception);
    EXPECT_EQ(terminations[0].message, "Could not open '" + lost + "'");
    EXPECT_TRUE(terminations[1].finished);
    EXPECT_NEAR(ProbeDuration(folder.Path("kept.wav")), 0.3, 0.05);
}

TEST_F(Batch, AnInputThatFailsMidRunFailsItsTaskAndLeavesNoPartialOutput)
{
    // 8 s of 16-bit samples; cut to its first half, the header still promises 8 s.
    const std::string whole =
        MakeMedia(folder.Path("whole.wav"), "-f lavfi -i sine=duration=8:sample_rate=8000 -ac 1");
    ASSERT_FALSE(whole.empty());
    const std::string cut = folder.Path("cut short.wav");
    CopyFirstHalf(whole, cut);
    // The concat protocol reads on from the cut file into a file whose first read fails (offset
    // 0 of a process's memory is never mapped): an input error after four seconds of data.
    const std::string failing = "concat:" + cut + "|/proc/self/mem";
    ASSERT_EQ(Add(failing, folder.Path("failing.wav")), 0) << component.LastErrMsg();
    // The same data that simply ends: a damaged tail ends the input, the task finishes.
    ASSERT_EQ(Add(cut, folder.Path("cut.wav")), 1) << component.LastErrMsg();
    ASSERT_EQ(Add(whole, folder.Path("whole out.wav")), 2) << component.LastErrMsg();

    ASSERT_TRUE(RunAll(2));
    ASSERT_EQ(terminations.size(), 3u);
    EXPECT_EQ(runEnds, 1);
    for (const Termination& termination : terminations) {
        if (termination.index == 0) {
            EXPECT_FALSE(termination.finished);
            EXPECT_TRUE(termination.exception);
            EXPECT_EQ(termination.message, "Error while reading " + failing + ": Input/output error");
        } else {
            EXPECT_TRUE(termination.finished) << termination.index;
            EXPECT_FALSE(termination.exception) << termination.message;
        }
    }
    // It had written four seconds before the error: none of it stays.
    EXPECT_FALSE(fs::exists(folder.Path("failing.wav")));
    EXPECT_NEAR(ProbeDuration(folder.Path("cut.wav")), 4.0, 0.05);
    EXPECT_NEAR(ProbeDuration(folder.Path("whole out.wav")), 8.0, 0.05);
}

TEST_F(Batch, TasksWritingToAFullFilesystemEachFailAndLeaveNothing)
{
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small filesystem takes root";
    // Each decodes to 3.5 MB of samples; the filesystem holds 1 MiB.
    const std::string tone =
        MakeMedia(folder.Path("tone.mkv"), "-f lavfi -i sine=duration=20:sample_rate=44100 -ac 2 -c:a mp2");
    const std::string small = MakeMedia(folder.Path("small.mkv"), "-f lavfi -i sine=duration=0.5 -c:a mp2");
    ASSERT_FALSE(tone.empty());
    ASSERT_FALSE(small.empty());
    const std::string disk = folder.Path("small disk");
    TSmallFilesystem filesystem(disk, "1m");
    if (!filesystem.Mounted()) GTEST_SKIP() << "no tmpfs could be mounted: " << std::strerror(errno);
    constexpr int kTasks = 4;
    for (int i = 0; i < kTasks; ++i)
        ASSERT_EQ(Add(tone, disk + "/" + std::to_string(i) + ".wav"), i) << component.LastErrMsg();

    ASSERT_TRUE(RunAll(2));
    ASSERT_EQ(terminations.size(), static_cast<std::size_t>(kTasks));
    for (const Termination& termination : terminations) {
        EXPECT_FALSE(termination.finished) << termination.index;
        EXPECT_TRUE(termination.exception) << termination.index;
        EXPECT_EQ(termination.message, "av_interleaved_write_frame(): No space left on device") << termination.index;
    }
    // Nothing is left, so the whole filesystem is free again: a task that fits now finishes.
    EXPECT_EQ(FolderEntries(disk), std::vector<std::string>{});
    struct statvfs space {};
    ASSERT_EQ(::statvfs(disk.c_str(), &space), 0);
    EXPECT_EQ(space.f_bfree, space.f_blocks);
    component.ClearTasks();
    terminations.clear();
    ASSERT_EQ(Add(small, disk + "/fits.wav"), 0) << component.LastErrMsg();
    ASSERT_TRUE(RunAll(2));
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_TRUE(terminations[0].finished);
    EXPECT_EQ(terminations[0].message, "");
    EXPECT_NEAR(ProbeDuration(disk + "/fits.wav"), 0.5, 0.05);
}

TEST_F(Batch, OutputsThatOutgrowTheFileSizeLimitFailOnlyTheirTasks)
{
    // The same write failure as a full disk, without mounting anything: past the process's file
    // size limit a write fails with EFBIG once the signal that would end the process is ignored.
    const std::string tone =
        MakeMedia(folder.Path("tone.mkv"), "-f lavfi -i sine=duration=20:sample_rate=44100 -ac 2 -c:a mp2");
    const std::string small = MakeMedia(folder.Path("small.mkv"), "-f lavfi -i sine=duration=0.5 -c:a mp2");
    ASSERT_FALSE(tone.empty());
    ASSERT_FALSE(small.empty());
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Add(i % 2 == 0 ? tone : small, folder.Path(std::to_string(i) + ".wav")), i) << component.LastErrMsg();

    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = 1 << 20;
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool ended = RunAll(2);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);
    ASSERT_TRUE(ended);

    ASSERT_EQ(terminations.size(), 4u);
    for (const Termination& termination : terminations) {
        if (termination.index % 2 == 0) {
            EXPECT_FALSE(termination.finished) << termination.index;
            EXPECT_TRUE(termination.exception) << termination.index;
            EXPECT_EQ(termination.message, "av_interleaved_write_frame(): File too large") << termination.index;
            EXPECT_FALSE(fs::exists(folder.Path(std::to_string(termination.index) + ".wav")));
        } else {
            EXPECT_TRUE(termination.finished) << termination.index;
            EXPECT_EQ(termination.message, "") << termination.index;
            EXPECT_NEAR(ProbeDuration(folder.Path(std::to_string(termination.index) + ".wav")), 0.5, 0.05);
        }
    }
}

}  // namespace
