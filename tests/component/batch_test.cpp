// Batches of many files: a task that waits holds no open file, so a list far longer than the
// open-file limit converts; what happens to an input or an output folder between adding and
// converting, an input that cannot be read on, and an output that cannot be written on fail only
// their own task, which leaves no partial output behind.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "component/task_test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

using Batch = ComponentTest;

int OpenFileCount()
{
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Sets a resource limit's soft value while it lives.
struct TLimit {
    TLimit(int resource, rlim_t value) : resource(resource)
    {
        EXPECT_EQ(getrlimit(resource, &saved), 0);
        rlimit limit = saved;
        limit.rlim_cur = value;
        EXPECT_EQ(setrlimit(resource, &limit), 0);
    }
    ~TLimit() { setrlimit(resource, &saved); }
    int resource;
    rlimit saved{};
};

}  // namespace

TEST_F(Batch, ThousandsOfTasksUnderALowOpenFileLimit)
{
    const std::string clip = MakeMedia(folder.Path("clip.wav"), "-f lavfi -i sine=duration=0.05:sample_rate=8000 -ac 1");
    fs::create_directories(folder.Path("in 输入"));
    fs::create_directories(folder.Path("out 输出"));
    constexpr int kTasks = 2000;
    const auto input = [&](int i) { return folder.Path("in 输入/片段 " + std::to_string(i) + ".wav"); };
    const auto output = [&](int i) { return folder.Path("out 输出/片段 " + std::to_string(i) + ".wav"); };
    for (int i = 0; i < kTasks; ++i) fs::create_hard_link(clip, input(i));
    component.SetLogLevel(llQuiet);

    TLimit openFiles(RLIMIT_NOFILE, 256);
    const int openBefore = OpenFileCount();
    for (int i = 0; i < kTasks; ++i) ASSERT_EQ(Add(input(i), output(i)), i) << component.LastErrMsg();
    // Adding checked every file, and let go of every one.
    EXPECT_LE(OpenFileCount(), openBefore + 2);

    ASSERT_TRUE(RunAll(4));
    ASSERT_EQ(terminations.size(), static_cast<std::size_t>(kTasks));
    for (const Termination& termination : terminations)
        ASSERT_TRUE(termination.finished && termination.message.empty()) << termination.index << ": " << termination.message;
    EXPECT_EQ(runEnds, 1);
    for (int i = 0; i < kTasks; ++i) ASSERT_GT(FileSize(output(i)), 44) << output(i);
    for (int i : {0, kTasks - 1}) {
        EXPECT_EQ(Probe(output(i), "a:0", "stream=codec_name"), "pcm_s16le");
        EXPECT_NEAR(ProbeDuration(output(i)), 0.05, 0.01);
    }
}

TEST_F(Batch, InputsAndFoldersThatChangeAfterAddingOrFailMidRunFailOnlyTheirTaskAndLeaveNoOutput)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i sine=duration=0.5 -c:a mp2");
    const std::string longer = MakeMedia(folder.Path("longer.mkv"), "-f lavfi -i sine=duration=1.5 -c:a mp2");
    // 8 s of 16-bit samples; cut to its first half, the header still promises 8 s.
    const std::string whole = MakeMedia(folder.Path("whole.wav"), "-f lavfi -i sine=duration=8:sample_rate=8000 -ac 1");
    const std::string deleted = folder.Path("deleted one.mkv");
    const std::string changed = folder.Path("changed one.mkv");
    const std::string cut = folder.Path("cut short.wav");
    fs::copy_file(clip, deleted);
    fs::copy_file(clip, changed);
    fs::copy_file(whole, cut);
    fs::resize_file(cut, fs::file_size(whole) / 2);
    fs::create_directories(folder.Path("gone"));
    const std::string lost = folder.Path("gone/x.wav");
    // The concat protocol reads on from the cut file into a file whose first read fails (offset
    // 0 of a process's memory is never mapped): an input error after four seconds of data.
    const std::string failing = "concat:" + cut + "|/proc/self/mem";
    struct Case { std::string input, output, failure; double seconds; };
    const Case cases[] = {
        {clip, folder.Path("a.wav"), "", 0.5},
        {deleted, folder.Path("b.wav"), deleted + ": no such file or directory", 0},
        {changed, folder.Path("c.wav"), changed + ": the file has changed since it was added", 0},
        {clip, lost, "Could not open '" + lost + "': No such file or directory", 0},
        // The same input twice is two tasks like any others.
        {clip, folder.Path("d.wav"), "", 0.5},
        // It writes four seconds before the error: none of it may stay.
        {failing, folder.Path("failing.wav"), "Error while reading " + failing + ": Input/output error", 0},
        // The same data that simply ends: a damaged tail ends the input, the task finishes.
        {cut, folder.Path("cut.wav"), "", 4.0},
    };
    for (int i = 0; i < 7; ++i) ASSERT_EQ(Add(cases[i].input, cases[i].output), i) << component.LastErrMsg();
    const std::int64_t addedDuration = component.Task(1)->Probe.GetFileInfo().Duration;
    EXPECT_GT(addedDuration, 400000);

    fs::remove(deleted);
    fs::copy_file(longer, changed, fs::copy_options::overwrite_existing);
    fs::remove_all(folder.Path("gone"));
    // The prober of a waiting task answers from what was read when it was added.
    EXPECT_EQ(component.Task(1)->Probe.GetFileInfo().Duration, addedDuration);
    EXPECT_EQ(component.Task(1)->Probe.AudioStreamCount(), 1);
    EXPECT_NE(component.Task(1)->Probe.GetInfoText().find("Format Name: matroska,webm"), std::string::npos);

    ASSERT_TRUE(RunAll(2));
    ASSERT_EQ(terminations.size(), 7u);
    EXPECT_EQ(runEnds, 1);
    EXPECT_EQ(terminationsAtRunEnd, 7u);
    for (const Termination& termination : terminations) {
        const Case& c = cases[termination.index];
        EXPECT_EQ(termination.message, c.failure) << termination.index;
        EXPECT_EQ(termination.exception, !c.failure.empty()) << termination.index;
        EXPECT_EQ(termination.finished, c.failure.empty()) << termination.index;
        if (c.failure.empty()) {
            EXPECT_NEAR(ProbeDuration(c.output), c.seconds, 0.05) << c.output;
        } else {
            EXPECT_FALSE(fs::exists(c.output)) << c.output;
        }
    }
}

