// The desktop program's tests: the real main window on the offscreen platform, in a program
// folder of its own (with the build's library and hook folders linked in), driven with Qt Test.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../test_support.h"
#include "ui/main_window.h"
#include "ui/option_window.h"

class QTableView;

namespace mirelk::test {

// A clip of the given length with a test picture and a tone, made with the ffmpeg tool.
std::string Clip(const std::string& path, int seconds, const std::string& size = "320x240");
// A clip quick to make and slow to convert (a picture a second under a long sound, about a
// second of work per 400 seconds on a quick machine), for tests that act in the middle of a run.
std::string SlowClip(const std::string& path, int seconds);
std::string FileText(const std::string& path);

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new window over the test's program folder (the old one, if any, is closed first).
    ui::TfrmMain& OpenWindow();
    void CloseWindow();
    ui::TfrmMain& Window() { return *m_window; }
    template <typename T>
    T* Child(const char* name)
    {
        return m_window->findChild<T*>(name);
    }
    // The Add command's steps for files already chosen, waited for.
    void AddFiles(const std::vector<std::string>& files);
    // Pumps the loop until files are added and a run's tasks are made.
    void WaitUntilIdle();
    void SetOutputFolder(const std::string& path);
    QTableView* Files();
    int Rows();
    QString Cell(int row, int column);
    QString ToolTip(int row, int column);
    void SelectRow(int row);
    QString LogText();
    // Pressed, and waited for as WaitUntilIdle does.
    void Click(const char* name);
    void TriggerMenu(const char* name);
    // The numbers of the enabled tool buttons in order: "1" Add, "2" Clear, "3" Delete, "4" Stop,
    // "5" Pause, "6" Resume, "7" Convert.
    std::string ToolBar();
    // Pumps the event loop until the predicate holds or the time is up.
    static bool PumpUntil(const std::function<bool()>& done, int milliseconds);
    bool WaitForRunEnd(int milliseconds = 60000);
    // Presses the named button of the next modal box once it opens (within a minute); the box
    // that asks is shown and answered as a user would.
    static void AnswerNextBox(const char* button);

    TempFolder folder;
    std::string programFolder;

private:
    std::unique_ptr<ui::TfrmMain> m_window;
};


// The option window's tests: the window in English, found or opened, and its widgets by name.
class OptionWindowFixture : public MainWindowTest {
protected:
    void SetUp() override;
    ui::TfrmOption& Options();
    template <typename T>
    T* Widget(const char* name)
    {
        T* widget = Options().template findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // Clicks the radio button of the group whose caption is the item.
    void Choose(const char* group, const QString& item);
    QString Chosen(const char* group);
    void SetChecked(const char* name, bool checked);
    void Tick(const char* name) { SetChecked(name, true); }
    void Type(const char* name, const QString& text);
};

}  // namespace mirelk::test
