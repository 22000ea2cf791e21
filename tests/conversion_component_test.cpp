// The conversion component: tasks made from records, runs in threads and on the main thread,
// events, stops, and the command-line program on top of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>

#include "binding/loader.h"
#include "component/event_loop.h"
#include "component/hook_periods.h"
#include "component/task_threads.h"
#include "component/vantrel.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class ConversionComponent : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(component.LoadAVLib(MIRELK_LIBAV_DIR)) << component.LastErrMsg(); }
    void TearDown() override
    {
        component.ClearTasks();
        WaitForTaskThreads(std::chrono::seconds(10));
    }

    // Records every termination event; the run is over at index -1.
    void Record()
    {
        component.OnTerminate = [this](int index, bool finished, bool exception, const std::string& message) {
            std::lock_guard<std::mutex> lock(eventsLock);
            terminations.push_back({index, finished, exception, message});
            if (index < 0) ++runEnds;
        };
    }
    bool WaitForEnd()
    {
        return loop.PumpUntil(
            [this] {
                std::lock_guard<std::mutex> lock(eventsLock);
                return runEnds > 0;
            },
            std::chrono::seconds(120));
    }
    int AddConversion(const std::string& input, const std::string& output, const std::string& outputText = "")
    {
        const int index = component.AddTask(input);
        if (index < 0) return -1;
        TOutputOptions options;
        options.ExtOptions = outputText;
        return component.AddOutput(index, output, &options) ? index : -1;
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

}  // namespace

TEST_F(ConversionComponent, PropertiesAndPeriods)
{
    component.SetProgressInterval(50);
    EXPECT_EQ(component.ProgressInterval(), 100);
    component.SetProgressInterval(101);
    EXPECT_EQ(component.ProgressInterval(), 101);
    EXPECT_EQ(component.Version, "2.3");

    const auto periods = ParsePTSPeriods(" 5000-10000, 0-1000 ,10000-5000");
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].start, 0);
    EXPECT_EQ(periods[0].end, 1000000);
    EXPECT_EQ(periods[1].start, 5000000);
    EXPECT_EQ(periods[1].end, 10000000);
    // An unreadable start reads as -1 and still makes a period.
    EXPECT_EQ(ParsePTSPeriods("x-3").size(), 1u);
    EXPECT_TRUE(ParsePTSPeriods("").empty());

    // An empty run starts nothing and reports nothing.
    Record();
    component.StartConvert(2);
    loop.PumpFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(terminations.empty());
}

TEST_F(ConversionComponent, RecordsBuildTheTask)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=1 -c:v mpeg4 -c:a mp2");
    ASSERT_FALSE(clip.empty());
    TInputOptions input;
    input.ExtOptions = "newvideo\nan";
    const int index = component.AddTask(clip, &input);
    ASSERT_EQ(index, 0) << component.LastErrMsg();
    EXPECT_EQ(component.Task(0).InputOptions.FileName, clip);
    EXPECT_EQ(component.Task(0).Probe.VideoStreamCount(), 1);
    TOutputOptions output;
    output.VideoCodec = "mpeg4";
    output.FrameSize = "32x24";
    output.AudioDisable = 1;
    output.Title = "Holiday";
    output.Year = 2009;
    output.Timestamp = 0.0;
    output.ExtOptions = "newvideo";
    ASSERT_TRUE(component.AddOutput(index, folder.Path("out.mkv"), &output)) << component.LastErrMsg();
    // The output text's new-stream line added a second picture stream after the file opened.
    EXPECT_EQ(component.Task(0).Output(0).streams.size(), 2u);
    EXPECT_EQ(component.Task(0).Output(0).streams[0].codec->width, 32);
    Record();
    component.StartConvert(1);
    ASSERT_TRUE(WaitForEnd());
    const std::string out = folder.Path("out.mkv");
    EXPECT_EQ(Probe(out, "", "format_tags=title"), "Holiday");
    EXPECT_FALSE(Probe(out, "", "format_tags=creation_time").empty());
    EXPECT_EQ(Probe(out, "a", "stream=codec_name"), "");

    // Bad records fail with their texts; a failed output leaves the task in the list.
    EXPECT_EQ(component.AddTask(folder.Path("missing.mkv")), -1);
    EXPECT_EQ(component.LastErrMsg(), folder.Path("missing.mkv") + ": no such file or directory");
    TInputOptions badFormat;
    badFormat.FileFormat = "nonsense";
    EXPECT_EQ(component.AddTask(clip, &badFormat), -1);
    EXPECT_EQ(component.LastErrMsg(), "Unknown input format: nonsense");
    const int second = component.AddTask(clip);
    ASSERT_EQ(second, 1);
    TOutputOptions badSize;
    badSize.FrameSize = "33x24";
    EXPECT_FALSE(component.AddOutput(second, folder.Path("bad.mkv"), &badSize));
    EXPECT_EQ(component.LastErrMsg(), "Frame size must be a multiple of 2");
    EXPECT_EQ(component.TaskCount(), 2);
    const int third = component.AddTask(clip);
    ASSERT_EQ(third, 2);
    component.RemoveTask(second);
    EXPECT_EQ(component.TaskCount(), 2);
    EXPECT_EQ(component.Task(1).Index, 1);
}