TEST_F(Batch, OutputsThatCannotBeWrittenOnFailOnlyTheirTasksAndLeaveNothing)
{
    // Each decodes to 3.5 MB of samples, past the 1 MiB that can be written.
    const std::string tone =
        MakeMedia(folder.Path("tone.mkv"), "-f lavfi -i sine=duration=20:sample_rate=44100 -ac 2 -c:a mp2");
    const std::string small = MakeMedia(folder.Path("small.mkv"), "-f lavfi -i sine=duration=0.5 -c:a mp2");
    // Big and small outputs side by side; the big ones fail with the message, the small finish.
    const auto expectOnlyTheBigFail = [&](const std::string& place, const std::string& message) {
        ASSERT_EQ(terminations.size(), 4u);
        for (const Termination& termination : terminations) {
            const bool big = termination.index % 2 == 0;
            const std::string output = place + "/" + std::to_string(termination.index) + ".wav";
            EXPECT_EQ(termination.finished, !big) << termination.index;
            EXPECT_EQ(termination.message, big ? message : "") << termination.index;
            if (big) {
                EXPECT_FALSE(fs::exists(output));
            } else {
                EXPECT_NEAR(ProbeDuration(output), 0.5, 0.05) << output;
            }
        }
    };
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Add(i % 2 == 0 ? tone : small, folder.Path(std::to_string(i) + ".wav")), i) << component.LastErrMsg();
    {
        // Past the process's file size limit a write fails with EFBIG once the signal that would
        // end the process is ignored.
        const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
        TLimit fileSize(RLIMIT_FSIZE, 1 << 20);
        ASSERT_TRUE(RunAll(2));
        std::signal(SIGXFSZ, savedSignal);
    }
    expectOnlyTheBigFail(folder.Path(), "av_interleaved_write_frame(): File too large");

    // The same on a full filesystem, a tmpfs of 1 MiB (mounting takes root).
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small filesystem takes root";
    const std::string disk = folder.Path("small disk");
    fs::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0)
        GTEST_SKIP() << "no tmpfs could be mounted";
    struct TUnmount {
        std::string path;
        ~TUnmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    component.ClearTasks();
    for (int i = 0; i < 4; ++i) ASSERT_EQ(Add(i % 2 == 0 ? tone : small, disk + "/" + std::to_string(i) + ".wav"), i);
    // One after another: a big one fills the disk while no small one is being written.
    ASSERT_TRUE(RunAll(1));
    expectOnlyTheBigFail(disk, "av_interleaved_write_frame(): No space left on device");
    // Nothing but the finished outputs is left on the filesystem.
    struct statvfs space {};
    ASSERT_EQ(::statvfs(disk.c_str(), &space), 0);
    EXPECT_LE((space.f_blocks - space.f_bfree) * space.f_frsize, 2 * (fs::file_size(disk + "/1.wav") + space.f_frsize));
}
