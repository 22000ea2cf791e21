// Not a test: the desktop program's window in a process of its own, for the tests that kill or
// signal a program in the middle of a run. Adds the files, converts them with the tool bar into the
// output folder, and runs until it is killed or signalled (or the run ends, when it quits).
//
//   ui_list_child PROGRAM_FOLDER OUTPUT_FOLDER FILE...
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "component/task_threads.h"
#include "ui/application.h"
#include "ui/host/qt_main_thread.h"
#include "ui/main_window.h"
#include "ui/quit_signals.h"

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: ui_list_child PROGRAM_FOLDER OUTPUT_FOLDER FILE...\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_MEDIA_BACKEND", "gstreamer");
    mirelk::ui::TMirelkApplication application(argc, argv);
    QApplication::setApplicationName("Mirelk");
    static mirelk::ui::TQtMainThread mainThread;
    mirelk::ui::TfrmMain window(mainThread, QString::fromLocal8Bit(argv[1]));
    window.show();
    // As the program itself: a signal stops the run as Stop does.
    mirelk::ui::CatchQuitSignals([&window] { window.CloseWithoutAsking(); });
    window.findChild<QLineEdit*>("Edit1")->setText(QString::fromLocal8Bit(argv[2]));
    QStringList files;
    for (int index = 3; index < argc; ++index) files << QString::fromLocal8Bit(argv[index]);
    window.AddFiles(files);
    bool started = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window.Adding() || window.Building()) return;
        if (!started) {
            started = true;
            window.ConvertFromToolBar();
        } else if (!window.Converting()) {
            std::_Exit(0);
        }
    });
    poll.start(20);
    const int status = QApplication::exec();
    // As the program does: the task threads end before the statics they count themselves in.
    mirelk::WaitForTaskThreads(std::chrono::seconds(10));
    return status;
}
