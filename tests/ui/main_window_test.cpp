// The main window driven as a user drives it: adding, converting on the format pages, the
// tool bar through a run, clip times, rows, the settings file, closing mid-run, the custom hook.
#include <QApplication>
#include <QComboBox>
#include <QThread>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

#include "ui_test_support.h"

namespace mirelk::test {

namespace {

enum { colName, colDuration, colSize, colOutput, colProgress, colConverted, colOutputSize };

std::string Clip(const std::string& path, int seconds, const std::string& size = "320x240")
{
    return MakeMedia(path, "-f lavfi -i testsrc=size=" + size + ":rate=25:duration=" + std::to_string(seconds) +
                               " -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
                               " -c:v mpeg4 -q:v 4 -c:a mp2 -shortest");
}

// The rows of an RGB picture, from frame `index` of a file.
std::vector<std::uint8_t> Frame(const std::string& path, int index, int width, int height)
{
    const std::string raw = RunCommand("ffmpeg -v error -i " + ShellQuoted(path) + " -vf \"select=eq(n\\," +
                                       std::to_string(index) + "),scale=" + std::to_string(width) + ":" +
                                       std::to_string(height) + "\" -vframes 1 -f rawvideo -pix_fmt rgb24 -");
    return {raw.begin(), raw.end()};
}


}  // namespace

TEST_F(MainWindowTest, ConvertsTwoFilesOnThe3GPPageThroughTheToolBarStates)
{
    const std::string in = folder.Path("输入 文件夹");
    const std::string out = folder.Path("输出 目录") + "/";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    const std::string first = Clip(in + "/第一 clip.avi", 2);
    const std::string second = Clip(in + "/second clip.mkv", 2);

    ui::TfrmMain& window = OpenWindow();
    EXPECT_TRUE(Enabled("ToolButton1"));
    for (const char* name : {"ToolButton2", "ToolButton7", "ToolButton5", "ToolButton6", "ToolButton4", "ToolButton3"})
        EXPECT_FALSE(Enabled(name)) << name;
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(out));
    window.AddFiles({QString::fromStdString(first), QString::fromStdString(second)});
    ASSERT_EQ(Files()->topLevelItemCount(), 2) << LogText().toStdString();
    EXPECT_EQ(Cell(0, colName), "第一 clip.avi");
    EXPECT_EQ(Cell(0, colDuration), "2");
    EXPECT_EQ(Cell(0, colSize).toLongLong(), static_cast<long long>(std::filesystem::file_size(first)));
    EXPECT_TRUE(LogText().contains("***File has been added to convert list."));
    for (const char* name : {"ToolButton1", "ToolButton2", "ToolButton7", "ToolButton3"}) EXPECT_TRUE(Enabled(name)) << name;

    Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
    Click("ToolButton7");
    for (const char* name : {"ToolButton1", "ToolButton2", "ToolButton7", "ToolButton6", "ToolButton3"})
        EXPECT_FALSE(Enabled(name)) << name;
    EXPECT_TRUE(Enabled("ToolButton5"));
    EXPECT_TRUE(Enabled("ToolButton4"));
    ASSERT_TRUE(WaitForRunEnd());
    for (int row = 0; row < 2; ++row) EXPECT_EQ(Cell(row, colProgress), "100%") << LogText().toStdString();
    // The end of a run leaves the tool bar as it is.
    EXPECT_TRUE(Enabled("ToolButton4"));

    for (const std::string name : {"第一 clip_(new).3gp", "second clip_(new).3gp"}) {
        const std::string written = out + name;
        ASSERT_TRUE(std::filesystem::exists(written)) << name;
        EXPECT_EQ(Probe(written, "v:0", "stream=codec_name"), "h263");
        EXPECT_EQ(Probe(written, "v:0", "stream=width"), "128");
        EXPECT_EQ(Probe(written, "a:0", "stream=codec_name"), "amr_nb");
        EXPECT_NEAR(ProbeDuration(written), 2.0, 0.3);
    }
    EXPECT_EQ(Cell(1, colOutput), "second clip_(new).3gp");
    EXPECT_GT(Cell(0, colOutputSize).toLongLong(), 0);

    Click("ToolButton4");
    EXPECT_TRUE(Enabled("ToolButton2"));
    for (const char* name : {"ToolButton4", "ToolButton5", "ToolButton6"}) EXPECT_FALSE(Enabled(name)) << name;
    Click("ToolButton2");
    EXPECT_EQ(Files()->topLevelItemCount(), 0);
    EXPECT_TRUE(Enabled("ToolButton1"));
    for (const char* name : {"ToolButton2", "ToolButton7", "ToolButton3"}) EXPECT_FALSE(Enabled(name)) << name;
}

