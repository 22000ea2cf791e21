// Nothing a user has is lost to a closed window or a killed program: closing during a run asks
// first and a stopped file keeps a name that says so, an existing file at the output's name
// keeps its bytes; the list is kept on disk while the program runs, and after a kill the next
// start restores it with finished rows finished and Convert doing only what was left.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "ui/option_window.h"
#include "ui_test_support.h"

namespace mirelk::test {

namespace {

constexpr int kOutputColumn = 3;
constexpr int kProgress = 4;

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// Signals the child while it runs. A child that has ended has no process id (0), and a signal
// to 0 would go to this test's whole process group.
void Signal(QProcess& child, int signal)
{
    const qint64 id = child.processId();
    if (id > 0) ::kill(static_cast<pid_t>(id), signal);
}

bool AnyPartFile(const std::string& folder)
{
    for (const std::string& name : FolderNames(folder))
        if (name.find("mirelk-part") != std::string::npos) return true;
    return false;
}

// A part file with some pictures in it: the run is well under way.
bool PartFileUnderWay(const std::string& folder)
{
    std::error_code error;
    for (const std::string& name : FolderNames(folder))
        if (name.find("mirelk-part") != std::string::npos && std::filesystem::file_size(folder + name, error) > 64 * 1024)
            return true;
    return false;
}

}  // namespace

TEST_F(MainWindowTest, ClosingDuringARunAsksAndAStoppedFileKeepsANameThatSaysSo)
{
    const std::string out = folder.Path("out") + "/";
    std::filesystem::create_directories(out);
    const std::string clip = SlowClip(folder.Path("long clip.avi"), 1200);
    const std::string existing = out + "long clip_(new).3gp";
    WriteBytes(existing, "the user's own file");
    ui::TfrmMain& window = OpenWindow();
    window.SetLanguage("en");
    QCoreApplication::processEvents();
    SetOutputFolder(out);
    // With overwriting on, the finished output would take the existing file's place; a stop
    // must leave it alone.
    auto* overwrite = window.ShowOptionWindow().findChild<QCheckBox*>("chkOverwrite");
    overwrite->click();
    window.OptionWindow()->close();
    AddFiles({clip});
    ASSERT_EQ(window.OutputFile(0), existing);
    Click("ToolButton7");
    ASSERT_TRUE(PumpUntil([&] { return Cell(0, kProgress).endsWith('%') && Cell(0, kProgress) != "0%"; }, 60000));

    AnswerNextBox("btnKeepRunning");
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Converting());

    AnswerNextBox("btnStopRun");
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(out + "long clip_(new) (stopped).3gp"); }, 30000));
    CloseWindow();
    EXPECT_EQ(FileBytes(existing), "the user's own file");
    const double kept = ProbeDuration(out + "long clip_(new) (stopped).3gp");
    EXPECT_GT(kept, 0.0);
    EXPECT_LT(kept, 1100.0);
    EXPECT_FALSE(AnyPartFile(out));
}

TEST_F(MainWindowTest, AnExistingFileAtTheOutputsNameKeepsItsBytesUntilAFinishedRunReplacesIt)
{
    const std::string out = folder.Path("out") + "/";
    std::filesystem::create_directories(out);
    const std::string clip = Clip(folder.Path("clip.avi"), 1);
    const std::string existing = out + "clip_(new).3gp";
    WriteBytes(existing, "the user's own file");
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder(out);
    // With overwriting on, the output's name is the existing file's.
    window.ShowOptionWindow().findChild<QCheckBox*>("chkOverwrite")->click();
    window.OptionWindow()->close();

    AddFiles({clip});
    ASSERT_EQ(window.OutputFile(0), existing);
    SelectRow(0);
    Click("ToolButton3");
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(FileBytes(existing), "the user's own file") << "after Delete";
    AddFiles({clip});
    Click("ToolButton2");
    EXPECT_EQ(FileBytes(existing), "the user's own file") << "after Clear";

    AddFiles({clip});
    TOptionForm& form = window.OptionForm();
    form.Settings.Scale = true;
    form.Settings.ScaleText = "not:a size";
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, kProgress), "失败");
    EXPECT_EQ(FileBytes(existing), "the user's own file") << "after a failed run";
    EXPECT_FALSE(AnyPartFile(out));

    form.Settings.Scale = false;
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, kProgress), "100%") << LogText().toStdString();
    EXPECT_EQ(Probe(existing, "v:0", "stream=codec_name"), "h263");
    EXPECT_EQ(FolderNames(out), std::vector<std::string>{"clip_(new).3gp"});
}

