// The main window driven as a user drives it: adding, converting on the format pages, the
// tool bar through a run, clip times, rows, the settings file, closing mid-run, the custom hook.
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QThread>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

#include "binding/utilities.h"
#include "ui_test_support.h"

namespace mirelk::test {

namespace {

enum { colName, colDuration, colSize, colOutput, colProgress, colConverted, colOutputSize };

// Picture `index` of a file, scaled to 176 x 144, as RGB rows.
std::vector<std::uint8_t> Picture(const std::string& path, int index)
{
    const std::string filters = "select=eq(n\\," + std::to_string(index) + "),scale=176:144";
    const std::string raw = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) + " -vf \"" + filters +
                                       "\" -vframes 1 -f rawvideo -pix_fmt rgb24 -");
    return {raw.begin(), raw.end()};
}

// The mean of one colour channel of such a picture over rows [top, bottom).
double MeanChannel(const std::vector<std::uint8_t>& rgb, int top, int bottom, int channel)
{
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < 176; ++x) sum += rgb[static_cast<std::size_t>((y * 176 + x) * 3 + channel)];
    return sum / (176.0 * (bottom - top));
}

}  // namespace

TEST_F(MainWindowTest, ConvertsOnThe3GPAndDVDPagesWithRowClipsThroughTheToolBarStates)
{
    const std::string in = folder.Path("输入 文件夹");
    const std::string out = folder.Path("输出 目录") + "/";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    const std::string first = Clip(in + "/第一 clip.avi", 5);
    const std::string second = Clip(in + "/second clip.mkv", 3);
    const std::string goes = in + "/goes.mkv";
    std::filesystem::copy_file(second, goes);

    ui::TfrmMain& window = OpenWindow();
    EXPECT_EQ(ToolBar(), "1");
    SetOutputFolder(out);
    AddFiles({goes, first, second});
    ASSERT_EQ(Rows(), 3) << LogText().toStdString();
    EXPECT_EQ(Cell(1, colName), "第一 clip.avi");
    EXPECT_EQ(Cell(1, colDuration), "5");
    EXPECT_EQ(Cell(1, colSize).toStdString(), FormatFileSize(static_cast<std::int64_t>(std::filesystem::file_size(first))));
    EXPECT_TRUE(LogText().contains("***File has been added to convert list."));
    EXPECT_EQ(ToolBar(), "1237");

    // The clip marks belong to the selected row, and only once its file is open on the panel.
    SelectRow(1);
    Click("btnStartTime");
    EXPECT_EQ(window.ClipStarts()[1], "0");
    Click("SpeedButton2");
    auto* bar = Child<QSlider>("DSTrackBar1");
    EXPECT_EQ(bar->maximum(), 5);
    bar->setValue(1);
    Click("btnStartTime");
    bar->setValue(3);
    Click("btnEndTime");
    EXPECT_EQ(window.ClipStarts()[1], "1.000");
    EXPECT_EQ(window.ClipEnds()[1], "3.000");
    EXPECT_EQ(Child<QLineEdit>("edtStartTime")->text(), "00:00:01");
    EXPECT_EQ(Child<QLineEdit>("edtEndTime")->text(), "00:00:03");
    // Moving the row down takes its clip along.
    Click("BitBtn2");
    EXPECT_EQ(Files()->currentIndex().row(), 2);
    EXPECT_EQ(window.ClipStarts()[2], "1.000");
    EXPECT_EQ(window.ClipStarts()[1], "0");
    EXPECT_EQ(Cell(2, colName), "第一 clip.avi");
    EXPECT_EQ(window.InputFiles()[2], first);

    // A file that vanished before Convert drops out of the list without an error.
    std::filesystem::remove(goes);
    const QString logBefore = LogText();
    Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
    Click("ToolButton7");
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, colName), "second clip.mkv");
    EXPECT_EQ(ToolBar(), "45");
    ASSERT_TRUE(WaitForRunEnd());
    for (int row = 0; row < 2; ++row) EXPECT_EQ(Cell(row, colProgress), "100%") << LogText().toStdString();
    EXPECT_FALSE(LogText().mid(logBefore.size()).contains("error")) << LogText().toStdString();
    EXPECT_EQ(Cell(0, colOutput), "second clip_(new).3gp");
    EXPECT_TRUE(Cell(0, colOutputSize).endsWith(" KB")) << Cell(0, colOutputSize).toStdString();
    EXPECT_EQ(ToolBar(), "1237") << "the end of a run gives the tool bar back as after adding";
    // The tool bar's conversion cuts each row's clip: the pictures and the sound alike.
    for (const auto& [name, seconds] : {std::pair{"second clip_(new).3gp", 3.0}, {"第一 clip_(new).3gp", 2.0}}) {
        EXPECT_NEAR(ProbeDuration(out + name), seconds, 0.3) << name;
        for (const char* stream : {"v:0", "a:0"}) {
            EXPECT_NEAR(std::stod(Probe(out + name, stream, "stream=duration")), seconds, 0.1) << name << stream;
            EXPECT_NEAR(std::stod(Probe(out + name, stream, "stream=start_time")), 0.0, 0.07) << name << stream;
        }
    }

    Click("ToolButton2");
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(ToolBar(), "1");
    // After Clear a new file starts without a clip.
    AddFiles({first});
    EXPECT_EQ(window.ClipStarts()[0], "0");
    EXPECT_EQ(window.ClipEnds()[0], "0");

    // Without a folder the output goes beside its input, whatever the working folder; the DVD
    // page's norm names it.
    SetOutputFolder("");
    Child<QTabWidget>("PageControl1")->setCurrentIndex(3);
    Child<QRadioButton>("DVD_grpNorm_2")->setChecked(true);
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, colOutput), "第一 clip_(new)_dvd_ntsc.mpg");
    EXPECT_EQ(Cell(0, colProgress), "100%");
    EXPECT_EQ(Probe(in + "/第一 clip_(new)_dvd_ntsc.mpg", "v:0", "stream=height"), "480");
}