TEST_F(MainWindowTest, ConvertsOnTheDVDPageForNTSCWithoutAFolder)
{
    const std::string work = folder.Path("work");
    std::filesystem::create_directories(work);
    const std::string source = Clip(work + "/a.avi", 1);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(work);
    ui::TfrmMain& window = OpenWindow();
    window.AddFiles({QString::fromStdString(source)});
    Child<QLineEdit>("Edit1")->setText("");
    Child<QTabWidget>("PageControl1")->setCurrentIndex(3);
    Child<QRadioButton>("DVD_grpNorm_2")->setChecked(true);
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    std::filesystem::current_path(before);
    EXPECT_EQ(Cell(0, colOutput), "a_(new)_dvd_ntsc.mpg");
    EXPECT_EQ(Cell(0, colProgress), "100%");
    const std::string written = work + "/a_(new)_dvd_ntsc.mpg";
    ASSERT_TRUE(std::filesystem::exists(written));
    EXPECT_EQ(Probe(written, "v:0", "stream=codec_name"), "mpeg2video");
    EXPECT_EQ(Probe(written, "v:0", "stream=height"), "480");
    EXPECT_EQ(Probe(written, "v:0", "stream=r_frame_rate"), "30000/1001");
}

TEST_F(MainWindowTest, ARunShowsItsProgressPausesResumesAndFailsVisibly)
{
    const std::string source = Clip(folder.Path("long.avi"), 10, "640x480");
    ui::TfrmMain& window = OpenWindow();
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(folder.Path("out") + "/"));
    std::filesystem::create_directories(folder.Path("out"));
    window.AddFiles({QString::fromStdString(source)});
    // Progress as often as the component gives it, so that a short run shows several values.
    window.Qelvan().SetProgressInterval(100);
    Child<QTabWidget>("PageControl1")->setCurrentIndex(4);
    Click("ToolButton7");
    std::set<QString> seen;
    bool paused = false;
    PumpUntil(
        [&] {
            if (Files()->topLevelItemCount() > 0) seen.insert(Cell(0, colProgress));
            if (!paused && seen.size() >= 2) {
                Click("ToolButton5");
                EXPECT_FALSE(Enabled("ToolButton5"));
                EXPECT_TRUE(Enabled("ToolButton6"));
                Click("ToolButton6");
                EXPECT_TRUE(Enabled("ToolButton5"));
                EXPECT_FALSE(Enabled("ToolButton6"));
                paused = true;
            }
            return !window.Converting();
        },
        120000);
    EXPECT_GE(seen.size(), 3u) << "the list did not follow the run";
    EXPECT_EQ(Cell(0, colProgress), "100%");
    Click("ToolButton4");
    Click("ToolButton2");

    // A folder that cannot be written: the row stays and says why.
    Child<QLineEdit>("Edit1")->setText("/proc/mirelk-nowhere/");
    window.AddFiles({QString::fromStdString(source)});
    EXPECT_EQ(Files()->topLevelItemCount(), 0);
    EXPECT_TRUE(LogText().contains("***Cannot do convert, error: ")) << LogText().toStdString();
}

TEST_F(MainWindowTest, ClipTimesBelongToTheirRowsAndCutTheConversion)
{
    const std::string first = Clip(folder.Path("one.avi"), 5);
    const std::string second = Clip(folder.Path("two.avi"), 4);
    ui::TfrmMain& window = OpenWindow();
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(folder.Path()) + "/");
    window.AddFiles({QString::fromStdString(first), QString::fromStdString(second)});
    ASSERT_EQ(Files()->topLevelItemCount(), 2);
    // Set start and set end do nothing until a file is open on the panel.
    ASSERT_EQ(window.ClipStarts().size(), 2u);
    EXPECT_EQ(window.ClipStarts()[0], "0");
    Files()->setCurrentItem(Files()->topLevelItem(0));
    Click("SpeedButton2");
    auto* bar = Child<QSlider>("DSTrackBar1");
    EXPECT_EQ(bar->maximum(), 5);
    bar->setValue(1);
    Click("btnStartTime");
    bar->setValue(3);
    Click("btnEndTime");
    EXPECT_EQ(window.ClipStarts()[0], "1.000");
    EXPECT_EQ(window.ClipEnds()[0], "3.000");
    EXPECT_EQ(Child<QLineEdit>("edtStartTime")->text(), "00:00:01");
    EXPECT_EQ(Child<QLineEdit>("edtEndTime")->text(), "00:00:03");

    Click("BitBtn2");
    EXPECT_EQ(Files()->indexOfTopLevelItem(Files()->currentItem()), 1);
    EXPECT_EQ(window.ClipStarts()[1], "1.000");
    EXPECT_EQ(window.ClipStarts()[0], "0");
    EXPECT_EQ(Cell(1, colName), "one.avi");
    EXPECT_EQ(window.InputFiles()[1], first);

    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_NEAR(ProbeDuration(folder.Path("one_(new).3gp")), 2.0, 0.3);
    EXPECT_NEAR(ProbeDuration(folder.Path("two_(new).3gp")), 4.0, 0.3);

    // After Clear a new file starts without a clip.
    Click("ToolButton4");
    Click("ToolButton2");
    window.AddFiles({QString::fromStdString(first)});
    EXPECT_EQ(window.ClipStarts()[0], "0");
    EXPECT_EQ(window.ClipEnds()[0], "0");
}