TEST_F(ConversionComponent, ThreadedRunStartsUpToTheThreadCount)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=4");
    ASSERT_FALSE(sound.empty());
    for (int i = 0; i < 5; ++i)
        ASSERT_GE(AddConversion(sound, folder.Path("out" + std::to_string(i) + ".mp3")), 0) << component.LastErrMsg();
    std::set<int> progressing;
    std::mutex progressLock;
    component.OnProgress = [&](int index, int, int, int, float, float, std::int64_t, int) {
        std::lock_guard<std::mutex> lock(progressLock);
        progressing.insert(index);
    };
    std::vector<std::pair<int, std::string>> lines;
    component.SetLogLevel(llInfo);
    component.OnLog = [&](int index, TLogLevel, const std::string& message) {
        std::lock_guard<std::mutex> lock(progressLock);
        lines.emplace_back(index, message);
    };
    Record();
    component.StartConvert(3);
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(terminations.size(), 6u);
    EXPECT_EQ(terminations.back().index, -1);
    EXPECT_EQ(runEnds, 1);
    std::set<int> finished;
    for (std::size_t i = 0; i + 1 < terminations.size(); ++i) {
        EXPECT_TRUE(terminations[i].finished) << terminations[i].message;
        finished.insert(terminations[i].index);
    }
    EXPECT_EQ(finished, (std::set<int>{0, 1, 2, 3, 4}));
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(ProbeDuration(folder.Path("out" + std::to_string(i) + ".mp3")), 4.0, 0.1);
    // The library's lines from a worker thread carry that task's index.
    bool attributed = false;
    for (const auto& [index, message] : lines) attributed = attributed || (index >= 0 && message.rfind("Output #", 0) == 0);
    EXPECT_TRUE(attributed);

    // A list that has run starts nothing again.
    const std::size_t before = terminations.size();
    component.StartConvert(3);
    loop.PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(terminations.size(), before);
}

TEST_F(ConversionComponent, MainThreadRunGoesOneAfterAnother)
{
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    ASSERT_FALSE(sound.empty());
    for (int i = 0; i < 3; ++i) ASSERT_GE(AddConversion(sound, folder.Path("out" + std::to_string(i) + ".wav")), 0);
    Record();
    component.StartConvert(0);
    EXPECT_TRUE(terminations.empty());  // the first task starts from the main loop, later
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(terminations.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(terminations[static_cast<std::size_t>(i)].index, i);
        EXPECT_TRUE(terminations[static_cast<std::size_t>(i)].finished);
    }
    EXPECT_EQ(terminations[3].index, -1);
}

TEST_F(ConversionComponent, StopEndsTheRunAndEveryTaskReports)
{
    const std::string sound = MakeMedia(folder.Path("long.wav"), "-f lavfi -i sine=duration=60");
    ASSERT_FALSE(sound.empty());
    // Read at the input's own pace, so that the stop surely comes while the first one runs.
    for (int i = 0; i < 3; ++i)
        ASSERT_GE(AddConversion(sound, folder.Path("out" + std::to_string(i) + ".mp3"), "re"), 0);
    std::atomic<bool> progressed{false};
    component.OnProgress = [&](int, int, int, int, float, float, std::int64_t, int) { progressed = true; };
    Record();
    component.StartConvert(1);
    ASSERT_TRUE(loop.PumpUntil([&] { return progressed.load(); }, std::chrono::seconds(60)));
    component.StopConvert();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(terminations.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(terminations[static_cast<std::size_t>(i)].finished);
        EXPECT_FALSE(terminations[static_cast<std::size_t>(i)].exception);
    }
    EXPECT_EQ(terminations.back().index, -1);
    // The stopped conversion is still a complete file.
    EXPECT_EQ(DecodeErrors(folder.Path("out0.mp3")), "");
    EXPECT_GT(ProbeDuration(folder.Path("out0.mp3")), 0.0);
}

