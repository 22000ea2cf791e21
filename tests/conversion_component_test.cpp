// The conversion component: tasks made from records, runs in worker threads and on the main
// thread, previews, and every format of the option form converted through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "cli/cli_test_support.h"
#include "component/task_test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

using ConversionComponent = ComponentTest;

TEST_F(ConversionComponent, RecordsBuildTheTask)
{
    const std::string clip = MakeClip(folder.Path("clip.mkv"), 2, "64x48");
    TInputOptions input;
    input.ExtOptions = "newvideo\nan";
    ASSERT_EQ(component.AddTask(clip, &input), 0) << component.LastErrMsg();
    TOutputOptions output;
    output.VideoCodec = "mpeg4";
    output.FrameSize = "32x24";
    output.AudioDisable = 1;
    output.Title = "Holiday";
    output.Timestamp = 0.0;
    output.ExtOptions = "newvideo";
    // Hook periods in milliseconds, sorted by their end, in microseconds; an end before its start
    // is no period, an unreadable number is -1.
    output.PTSPeriods = " 5000-10000, 0-1000 ,10000-5000,x-3";
    ASSERT_TRUE(component.AddOutput(0, folder.Path("out.mkv"), &output)) << component.LastErrMsg();
    std::vector<std::pair<std::int64_t, std::int64_t>> periods;
    for (const THookPeriod& period : component.Task(0)->HookPeriods) periods.emplace_back(period.start, period.end);
    EXPECT_EQ(periods, (std::vector<std::pair<std::int64_t, std::int64_t>>{
                           {-1000, 3000}, {0, 1000000}, {5000000, 10000000}}));
    // The output text's new-stream line added a second picture stream after the file opened.
    EXPECT_EQ(component.Task(0)->Output(0).streams.size(), 2u);
    EXPECT_EQ(component.Task(0)->Output(0).streams[0].codec->width, 32);
    // Times in milliseconds: half a second into the input, and one second recorded.
    TInputOptions late;
    late.StartTime = 500;
    TOutputOptions oneSecond, whole;
    oneSecond.AudioDisable = whole.AudioDisable = 1;
    oneSecond.RecordingTime = 1000;
    ASSERT_EQ(component.AddTask(clip, &late), 1);
    ASSERT_TRUE(component.AddOutput(1, folder.Path("1.mkv"), &whole));
    ASSERT_EQ(component.AddTask(clip), 2);
    ASSERT_TRUE(component.AddOutput(2, folder.Path("2.mkv"), &oneSecond));
    ASSERT_TRUE(RunAll(2));
    ASSERT_EQ(terminations.size(), 3u);
    for (const Termination& termination : terminations) EXPECT_TRUE(termination.finished) << termination.message;
    const std::string out = folder.Path("out.mkv");
    EXPECT_EQ(Probe(out, "", "format_tags=title"), "Holiday");
    EXPECT_FALSE(Probe(out, "", "format_tags=creation_time").empty());
    EXPECT_EQ(Probe(out, "a", "stream=codec_name"), "");
    EXPECT_NEAR(CountFrames(folder.Path("1.mkv")), 37.5, 1.0);
    EXPECT_EQ(CountFrames(folder.Path("2.mkv")), 25);

    // Bad records fail with their texts; a failed output leaves the task in the list.
    EXPECT_EQ(component.AddTask(folder.Path("missing.mkv")), -1);
    EXPECT_EQ(component.LastErrMsg(), folder.Path("missing.mkv") + ": no such file or directory");
    ASSERT_EQ(component.AddTask(clip), 3);
    TOutputOptions badSize;
    badSize.FrameSize = "33x24";
    EXPECT_FALSE(component.AddOutput(3, folder.Path("bad.mkv"), &badSize));
    EXPECT_EQ(component.LastErrMsg(), "Frame size must be a multiple of 2");
    EXPECT_EQ(component.TaskCount(), 4);
    // Removing renumbers the tasks after it; their ids stay.
    const TTaskId removed = component.TaskId(1), second = component.TaskId(2), failed = component.TaskId(3);
    component.RemoveTask(1);
    EXPECT_EQ(component.TaskCount(), 3);
    EXPECT_EQ(component.IndexOfTask(removed), -1);
    EXPECT_EQ(component.TaskId(1), second);
    EXPECT_EQ(component.IndexOfTask(failed), 2);
    EXPECT_EQ(component.TaskId(3), kNoTask);
    EXPECT_EQ(component.Task(2)->Index, 2);
    EXPECT_EQ(component.Task(1)->OutputOptions.RecordingTime, 1000);
    // Run again, the tasks that ran do not start, and the one without an output fails to start:
    // under its new index, as a line and a termination, and the run still ends once, after it.
    ASSERT_TRUE(RunAll(2));
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_EQ(terminations[0].index, 2);
    EXPECT_TRUE(terminations[0].exception);
    EXPECT_EQ(terminations[0].message, "At least one output file must be specified");
    EXPECT_EQ(terminationsAtRunEnd, 1u);
    EXPECT_EQ(runEnds, 1);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const Line& line) {
        return line.index == 2 && line.level == llQuiet && line.text == "At least one output file must be specified";
    }));
}