TEST_F(MainWindowTest, KeepsTheFolderAcrossARestartAndDropsVanishedFiles)
{
    const std::string kept = folder.Path("目录 kept") + "/";
    OpenWindow();
    EXPECT_EQ(Child<QLineEdit>("Edit1")->text(), "");
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(kept));
    CloseWindow();
    std::ifstream ini(programFolder + "/Config.ini");
    const std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("[FormConfig]"), std::string::npos) << text;
    OpenWindow();
    EXPECT_EQ(Child<QLineEdit>("Edit1")->text().toStdString(), kept);
    CloseWindow();
    // Written by hand in the other spelling of the section.
    std::ofstream(programFolder + "/Config.ini") << "[formconfig]\ndir=/tmp/other/\n";
    ui::TfrmMain& window = OpenWindow();
    EXPECT_EQ(Child<QLineEdit>("Edit1")->text(), "/tmp/other/");

    const std::string stays = Clip(folder.Path("stays.avi"), 1);
    const std::string goes = Clip(folder.Path("goes.avi"), 1);
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(folder.Path()) + "/");
    window.AddFiles({QString::fromStdString(goes), QString::fromStdString(stays)});
    ASSERT_EQ(Files()->topLevelItemCount(), 2);
    std::filesystem::remove(goes);
    const QString logBefore = LogText();
    Click("ToolButton7");
    ASSERT_EQ(Files()->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, colName), "stays.avi");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, colProgress), "100%");
    EXPECT_FALSE(LogText().mid(logBefore.size()).contains("error")) << LogText().toStdString();
}

TEST_F(MainWindowTest, RefusesFilesThatCannotBeRead)
{
    std::ofstream(folder.Path("text.mp4")) << "this is not a video\n";
    std::ofstream(folder.Path("empty.avi"));
    const std::string locked = Clip(folder.Path("locked.avi"), 1);
    ::chmod(locked.c_str(), 0);
    ui::TfrmMain& window = OpenWindow();
    window.AddFiles({QString::fromStdString(folder.Path("text.mp4")), QString::fromStdString(folder.Path("empty.avi")),
                     QString::fromStdString(folder.Path("missing.avi"))});
    EXPECT_EQ(Files()->topLevelItemCount(), 0);
    EXPECT_EQ(LogText().count("***File load error: "), 3) << LogText().toStdString();
    if (::geteuid() != 0) {
        window.AddFiles({QString::fromStdString(locked)});
        EXPECT_EQ(Files()->topLevelItemCount(), 0);
        EXPECT_EQ(LogText().count("***File load error: "), 4);
    }
    EXPECT_FALSE(Enabled("ToolButton7"));
}

TEST_F(MainWindowTest, ClosingDuringARunStopsEveryTaskAndWritesTheFolder)
{
    const std::string source = Clip(folder.Path("run.avi"), 10, "640x480");
    const std::string source2 = Clip(folder.Path("run2.avi"), 10, "640x480");
    ui::TfrmMain& window = OpenWindow();
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(folder.Path()) + "/");
    window.AddFiles({QString::fromStdString(source), QString::fromStdString(source2)});
    window.Qelvan().SetPreview(true);
    Child<QTabWidget>("PageControl1")->setCurrentIndex(4);
    Click("ToolButton7");
    PumpUntil([&] { return !Cell(0, colConverted).isEmpty(); }, 30000);
    CloseWindow();
    std::ifstream ini(programFolder + "/Config.ini");
    const std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("dir="), std::string::npos) << text;
    EXPECT_TRUE(WaitForTaskThreads(std::chrono::seconds(10)));
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
    window.AddFiles({QString::fromStdString(source)});
    TriggerMenu("mnuConvert");
    ASSERT_TRUE(WaitForRunEnd(120000));
    const std::string written = folder.Path("hook_(new).avi");
    ASSERT_TRUE(std::filesystem::exists(written)) << LogText().toStdString();
    const auto unchanged = Frame(written, 119, 176, 144);
    const auto flipped = Frame(written, 399, 176, 144);
    ASSERT_EQ(unchanged.size(), 176u * 144 * 3);
    ASSERT_EQ(flipped.size(), 176u * 144 * 3);
    EXPECT_GT(MeanChannel(unchanged, 176, 2, 40, 2), 180);  // blue on top
    EXPECT_GT(MeanChannel(unchanged, 176, 60, 140, 0), 180);
    EXPECT_GT(MeanChannel(flipped, 176, 2, 90, 0), 180);  // red on top
    EXPECT_LT(MeanChannel(flipped, 176, 2, 90, 2), 60);
    EXPECT_GT(MeanChannel(flipped, 176, 137, 143, 2), 180);  // blue at the bottom, under the flipped text
}

}  // namespace mirelk::test