TEST_F(MainWindowTest, DeletedRowsTakeTheirOwnTasksAlong)
{
    const std::string a = Clip(folder.Path("a.avi"), 1);
    for (const char* copy : {"b.avi", "c.avi"}) std::filesystem::copy_file(a, folder.Path(copy));
    ui::TfrmMain& window = OpenWindow();
    AddFiles({a, folder.Path("b.avi"), folder.Path("c.avi")});
    for (int deleted = 0; deleted < 2; ++deleted) {
        SelectRow(0);
        Click("ToolButton3");
    }
    EXPECT_EQ(window.InputFiles(), std::vector<std::string>{folder.Path("c.avi")});
    ASSERT_EQ(window.Qelvan().TaskCount(), 1);
    EXPECT_EQ(window.Qelvan().Task(0)->InputOptions.FileName, folder.Path("c.avi"));
}

TEST_F(MainWindowTest, ARunShowsItsProgressPausesResumesAndClosingStopsEveryTask)
{
    const std::string source = Clip(folder.Path("run.avi"), 10, "640x480");
    std::filesystem::copy_file(source, folder.Path("run2.avi"));
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder(folder.Path() + "/");
    AddFiles({source, folder.Path("run2.avi")});
    // Progress as often as the component gives it, so that a short run shows several values.
    window.Qelvan().SetProgressInterval(100);
    window.Qelvan().SetPreview(true);
    Child<QTabWidget>("PageControl1")->setCurrentIndex(4);
    Click("ToolButton7");
    std::set<QString> seen;
    bool paused = false;
    PumpUntil(
        [&] {
            seen.insert(Cell(0, colProgress));
            if (!paused && seen.size() >= 2) {
                Click("ToolButton5");
                EXPECT_EQ(ToolBar(), "46");
                Click("ToolButton6");
                EXPECT_EQ(ToolBar(), "45");
                paused = true;
            }
            return seen.size() >= 3 || !window.Converting();
        },
        120000);
    EXPECT_GE(seen.size(), 3u) << "the list did not follow the run";
    EXPECT_FALSE(Cell(0, colConverted).isEmpty());
    // Closed mid-run, with the preview windows open: the folder is written and every task ends.
    CloseWindow();
    EXPECT_NE(FileText(programFolder + "/Config.ini").find("dir="), std::string::npos);
    EXPECT_TRUE(WaitForTaskThreads(std::chrono::seconds(10)));
}

