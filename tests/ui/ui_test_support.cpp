#include "ui_test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QApplication>
#include <QTimer>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QThread>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <memory>

#include "component/task_threads.h"
#include "ui/application.h"
#include "ui/host/qt_main_thread.h"

namespace mirelk::test {

namespace {

ui::TQtMainThread& MainThread()
{
    static ui::TQtMainThread mainThread;
    return mainThread;
}

}  // namespace

std::string Clip(const std::string& path, int seconds, const std::string& size)
{
    return MakeMedia(path, "-f lavfi -i testsrc=size=" + size + ":rate=25:duration=" + std::to_string(seconds) +
                               " -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
                               " -c:v mpeg4 -q:v 4 -c:a mp2 -shortest");
}

std::string SlowClip(const std::string& path, int seconds)
{
    const std::string duration = std::to_string(seconds);
    return MakeMedia(path, "-f lavfi -i testsrc=size=160x120:rate=1:duration=" + duration +
                               " -f lavfi -i sine=frequency=440:sample_rate=8000:duration=" + duration +
                               " -c:v mpeg4 -q:v 4 -c:a pcm_s16le -shortest");
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void MainWindowTest::SetUp()
{
    programFolder = folder.Path("程序 folder");
    std::filesystem::create_directories(programFolder);
    const std::filesystem::path bin = std::filesystem::path(MIRELK_LIBAV_DIR).parent_path();
    std::filesystem::create_directory_symlink(bin / "LibAV", std::filesystem::path(programFolder) / "LibAV");
    std::filesystem::create_directory_symlink(bin / "vhook", std::filesystem::path(programFolder) / "vhook");
    // A build tree's layout, so that the window keeps "Config.ini" in its program folder.
    std::ofstream(folder.Path("CMakeCache.txt")) << "# CMake's cache\n";
    // The design's own texts, whatever the test machine's locale.
    std::ofstream(std::filesystem::path(programFolder) / "Config.ini") << "[FormConfig]\nlanguage=zh_CN\n";
}

void MainWindowTest::TearDown()
{
    CloseWindow();
    WaitForTaskThreads(std::chrono::seconds(10));
    ui::TQtMainThread::Drain();
}

ui::TfrmMain& MainWindowTest::OpenWindow()
{
    CloseWindow();
    m_window = std::make_unique<ui::TfrmMain>(MainThread(), QString::fromStdString(programFolder));
    m_window->show();
    QCoreApplication::processEvents();
    return *m_window;
}

void MainWindowTest::CloseWindow()
{
    if (!m_window) return;
    // Closing during a run asks whether to stop it.
    if (m_window->Converting()) AnswerNextBox("btnStopRun");
    m_window->close();
    m_window.reset();
    // Queued calls of the closed window are dropped with it; let the loop run them out.
    QCoreApplication::processEvents();
}

void MainWindowTest::AddFiles(const std::vector<std::string>& files)
{
    QStringList list;
    for (const std::string& file : files) list << QString::fromStdString(file);
    m_window->AddFiles(list);
    WaitUntilIdle();
}

void MainWindowTest::WaitUntilIdle()
{
    EXPECT_TRUE(PumpUntil([this] { return !m_window->Adding() && !m_window->Building(); }, 600000));
}

void MainWindowTest::SetOutputFolder(const std::string& path)
{
    Child<QLineEdit>("Edit1")->setText(QString::fromStdString(path));
}

QTableView* MainWindowTest::Files() { return Child<QTableView>("lvFiles"); }

int MainWindowTest::Rows() { return Files()->model()->rowCount(); }

QString MainWindowTest::Cell(int row, int column)
{
    return Files()->model()->data(Files()->model()->index(row, column), Qt::DisplayRole).toString();
}

QString MainWindowTest::ToolTip(int row, int column)
{
    return Files()->model()->data(Files()->model()->index(row, column), Qt::ToolTipRole).toString();
}

void MainWindowTest::SelectRow(int row) { Files()->setCurrentIndex(Files()->model()->index(row, 0)); }

QString MainWindowTest::LogText() { return Child<QPlainTextEdit>("mmoLog")->toPlainText(); }

void MainWindowTest::Click(const char* name)
{
    auto* button = Child<QAbstractButton>(name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
    QCoreApplication::processEvents();
    WaitUntilIdle();
}

void MainWindowTest::TriggerMenu(const char* name)
{
    auto* action = Child<QAction>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
    QCoreApplication::processEvents();
    WaitUntilIdle();
}

std::string MainWindowTest::ToolBar()
{
    std::string enabled;
    for (char number = '1'; number <= '7'; ++number)
        if (Child<QAbstractButton>(("ToolButton" + std::string(1, number)).c_str())->isEnabled()) enabled += number;
    return enabled;
}

bool MainWindowTest::PumpUntil(const std::function<bool()>& done, int milliseconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void MainWindowTest::AnswerNextBox(const char* button)
{
    auto* poll = new QTimer(qApp);
    const QString name = QString::fromLatin1(button);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, name, tries] {
        if (QWidget* box = QApplication::activeModalWidget())
            if (auto* answer = box->findChild<QAbstractButton*>(name)) {
                poll->deleteLater();
                poll->stop();
                answer->click();
                return;
            }
        if (++*tries > 3000) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(20);
}

bool MainWindowTest::WaitForRunEnd(int milliseconds)
{
    return PumpUntil([this] { return !m_window->Converting(); }, milliseconds);
}


void OptionWindowFixture::SetUp()
{
    MainWindowTest::SetUp();
    std::ofstream(std::filesystem::path(programFolder) / "Config.ini") << "[FormConfig]\nlanguage=en\n";
}

ui::TfrmOption& OptionWindowFixture::Options()
{
    ui::TfrmOption* shown = Window().OptionWindow();
    return shown != nullptr ? *shown : Window().ShowOptionWindow();
}

void OptionWindowFixture::Choose(const char* group, const QString& item)
{
    for (QRadioButton* button : Widget<QGroupBox>(group)->findChildren<QRadioButton*>())
        if (button->text() == item) {
            button->click();
            QCoreApplication::processEvents();
            return;
        }
    ADD_FAILURE() << "no item " << item.toStdString() << " in " << group;
}

QString OptionWindowFixture::Chosen(const char* group)
{
    for (QRadioButton* button : Widget<QGroupBox>(group)->findChildren<QRadioButton*>())
        if (button->isChecked()) return button->text();
    return {};
}

void OptionWindowFixture::SetChecked(const char* name, bool checked)
{
    auto* box = Widget<QCheckBox>(name);
    if (box->isChecked() != checked) box->click();
    QCoreApplication::processEvents();
}

void OptionWindowFixture::Type(const char* name, const QString& text)
{
    Widget<QLineEdit>(name)->setText(text);
    QCoreApplication::processEvents();
}

}  // namespace mirelk::test

int main(int argc, char** argv)
{
    qputenv("QT_MEDIA_BACKEND", "gstreamer");
    // No display is needed: the windows are drawn off screen (also when tests are listed).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    mirelk::ui::TMirelkApplication application(argc, argv);
    QApplication::setApplicationName("Mirelk");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