TEST_F(ConversionComponent, PreviewBitmapsReachTheMainThread)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=2:size=64x48:rate=25 -c:v mpeg4");
    ASSERT_FALSE(clip.empty());
    ASSERT_GE(AddConversion(clip, folder.Path("out.avi"), "vcodec=mpeg4"), 0);
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
    Record();
    component.StartConvert(1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(terminations.front().finished) << terminations.front().message;
    // Two seconds of pictures, at most one preview a tenth of a second.
    EXPECT_GE(previews, 5);
    EXPECT_LE(previews, 21);
    EXPECT_TRUE(onMainThread);

    // A copied picture stream has nothing to preview.
    ASSERT_EQ(component.AddTask(clip), 1);
    TOutputOptions copy;
    copy.VideoCodec = "copy";
    ASSERT_TRUE(component.AddOutput(1, folder.Path("copy.mkv"), &copy));
    terminations.clear();
    runEnds = 0;
    component.StartConvert(1);
    ASSERT_TRUE(WaitForEnd());
    // The first task reported in the earlier run and is passed over; the second fails at its
    // set-up; the run still ends.
    ASSERT_EQ(terminations.size(), 2u);
    EXPECT_EQ(terminations[0].index, 1);
    EXPECT_TRUE(terminations[0].exception);
    EXPECT_EQ(terminations[0].message, "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
    EXPECT_EQ(terminations[1].index, -1);
}

TEST_F(ConversionComponent, CommandLineProgram)
{
    const std::string cli = MIRELK_CLI_PATH;
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=2");
    ASSERT_FALSE(sound.empty());
    int status = -1;
    const std::string out = folder.Path("out put.mp3");
    RunCommand(cli + " -q -j 2 --output-options 'ab=96000' -O " + ShellQuoted(out) + " " + ShellQuoted(sound) + " 2>&1",
               &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Probe(out, "a:0", "stream=codec_name,bit_rate"), "mp3\n96000");
    // An existing output is never replaced unless asked.
    const auto sizeBefore = fs::file_size(out);
    const std::string refused = RunCommand(cli + " -q -O " + ShellQuoted(out) + " " + ShellQuoted(sound) + " 2>&1", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(refused.find("the file exists"), std::string::npos) << refused;
    EXPECT_EQ(fs::file_size(out), sizeBefore);
    RunCommand(cli + " -q -y --output-options 'ab=64000' -O " + ShellQuoted(out) + " " + ShellQuoted(sound) + " 2>&1",
               &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Probe(out, "a:0", "stream=bit_rate"), "64000");
    // A file that cannot be read is reported; the others still convert.
    const std::string mixed = RunCommand(cli + " -q -O " + ShellQuoted(folder.Path("a.wav")) + " " +
                                             ShellQuoted(folder.Path("nothing.wav")) + " -O " +
                                             ShellQuoted(folder.Path("b.wav")) + " " + ShellQuoted(sound) + " 2>&1",
                                         &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(mixed.find(folder.Path("nothing.wav") + ": no such file or directory"), std::string::npos) << mixed;
    EXPECT_TRUE(fs::exists(folder.Path("b.wav")));
    // Options the component's record would reset reach the task from the text too.
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=1:size=64x48:rate=25 "
                                                                "-f lavfi -i sine=duration=1 -c:v mpeg4 -c:a mp2");
    RunCommand(cli + " -q --output-options vn -O " + ShellQuoted(folder.Path("sound only.mp3")) + " " + ShellQuoted(clip) +
                   " 2>&1",
               &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Probe(folder.Path("sound only.mp3"), "v", "stream=codec_name"), "");
    EXPECT_EQ(Probe(folder.Path("sound only.mp3"), "a", "stream=codec_name"), "mp3");
    // Conversions by format: named beside the input, never over an existing file.
    const std::string picture = MakeMedia(folder.Path("my clip.avi"), "-f lavfi -i testsrc=duration=1:size=160x120:rate=25 "
                                                                      "-f lavfi -i sine=duration=1 -c:v mpeg4 -c:a mp2");
    for (const char* format : {"3gp", "mp3"}) {
        RunCommand(cli + " -q -f " + format + " " + ShellQuoted(picture) + " 2>&1", &status);
        EXPECT_EQ(status, 0) << format;
    }
    EXPECT_EQ(Probe(folder.Path("my clip_(new).3gp"), "v:0", "stream=codec_name"), "h263");
    EXPECT_EQ(Probe(folder.Path("my clip_(new).3gp"), "a:0", "stream=codec_name"), "amr_nb");
    EXPECT_EQ(Probe(folder.Path("my clip_(new).mp3"), "a:0", "stream=codec_name"), "mp3");
    EXPECT_EQ(Probe(folder.Path("my clip_(new).mp3"), "v", "stream=codec_name"), "");
    RunCommand(cli + " -q -f 3gp " + ShellQuoted(picture) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::exists(folder.Path("my clip_(new_1).3gp")));
    const std::string formats = RunCommand(cli + " --list-formats", &status);
    EXPECT_EQ(std::count(formats.begin(), formats.end(), '\n'), 24);
    RunCommand(cli + " -q -f nosuchformat " + ShellQuoted(picture) + " 2>&1", &status);
    EXPECT_EQ(status, 2);
    // Descriptions and usage errors.
    const std::string info = RunCommand(cli + " --info " + ShellQuoted(sound), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(info.find("wav"), std::string::npos) << info;
    RunCommand(cli + " --frobnicate 2>&1", &status);
    EXPECT_EQ(status, 2);
}

TEST_F(ConversionComponent, EveryFormatFromTheCommandLine)
{
    const std::string cli = MIRELK_CLI_PATH;
    const std::string clip = MakeMedia(folder.Path("clip.avi"), "-f lavfi -i testsrc=duration=2:size=640x480:rate=25 "
                                                                "-f lavfi -i sine=duration=2:sample_rate=44100 -ac 2 "
                                                                "-c:v mpeg4 -q:v 3 -c:a pcm_s16le");
    ASSERT_FALSE(clip.empty());
    int status = -1;
    const std::string list = RunCommand(cli + " --list-formats", &status);
    std::vector<std::string> formats;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = list.find('\n', start);
        formats.push_back(list.substr(start, list.find(' ', start) - start));
        start = end == std::string::npos ? list.size() : end + 1;
    }
    ASSERT_EQ(formats.size(), 24u);
    // The output folder is made when missing.
    const std::string out = folder.Path("converted/all");
    std::vector<std::string> failed;
    for (const std::string& format : formats) {
        RunCommand(cli + " -q -f " + format + " -o " + ShellQuoted(out) + " " + ShellQuoted(clip) + " 2>&1", &status);
        if (status != 0) failed.push_back(format);
    }
    EXPECT_TRUE(failed.empty()) << "formats that failed: " << ::testing::PrintToString(failed);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(out)) {
        ++files;
        EXPECT_EQ(DecodeErrors(entry.path().string()), "") << entry.path();
    }
    EXPECT_EQ(files, 24);
    EXPECT_EQ(Probe(out + "/clip_(new).3gp", "v:0", "stream=codec_name,width,height"), "h263\n128\n96");
    EXPECT_EQ(Probe(out + "/clip_(new).3gp", "a:0", "stream=codec_name,sample_rate,channels"), "amr_nb\n8000\n1");
    EXPECT_EQ(Probe(out + "/clip_(new)_psp.mp4", "a:0", "stream=codec_name,sample_rate"), "aac\n24000");
    EXPECT_EQ(Probe(out + "/clip_(new)_psp.mp4", "v:0", "stream=codec_name,r_frame_rate"), "mpeg4\n15000/1001");
    EXPECT_EQ(Probe(out + "/clip_(new)_vcd_auto.mpg", "v:0", "stream=codec_name,width,height"), "mpeg1video\n352\n288");
    EXPECT_EQ(Probe(out + "/clip_(new).wma", "v", "stream=codec_name"), "");

    // A clip of two seconds from the first.
    const std::string longer = MakeMedia(folder.Path("longer.avi"), "-f lavfi -i testsrc=duration=5:size=160x120:rate=25 "
                                                                    "-c:v mpeg4");
    RunCommand(cli + " -q -f avi --clip 1-3 -o " + ShellQuoted(out) + " " + ShellQuoted(longer) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NEAR(ProbeDuration(out + "/longer_(new).avi"), 2.0, 0.1);

    // Bad choices are usage errors naming what is wrong; bad option values reach the user.
    const std::string badSize = RunCommand(cli + " -q -f avi --size 12qx " + ShellQuoted(longer) + " 2>&1", &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(badSize.find("frame size"), std::string::npos) << badSize;
    const std::string badQuality = RunCommand(cli + " -q --output-options qscale=0 -O " +
                                                  ShellQuoted(folder.Path("q.avi")) + " " + ShellQuoted(longer) + " 2>&1",
                                              &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(badQuality.find("qscale must be > 0.0 and <= 255"), std::string::npos) << badQuality;
    EXPECT_FALSE(fs::exists(folder.Path("q.avi")));
}