namespace mirelk::test {

TEST_F(MainWindowTest, FailedTasksShowInTheirRowsWithoutBlockingTheWindow)
{
    const std::string first = Clip(folder.Path("f1.avi"), 2);
    const std::string second = Clip(folder.Path("f2.avi"), 2);
    ui::TfrmMain& window = OpenWindow();
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(folder.Path()) + "/");
    window.AddFiles({QString::fromStdString(first), QString::fromStdString(second)});
    ASSERT_EQ(Files()->topLevelItemCount(), 2);

    // A folder that cannot be written at Convert time: the rows stay, each saying why.
    Child<QLineEdit>("Edit1")->setText("/proc/mirelk-nowhere/");
    Click("ToolButton7");
    ASSERT_EQ(Files()->topLevelItemCount(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(Cell(row, colProgress), "失败");
        EXPECT_TRUE(Files()->topLevelItem(row)->toolTip(colProgress).contains("/proc/mirelk-nowhere/"))
            << Files()->topLevelItem(row)->toolTip(colProgress).toStdString();
    }
    EXPECT_TRUE(std::filesystem::exists(first));
    Click("ToolButton4");
    Click("ToolButton2");

    // A run that fails in the engine: a message box per task that does not hold the loop, and
    // the row that failed says so.
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(folder.Path()) + "/");
    window.AddFiles({QString::fromStdString(first)});
    TOptionForm& form = window.OptionForm();
    form.Settings.Scale = true;
    form.Settings.ScaleText = "not:a size";
    form.Settings.OutputFolder = folder.Path() + "/";
    TriggerMenu("mnuConvert");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, colProgress), "失败");
    EXPECT_FALSE(Files()->topLevelItem(0)->toolTip(colProgress).isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    bool boxShown = false;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "TaskErrorBox" && top->isVisible()) boxShown = true;
    EXPECT_TRUE(boxShown);
}

TEST(ConfigFile, LivesInTheUserFolderWhenTheProgramFolderCannotBeWritten)
{
    TempFolder folder;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.Path("config")));
    const ui::TConfigFile config(QString::fromStdString(folder.Path("no such program folder")));
    EXPECT_EQ(config.Path().toStdString(), folder.Path("config") + "/mirelk/Config.ini");
    ui::TConfigFile writable(QString::fromStdString(folder.Path()));
    EXPECT_EQ(writable.Path().toStdString(), folder.Path("Config.ini"));
    EXPECT_TRUE(writable.SetOutputFolder("/媒体/out/"));
    EXPECT_EQ(ui::TConfigFile(QString::fromStdString(folder.Path())).OutputFolder(), "/媒体/out/");
    // Bad or missing numbers of tasks at once fall back to the processors.
    EXPECT_GE(writable.TasksAtOnce(), 1);
    writable.SetValue(ui::TConfigFile::kRunSection, ui::TConfigFile::kTasksAtOnceKey, "3");
    EXPECT_EQ(writable.TasksAtOnce(), 3);
    writable.SetValue(ui::TConfigFile::kRunSection, ui::TConfigFile::kTasksAtOnceKey, "lots");
    EXPECT_EQ(writable.TasksAtOnce(), QThread::idealThreadCount());
}

}  // namespace mirelk::test

namespace mirelk::test {

TEST_F(MainWindowTest, ThePositionBarFollowsPlayback)
{
    const std::string clip = Clip(folder.Path("play.mkv"), 4);
    ui::TfrmMain& window = OpenWindow();
    window.AddFiles({QString::fromStdString(clip)});
    ASSERT_EQ(Files()->topLevelItemCount(), 1);
    Click("SpeedButton1");
    auto* bar = Child<QSlider>("DSTrackBar1");
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_TRUE(PumpUntil([&] { return bar->value() >= 1; }, 15000)) << "playback did not advance";
    Click("SpeedButton2");
    const int paused = bar->value();
    PumpUntil([] { return false; }, 1500);
    EXPECT_LE(bar->value(), paused + 1);
}

}  // namespace mirelk::test
