// The end of a run and the rows one by one: the tool bar back as after adding, the status bar's
// count, one summary box and one notification; Convert afterwards converts only what is not
// finished; one file stopped while the others go on, then retried; outputs beside the inputs
// when no folder is chosen.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <filesystem>
#include <fstream>

#include "ui_test_support.h"

namespace mirelk::test {

namespace {

constexpr int kProgress = 4;

std::vector<QMessageBox*> SummaryBoxes()
{
    std::vector<QMessageBox*> boxes;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "RunSummaryBox" && top->isVisible()) boxes.push_back(qobject_cast<QMessageBox*>(top));
    return boxes;
}

}  // namespace

TEST_F(MainWindowTest, ARunEndsWithOneSummaryAndConvertThenTakesOnlyWhatIsNotFinished)
{
    const std::string video = Clip(folder.Path("picture.avi"), 2);
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=2:sample_rate=8000");
    ui::TfrmMain& window = OpenWindow();
    int notifications = 0;
    QObject::connect(&window, &ui::TfrmMain::Notified, [&](const QString&, const QString& text) {
        ++notifications;
        EXPECT_EQ(text, window.StatusText());
    });
    SetOutputFolder(folder.Path() + "/");
    AddFiles({video, sound});
    ASSERT_EQ(Rows(), 2) << LogText().toStdString();
    // A scale the filter cannot read fails the file with pictures; the sound has none to scale.
    TOptionForm& form = window.OptionForm();
    form.Settings.Scale = true;
    form.Settings.ScaleText = "not:a size";
    // Another window is the active one, so the end of the run is told to the desktop.
    QWidget other;
    other.show();
    other.activateWindow();
    QCoreApplication::processEvents();

    Click("ToolButton7");
    EXPECT_EQ(ToolBar(), "45");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ToolBar(), "1237");
    EXPECT_EQ(Cell(0, kProgress), "失败");
    EXPECT_FALSE(ToolTip(0, kProgress).isEmpty());
    EXPECT_EQ(Cell(1, kProgress), "100%");
    EXPECT_EQ(window.StatusText(),
              QString("转换结束：完成 1 个，失败 1 个，停止 0 个。输出文件在 %1/。").arg(QString::fromStdString(folder.Path())));
    EXPECT_EQ(notifications, 1);
    std::vector<QMessageBox*> boxes = SummaryBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0]->informativeText().startsWith("picture.avi: ")) << boxes[0]->informativeText().toStdString();
    EXPECT_FALSE(boxes[0]->informativeText().contains("sound.wav"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    boxes[0]->close();

    // Convert again takes the failed row only: the finished output is not written a second time.
    const std::string written = window.OutputFile(1);
    ASSERT_TRUE(std::filesystem::exists(written)) << written;
    const auto writtenAt = std::filesystem::last_write_time(written);
    form.Settings.Scale = false;
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, kProgress), "100%");
    EXPECT_TRUE(std::filesystem::exists(window.OutputFile(0)));
    EXPECT_EQ(std::filesystem::last_write_time(written), writtenAt);
    EXPECT_TRUE(window.StatusText().startsWith("转换结束：完成 1 个，失败 0 个")) << window.StatusText().toStdString();
    EXPECT_TRUE(SummaryBoxes().empty());

    // Everything finished: Convert says how to convert again, and "convert again" does.
    Click("ToolButton7");
    EXPECT_FALSE(window.Converting());
    EXPECT_TRUE(window.StatusText().contains("再次转换"));
    window.ConvertRowsAgain({1});
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(1, kProgress), "100%");
    // Beside the first output, which is never overwritten.
    EXPECT_EQ(window.OutputFile(1), folder.Path("sound_(new_1).3gp"));
    EXPECT_TRUE(std::filesystem::exists(window.OutputFile(1)));
    EXPECT_EQ(std::filesystem::last_write_time(written), writtenAt);
}

TEST_F(MainWindowTest, OneFileStopsWhileTheOthersFinishAndIsThenRetried)
{
    std::ofstream(std::filesystem::path(programFolder) / "Config.ini")
        << "[FormConfig]\nlanguage=en\n[Conversion]\nTasksAtOnce=1\n";
    const std::string longer = SlowClip(folder.Path("long.avi"), 1200);
    const std::string waiting = Clip(folder.Path("waiting.avi"), 1);
    const std::string last = Clip(folder.Path("last.avi"), 1);
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder(folder.Path() + "/");
    AddFiles({longer, waiting, last});
    ASSERT_EQ(Rows(), 3);
    // Page "DVD": the long file takes a while to encode.
    Child<QTabWidget>("PageControl1")->setCurrentIndex(3);
    Click("ToolButton7");
    ASSERT_TRUE(window.Converting());
    // The first runs, the second waits its turn: both are stopped, the third goes on.
    ASSERT_TRUE(PumpUntil([&] { return !Cell(0, 5).isEmpty(); }, 60000)) << "the first file reports progress";
    window.StopRow(1);
    window.StopRow(0);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, kProgress), "Stopped");
    EXPECT_EQ(Cell(1, kProgress), "Stopped");
    EXPECT_EQ(Cell(2, kProgress), "100%");
    EXPECT_TRUE(window.StatusText().startsWith("Done: 1 finished, 0 failed, 2 stopped.")) << window.StatusText().toStdString();
    EXPECT_FALSE(std::filesystem::exists(window.OutputFile(1)));

    window.RetryRow(1);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(1, kProgress), "100%");
    EXPECT_EQ(Cell(0, kProgress), "Stopped") << "a retry converts its own row only";
    EXPECT_TRUE(std::filesystem::exists(window.OutputFile(1)));
    // Nothing to stop once the run is over, and a finished row is not "retried".
    window.StopRow(2);
    window.RetryRow(2);
    EXPECT_FALSE(window.Converting());
}

TEST_F(MainWindowTest, WithNoOutputFolderTheOutputsGoBesideTheirInputs)
{
    const std::string in = folder.Path("在这里 here");
    std::filesystem::create_directories(in);
    const std::string clip = Clip(in + "/clip.avi", 1);
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder("");
    EXPECT_EQ(Child<QLineEdit>("Edit1")->placeholderText(), "与各输入文件在同一目录");
    AddFiles({clip});
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(window.OutputFile(0), in + "/clip_(new).3gp");
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, kProgress), "100%") << LogText().toStdString();
    EXPECT_TRUE(std::filesystem::exists(in + "/clip_(new).3gp"));
    EXPECT_TRUE(window.StatusText().endsWith("输出文件与各输入文件在同一目录。")) << window.StatusText().toStdString();
}

}  // namespace mirelk::test