TEST_F(MainWindowTest, RefusesFilesThatCannotBeReadOrWritten)
{
    std::ofstream(folder.Path("text.mp4")) << "this is not a video\n";
    std::ofstream(folder.Path("empty.avi"));
    const std::string readable = Clip(folder.Path("fine.avi"), 1);
    const std::string locked = folder.Path("locked.avi");
    std::filesystem::copy_file(readable, locked);
    ::chmod(locked.c_str(), 0);
    OpenWindow();
    AddFiles({folder.Path("text.mp4"), folder.Path("empty.avi"), folder.Path("missing.avi")});
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(LogText().count("***File load error: "), 3) << LogText().toStdString();
    if (::geteuid() != 0) {
        AddFiles({locked});
        EXPECT_EQ(LogText().count("***File load error: "), 4);
    }
    // A folder that cannot be written: the file stays in the list, failed, and the log says why.
    SetOutputFolder("/proc/mirelk-nowhere/");
    AddFiles({readable});
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 4), "失败");
    EXPECT_TRUE(LogText().contains("***Cannot do convert, error: ")) << LogText().toStdString();
    EXPECT_EQ(ToolBar(), "1237");
}

TEST_F(MainWindowTest, FailedTasksShowInTheirRowsWithoutBlockingTheWindow)
{
    const std::string first = Clip(folder.Path("f1.avi"), 2);
    std::filesystem::copy_file(first, folder.Path("f2.avi"));
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder(folder.Path() + "/");
    AddFiles({first, folder.Path("f2.avi")});
    ASSERT_EQ(Rows(), 2);

    // A folder that cannot be written at Convert time: the rows stay, each saying why.
    SetOutputFolder("/proc/mirelk-nowhere/");
    Click("ToolButton7");
    ASSERT_EQ(Rows(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(Cell(row, colProgress), "失败");
        EXPECT_TRUE(ToolTip(row, colProgress).contains("/proc/mirelk-nowhere/"))
            << ToolTip(row, colProgress).toStdString();
    }
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_EQ(ToolBar(), "1237") << "a run of which nothing could start is over at once";
    Click("ToolButton2");
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "RunSummaryBox") top->close();
    QCoreApplication::processEvents();

    // A run that fails in the engine: one summary box that does not hold the loop, and the row
    // that failed says so.
    SetOutputFolder(folder.Path() + "/");
    AddFiles({first});
    TOptionForm& form = window.OptionForm();
    form.Settings.Scale = true;
    form.Settings.ScaleText = "not:a size";
    form.Settings.OutputFolder = folder.Path() + "/";
    TriggerMenu("mnuConvert");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, colProgress), "失败");
    EXPECT_FALSE(ToolTip(0, colProgress).isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    int boxes = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "RunSummaryBox" && top->isVisible()) ++boxes;
    EXPECT_EQ(boxes, 1);
}

TEST_F(MainWindowTest, TheCustomHookFlipsFrame400AndLeavesFrame120)
{
    // Blue over the top third, red below: a flip moves the blue to the bottom.
    const std::string source = MakeMedia(folder.Path("hook.avi"),
                                         "-f lavfi -i color=c=red:size=176x144:rate=25:duration=17 -vf "
                                         "drawbox=x=0:y=0:w=176:h=48:color=blue:t=fill -c:v mpeg4 -q:v 2");
    ui::TfrmMain& window = OpenWindow();
    TOptionForm& form = window.OptionForm();
    ASSERT_TRUE(form.SelectOutputFormat("AVI"));
    form.Settings.HookSource = hsCustom;
    form.Settings.OutputFolder = folder.Path() + "/";
    AddFiles({source});
    TriggerMenu("mnuConvert");
    ASSERT_TRUE(WaitForRunEnd(120000));
    const std::string written = folder.Path("hook_(new).avi");
    ASSERT_TRUE(std::filesystem::exists(written)) << LogText().toStdString();
    const auto unchanged = Picture(written, 119);
    const auto flipped = Picture(written, 399);
    ASSERT_EQ(unchanged.size(), 176u * 144 * 3);
    ASSERT_EQ(flipped.size(), 176u * 144 * 3);
    EXPECT_GT(MeanChannel(unchanged, 2, 40, 2), 180);  // blue on top
    EXPECT_GT(MeanChannel(unchanged, 60, 140, 0), 180);
    EXPECT_GT(MeanChannel(flipped, 2, 90, 0), 180);  // red on top
    EXPECT_LT(MeanChannel(flipped, 2, 90, 2), 60);
    EXPECT_GT(MeanChannel(flipped, 137, 143, 2), 180);  // blue at the bottom, under the flipped text
}

