// The desktop program: the main window over the conversion component.
#include <QDir>
#include <QStringList>
#include <chrono>
#include <clocale>

#include "binding/loader.h"
#include "binding/open_file_limit.h"
#include "component/task_threads.h"
#include "ui/application.h"
#include "ui/app_icon.h"
#include "ui/host/qt_main_thread.h"
#include "ui/main_window.h"

#ifndef MIRELK_VERSION
#define MIRELK_VERSION "0.1"
#endif

int main(int argc, char** argv)
{
    // Qt's own FFmpeg media back end would share this process's codec libraries and take over
    // their log callback; playback goes through GStreamer instead.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "gstreamer");
    // A list of thousands of files converts a few at a time, but nothing should fail for the
    // soft limit of open files of a desktop session.
    mirelk::RaiseOpenFileLimit();
    mirelk::ui::TMirelkApplication application(argc, argv);
    // Numbers in option texts are read and written the C way, whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Mirelk");
    QApplication::setApplicationVersion(MIRELK_VERSION);
    QApplication::setWindowIcon(mirelk::ui::AppIcon());

    // Outlives the window and every task thread: a late thread may still post to it.
    static mirelk::ui::TQtMainThread mainThread;
    int status = 0;
    {
        // Beside the program in the build tree, ../lib/mirelk once installed.
        mirelk::ui::TfrmMain window(mainThread, QString::fromStdString(mirelk::SupportFolder()));
        window.show();
        QStringList files = QCoreApplication::arguments();
        files.removeFirst();
        if (!files.isEmpty()) window.AddFiles(files);
        status = QApplication::exec();
    }
    mirelk::WaitForTaskThreads(std::chrono::seconds(10));
    mirelk::ui::TQtMainThread::Drain();
    return status;
}