TEST_F(MainWindowTest, AListKilledMidRunIsRestoredAndConvertFinishesOnlyWhatWasLeft)
{
    const std::string out = folder.Path("输出 out") + "/";
    std::filesystem::create_directories(out);
    const std::vector<std::string> clips{Clip(folder.Path("a.avi"), 1), Clip(folder.Path("b.avi"), 1),
                                         SlowClip(folder.Path("c long.avi"), 1200), Clip(folder.Path("d.avi"), 1)};
    std::ofstream(std::filesystem::path(programFolder) / "Config.ini", std::ios::app) << "[Conversion]\nTasksAtOnce=1\n";
    const std::string list = programFolder + "/list.json";

    QProcess child;
    QStringList arguments{QString::fromStdString(programFolder), QString::fromStdString(out)};
    for (const std::string& clip : clips) arguments << QString::fromStdString(clip);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromStdString(std::filesystem::path(MIRELK_LIBAV_DIR).parent_path() / "ui_list_child"), arguments);
    ASSERT_TRUE(child.waitForStarted());
    // Killed once the list on disk says two files are finished and the third is being written.
    const bool midRun = PumpUntil(
        [&] { return Count(FileText(list), "\"state\":\"finished\"") == 2 && AnyPartFile(out); }, 120000);
    Signal(child, SIGKILL);
    child.waitForFinished();
    ASSERT_TRUE(midRun) << FileText(list);
    EXPECT_FALSE(std::filesystem::exists(out + "c long_(new).3gp"));
    EXPECT_EQ(Count(FileText(list), "\"state\":\"ready\""), 2);

    const auto firstWritten = std::filesystem::last_write_time(out + "a_(new).3gp");
    // b's output is damaged after the kill: it does not come back as finished.
    std::filesystem::resize_file(out + "b_(new).3gp", std::filesystem::file_size(out + "b_(new).3gp") / 3);

    ui::TfrmMain& window = OpenWindow();
    window.SetLanguage("en");
    QCoreApplication::processEvents();
    AnswerNextBox("btnRestoreList");
    ASSERT_TRUE(window.OfferListRestore());
    WaitUntilIdle();
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(0, kProgress), "100%");
    EXPECT_EQ(Cell(0, kOutputColumn), "a_(new).3gp");
    EXPECT_EQ(Cell(1, kProgress), "");
    EXPECT_EQ(Cell(2, kProgress), "");
    EXPECT_EQ(Cell(3, kProgress), "");
    EXPECT_EQ(Cell(2, kOutputColumn), "c long_(new).3gp");

    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd(300000));
    for (int row = 0; row < 4; ++row) EXPECT_EQ(Cell(row, kProgress), "100%") << row << LogText().toStdString();
    EXPECT_TRUE(window.StatusText().startsWith("Done: 3 finished, 0 failed, 0 stopped.")) << window.StatusText().toStdString();
    EXPECT_EQ(std::filesystem::last_write_time(out + "a_(new).3gp"), firstWritten) << "a finished file is not redone";
    EXPECT_NEAR(ProbeDuration(out + "c long_(new).3gp"), 1200.0, 1.5);
    EXPECT_GT(ProbeDuration(window.OutputFile(1)), 0.5);
    EXPECT_FALSE(AnyPartFile(out)) << testing::PrintToString(FolderNames(out)) << LogText().toStdString();

    // A normal close leaves no list to restore.
    CloseWindow();
    EXPECT_FALSE(std::filesystem::exists(list));
    ui::TfrmMain& again = OpenWindow();
    EXPECT_FALSE(again.OfferListRestore());
}

TEST_F(MainWindowTest, ASignalStopsTheRunAsStopDoesAndKeepsTheListForTheNextStart)
{
    const std::string out = folder.Path("out") + "/";
    std::filesystem::create_directories(out);
    const std::string clip = SlowClip(folder.Path("long.avi"), 1200);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromStdString(std::filesystem::path(MIRELK_LIBAV_DIR).parent_path() / "ui_list_child"),
                {QString::fromStdString(programFolder), QString::fromStdString(out), QString::fromStdString(clip)});
    ASSERT_TRUE(child.waitForStarted());
    // A stop before anything is written leaves no file to keep; the signal comes once some is.
    const bool midRun = PumpUntil([&] { return PartFileUnderWay(out); }, 60000);
    Signal(child, SIGTERM);
    EXPECT_TRUE(child.waitForFinished(30000));
    ASSERT_TRUE(midRun);
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(FolderNames(out), std::vector<std::string>{"long_(new) (stopped).3gp"});
    const double kept = ProbeDuration(out + "long_(new) (stopped).3gp");
    EXPECT_GT(kept, 0.0);
    EXPECT_LT(kept, 1100.0);
    EXPECT_EQ(Count(FileText(programFolder + "/list.json"), "long.avi"), 1);
}

TEST_F(MainWindowTest, AKeptListThatIsNotAListIsNotOfferedAndADiscardedOneIsGone)
{
    const std::string list = programFolder + "/list.json";
    WriteBytes(list, "{\"format\": \"mirelk-list\", \"rows\": [{\"input\": \"/a.avi\"");
    ui::TfrmMain& window = OpenWindow();
    window.SetLanguage("en");
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.OfferListRestore());
    EXPECT_TRUE(LogText().contains("***The last list is not restored: " + QString::fromStdString(list) + " is not a list of files"))
        << LogText().toStdString();

    const std::string clip = Clip(folder.Path("clip.avi"), 1);
    WriteBytes(list, "{\"format\":\"mirelk-list\",\"version\":1,\"rows\":[{\"input\":\"" + clip + "\",\"state\":\"ready\"}]}");
    AnswerNextBox("btnDiscardList");
    EXPECT_FALSE(window.OfferListRestore());
    EXPECT_FALSE(std::filesystem::exists(list));
    EXPECT_EQ(Rows(), 0);
}

}  // namespace mirelk::test
