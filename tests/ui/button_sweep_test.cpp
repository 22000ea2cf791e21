// Every button and menu command pressed twice in every state of the window: before adding,
// during a run, after it. Nothing may hang or crash; dialogs that open are closed again.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QTableView>

#include "ui_test_support.h"

namespace mirelk::test {

namespace {

// Pressing these hands control to the desktop (a browser, a file manager) or ends the window.
bool LeavesTheProgram(const QString& name)
{
    return name == "Button2" || name == "mnuHelpFile" || name == "mnuExit" || name == "mnuOpenOutputFolder" ||
           name == "mnuPlayOutput";
}

// Our own controls, not the toolkit's inner ones (a menu bar's overflow button opens a menu).
bool Ours(const QString& name) { return !name.isEmpty() && !name.startsWith("qt_") && !LeavesTheProgram(name); }

}  // namespace

TEST_F(MainWindowTest, EveryCommandInEveryStateTwice)
{
    const std::string source = Clip(folder.Path("sweep.avi"), 6);
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder(folder.Path() + "/");
    // Closes whatever modal dialog a command opened (the add dialog, the folder browser, the about box).
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(top); dialog != nullptr && dialog->isVisible() && dialog->isModal())
                dialog->reject();
    });
    closer.start(50);

    const auto pressAll = [&] {
        for (int round = 0; round < 2; ++round) {
            for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
                if (Ours(button->objectName())) button->click();
            for (QAction* action : window.findChildren<QAction*>())
                if (action->objectName().startsWith("mnu") && !LeavesTheProgram(action->objectName()) &&
                    action->objectName() != "mnuShowLog")
                    action->trigger();
            QCoreApplication::processEvents();
        }
    };
    pressAll();
    AddFiles({source});
    ASSERT_EQ(Rows(), 1);
    Click("ToolButton7");
    pressAll();
    EXPECT_TRUE(WaitForRunEnd()) << "a run stopped by the commands ends all the same";
    pressAll();
    TriggerMenu("mnuExit");
    EXPECT_FALSE(window.isVisible());
}

}  // namespace mirelk::test