TEST_F(MainWindowTest, ThePositionBarFollowsPlayback)
{
    const std::string clip = Clip(folder.Path("play.mkv"), 4);
    OpenWindow();
    AddFiles({clip});
    ASSERT_EQ(Rows(), 1);
    Click("SpeedButton1");
    auto* bar = Child<QSlider>("DSTrackBar1");
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_TRUE(PumpUntil([&] { return bar->value() >= 1; }, 15000)) << "playback did not advance";
    Click("SpeedButton2");
    const int paused = bar->value();
    PumpUntil([] { return false; }, 1500);
    EXPECT_LE(bar->value(), paused + 1);
}

TEST(ConfigFile, LivesBesideTheProgramOnlyInABuildTree)
{
    TempFolder folder;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.Path("config")));
    const std::string inUserFolder = folder.Path("config") + "/mirelk/Config.ini";
    const auto pathFor = [&](const std::string& programFolder) {
        return ui::TConfigFile(QString::fromStdString(programFolder)).Path().toStdString();
    };
    EXPECT_EQ(pathFor(folder.Path("no such program folder")), inUserFolder);
    // An installed support folder can be written by root, and still holds nothing of the user's;
    // nor does a copy of the programs' folder with no build around it.
    std::filesystem::create_directories(folder.Path("usr/lib/mirelk/LibAV"));
    EXPECT_EQ(pathFor(folder.Path("usr/lib/mirelk")), inUserFolder);
    std::filesystem::create_directories(folder.Path("build/bin/LibAV"));
    EXPECT_EQ(pathFor(folder.Path("build/bin")), inUserFolder);
    std::ofstream(folder.Path("build/CMakeCache.txt")) << "# CMake's cache\n";
    ui::TConfigFile writable(QString::fromStdString(folder.Path("build/bin")));
    EXPECT_EQ(writable.Path().toStdString(), folder.Path("build/bin/Config.ini"));
    EXPECT_TRUE(writable.Writable());
    EXPECT_TRUE(writable.SetOutputFolder("/媒体/out/"));
    EXPECT_EQ(ui::TConfigFile(QString::fromStdString(folder.Path("build/bin"))).OutputFolder(), "/媒体/out/");
    EXPECT_FALSE(std::filesystem::exists(inUserFolder));

    // A configuration folder that cannot be made: the file says so, and keeps nothing.
    qputenv("XDG_CONFIG_HOME", "/sys/mirelk-config");
    ui::TConfigFile unwritable(QString::fromStdString(folder.Path("usr/lib/mirelk")));
    EXPECT_FALSE(unwritable.Writable());
    EXPECT_FALSE(unwritable.SetOutputFolder("/out/"));
    EXPECT_EQ(unwritable.OutputFolder(), "");
    EXPECT_EQ(unwritable.TasksAtOnce(), QThread::idealThreadCount());
    EXPECT_FALSE(std::filesystem::exists(folder.Path("usr/lib/mirelk/Config.ini")));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.Path("config")));

    // The number of tasks at once as written, down to one; bad or missing numbers fall back to
    // the processors.
    EXPECT_EQ(writable.TasksAtOnce(), QThread::idealThreadCount());
    for (const auto& [text, tasks] : {std::pair{"3", 3}, {"1", 1}, {"0", QThread::idealThreadCount()},
                                      {"lots", QThread::idealThreadCount()}}) {
        writable.SetValue(ui::TConfigFile::kRunSection, ui::TConfigFile::kTasksAtOnceKey, text);
        EXPECT_EQ(writable.TasksAtOnce(), tasks) << text;
    }
}

}  // namespace mirelk::test
