// Nothing a user has is lost to a closed window or a killed program: closing during a run asks
// first and a stopped file keeps a name that says so, an existing file at the output's name
// keeps its bytes; the list is kept on disk while the program runs, and after a kill the next
// start restores it with finished rows finished and Convert doing only what was left.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QTableView>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

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

// The window's child test program, started with fork and exec: a clone that shares this
// process's memory until its exec (as QProcess starts programs) is more than the thread checker
// can follow, and it then reports races on memory that only locks guard.
class TChildProgram {
public:
    explicit TChildProgram(const std::vector<std::string>& arguments)
    {
        const std::string program = (std::filesystem::path(MIRELK_LIBAV_DIR).parent_path() / "ui_list_child").string();
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~TChildProgram()
    {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        Wait(std::chrono::seconds(30));
    }
    TChildProgram(const TChildProgram&) = delete;
    TChildProgram& operator=(const TChildProgram&) = delete;

    bool Started() const { return m_pid > 0; }
    // Signals the child while it runs; one that has been waited for is not signalled, as its
    // process id may belong to another process by then.
    void Signal(int signal) const
    {
        if (m_pid > 0) ::kill(m_pid, signal);
    }
    // Whether it ended within the timeout; then NormalExit tells how.
    bool Wait(std::chrono::milliseconds timeout)
    {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (m_pid > 0) {
            int status = 0;
            const pid_t ended = ::waitpid(m_pid, &status, WNOHANG);
            if (ended == m_pid || (ended < 0 && errno != EINTR)) {
                m_normalExit = ended == m_pid && WIFEXITED(status);
                m_pid = 0;
                break;
            }
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }
    bool NormalExit() const { return m_normalExit; }

private:
    pid_t m_pid = -1;
    bool m_normalExit = false;
};

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

    std::vector<std::string> arguments{programFolder, out};
    arguments.insert(arguments.end(), clips.begin(), clips.end());
    TChildProgram child(arguments);
    ASSERT_TRUE(child.Started());
    // Killed once the list on disk says two files are finished and the third is being written.
    const bool midRun = PumpUntil(
        [&] { return Count(FileText(list), "\"state\":\"finished\"") == 2 && AnyPartFile(out); }, 120000);
    child.Signal(SIGKILL);
    child.Wait(std::chrono::seconds(30));
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
    TChildProgram child({programFolder, out, clip});
    ASSERT_TRUE(child.Started());
    // A stop before anything is written leaves no file to keep; the signal comes once some is.
    const bool midRun = PumpUntil([&] { return PartFileUnderWay(out); }, 60000);
    child.Signal(SIGTERM);
    EXPECT_TRUE(child.Wait(std::chrono::seconds(30)));
    ASSERT_TRUE(midRun);
    EXPECT_TRUE(child.NormalExit());
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