// Runs in worker threads are those of every other test here.
TEST_F(ConversionComponent, RunsOneAfterAnotherOnTheMainThread)
{
    // An empty run starts nothing and reports nothing.
    component.StartConvert(2);
    loop.PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(runEnds, 0);
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    const auto output = [&](int i) { return folder.Path(std::to_string(i) + ".mp3"); };
    for (int i = 0; i < 4; ++i) ASSERT_EQ(Add(sound, output(i)), i) << component.LastErrMsg();
    component.StartConvert(0);
    // The first task starts from the main loop, later.
    EXPECT_TRUE(terminations.empty());
    ASSERT_TRUE(PumpUntilTheRunEnds());
    ASSERT_EQ(terminations.size(), 4u);
    EXPECT_EQ(runEnds, 1);
    EXPECT_EQ(terminationsAtRunEnd, 4u);
    // One after another, in the list's order.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(terminations[i].index, i);
        EXPECT_TRUE(terminations[i].finished) << terminations[i].message;
        EXPECT_NEAR(ProbeDuration(output(i)), 1.0, 0.1);
    }
    // The library's lines of a run carry the index of their task.
    std::set<int> attributed;
    for (const Line& line : lines)
        if (line.text.rfind("Output #", 0) == 0) attributed.insert(line.index);
    EXPECT_EQ(attributed, (std::set<int>{0, 1, 2, 3}));
    // A list that has run starts nothing again.
    component.StartConvert(3);
    loop.PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(terminations.size(), 4u);
}

TEST_F(ConversionComponent, PreviewBitmapsReachTheMainThread)
{
    const std::string clip = MakeClip(folder.Path("clip.mkv"), 2, "64x48", true);
    ASSERT_EQ(Add(clip, folder.Path("out.avi"), "vcodec=mpeg4"), 0);
    int previews = 0;
    bool onMainThread = true;
    component.SetPreviewBitmap(true);
    component.OnPreviewBitmap = [&](int index, TBitmap24& bitmap, int frameNumber, std::int64_t) {
        ++previews;
        onMainThread = onMainThread && loop.IsMainThread();
        EXPECT_EQ(index, 0);
        EXPECT_EQ(bitmap.Width(), 64);
        EXPECT_GE(frameNumber, 1);
    };
    ASSERT_TRUE(RunAll(1));
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_TRUE(terminations[0].finished) << terminations[0].message;
    // Two seconds of pictures, at most one preview a tenth of a second.
    EXPECT_GE(previews, 5);
    EXPECT_LE(previews, 21);
    EXPECT_TRUE(onMainThread);

    // A copied picture stream has nothing to preview.
    ASSERT_EQ(Add(clip, folder.Path("copy.mkv"), "vcodec=copy"), 1);
    ASSERT_TRUE(RunAll(1));
    // The first task reported in the earlier run and is passed over; the second fails at its
    // set-up; the run still ends.
    ASSERT_EQ(terminations.size(), 1u);
    EXPECT_EQ(terminations[0].index, 1);
    EXPECT_TRUE(terminations[0].exception);
    EXPECT_EQ(terminations[0].message, "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
    EXPECT_EQ(runEnds, 1);
}

// The option form's records of every format, as mirelk-cli -f hands them to the component.
TEST_F(ConversionComponent, EveryFormatOfTheFormConverts)
{
    const std::string source = MakeMedia(folder.Path("clip.avi"), "-f lavfi -i testsrc=duration=1:size=320x240:rate=25 "
                                                                  "-f lavfi -i sine=duration=1:sample_rate=44100 -ac 2 "
                                                                  "-c:v mpeg4 -q:v 3 -c:a pcm_s16le");
    const std::vector<std::string> formats = Lines(RunCli("--list-formats").out);
    ASSERT_EQ(formats.size(), 33u);
    // Into an output folder that is made when missing.
    const std::string all = folder.Path("converted/all");
    for (const std::string& line : formats) {
        const std::string format = line.substr(0, line.find(' '));
        const CliRun run = RunCli("-q -f " + format + " -o " + ShellQuoted(all) + " " + ShellQuoted(source));
        EXPECT_EQ(run.status, 0) << format << "\n" << run.err;
    }
    int files = 0;
    for (const auto& entry : fs::directory_iterator(all)) {
        ++files;
        EXPECT_EQ(DecodeErrors(entry.path().string()), "") << entry.path();
    }
    EXPECT_EQ(files, 33);
    EXPECT_EQ(Probe(all + "/clip_(new)_psp.mp4", "a:0", "stream=codec_name,sample_rate"), "aac\n24000");
    EXPECT_EQ(Probe(all + "/clip_(new)_psp.mp4", "v:0", "stream=codec_name,r_frame_rate"), "mpeg4\n15000/1001");
    EXPECT_EQ(Probe(all + "/clip_(new).wma", "v", "stream=codec_name"), "");

    // A clip of two seconds from the first.
    const std::string longer = MakeClip(folder.Path("longer.avi"), 5, "160x120", true);
    ASSERT_EQ(RunCli("-q -f avi --clip 1-3 -o " + ShellQuoted(all) + " " + ShellQuoted(longer)).status, 0);
    EXPECT_NEAR(ProbeDuration(all + "/longer_(new).avi"), 2.0, 0.1);
}
