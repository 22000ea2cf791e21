// The desktop program: the main window over the conversion component.
#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <clocale>
#include <cstdio>

#include "binding/loader.h"
#include "binding/open_file_limit.h"
#include "component/task_threads.h"
#include "ui/application.h"
#include "ui/app_icon.h"
#include "ui/host/qt_main_thread.h"
#include "ui/launch_options.h"
#include "ui/main_window.h"
#include "ui/playback_check.h"
#include "ui/quit_signals.h"

#ifndef MIRELK_VERSION
#define MIRELK_VERSION "0.1"
#endif

namespace {

void PrintLine(std::FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName("Mirelk");
    QCoreApplication::setApplicationVersion(MIRELK_VERSION);
    const mirelk::ui::TLaunchOptions launch = mirelk::ui::ReadLaunchOptions(argc, argv);
    if (launch.ExitStatus) return *launch.ExitStatus;
    if (const QString missing = mirelk::ui::MissingDisplayMessage(argc, argv); !missing.isEmpty()) {
        PrintLine(stderr, missing);
        return 1;
    }

    // Qt's own FFmpeg media back end would share this process's codec libraries and take over
    // their log callback; playback goes through GStreamer instead.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "gstreamer");
    // A list of thousands of files converts a few at a time, but nothing should fail for the
    // soft limit of open files of a desktop session.
    mirelk::RaiseOpenFileLimit();
    mirelk::ui::GuardPlatformStart();
    mirelk::ui::TMirelkApplication application(argc, argv);
    mirelk::ui::EndPlatformGuard();
    // Numbers in option texts are read and written the C way, whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setWindowIcon(mirelk::ui::AppIcon());
    if (!launch.PlaybackCheckFile.isEmpty()) return mirelk::ui::CheckPlayback(launch.PlaybackCheckFile);

    // Outlives the window and every task thread: a late thread may still post to it.
    static mirelk::ui::TQtMainThread mainThread;
    int status = 0;
    {
        // Beside the program in the build tree, ../lib/mirelk once installed.
        mirelk::ui::TfrmMain window(mainThread, QString::fromStdString(mirelk::SupportFolder()));
        window.show();
        mirelk::ui::CatchQuitSignals([&window] { window.CloseWithoutAsking(); });
        if (!window.Config().Writable()) {
            const QString notice = QCoreApplication::translate("main", "Settings will not be kept: %1 cannot be written")
                                       .arg(window.Config().Path());
            PrintLine(stderr, "mirelk: " + notice);
            window.statusBar()->showMessage(notice);
        }
        // A list the last session left behind (it crashed, or the machine did) is offered first;
        // files named on the command line follow it.
        if (!launch.QuitAfterLoad) window.OfferListRestore();
        if (!launch.Files.isEmpty()) window.AddFiles(launch.Files);
        if (launch.QuitAfterLoad) {
            PrintLine(stdout, QCoreApplication::translate("main", "%1 of %2 files in the list")
                                  .arg(window.InputFiles().size())
                                  .arg(launch.Files.size()));
            QTimer::singleShot(0, &application, &QCoreApplication::quit);
        }
        status = QApplication::exec();
    }
    mirelk::WaitForTaskThreads(std::chrono::seconds(10));
    mirelk::ui::TQtMainThread::Drain();
    return status;
}
