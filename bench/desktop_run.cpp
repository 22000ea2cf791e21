// The desktop program's window driven for a benchmark: the files given are added (as the
// command line or a drop adds them), converted with the tool bar on page "3GP" into the output
// folder, and the program ends when the run has. Prints the seconds of adding and converting.
//
//   desktop_run OUTPUT_FOLDER FILE...
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QThread>
#include <chrono>
#include <cstdio>

#include "component/task_threads.h"
#include "ui/application.h"
#include "ui/host/qt_main_thread.h"
#include "ui/main_window.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: desktop_run OUTPUT_FOLDER FILE...\n");
        return 2;
    }
    qputenv("QT_MEDIA_BACKEND", "gstreamer");
    mirelk::ui::TMirelkApplication application(argc, argv);
    QApplication::setApplicationName("Mirelk");
    QStringList files;
    for (int i = 2; i < argc; ++i) files << QString::fromLocal8Bit(argv[i]);
    static mirelk::ui::TQtMainThread mainThread;
    int status = 0;
    {
        mirelk::ui::TfrmMain window(mainThread, QCoreApplication::applicationDirPath());
        window.show();
        QString out = QString::fromLocal8Bit(argv[1]);
        if (!out.endsWith('/')) out += '/';
        window.findChild<QLineEdit*>("Edit1")->setText(out);
        QElapsedTimer clock;
        clock.start();
        window.AddFiles(files);
        while (window.Adding()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const double adding = static_cast<double>(clock.restart()) / 1000.0;
        window.ConvertFromToolBar();
        while (window.Converting()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        const double converting = static_cast<double>(clock.elapsed()) / 1000.0;
        std::printf("adding %.3f s, converting %.3f s: %s\n", adding, converting,
                    qPrintable(window.StatusText()));
        window.close();
    }
    mirelk::WaitForTaskThreads(std::chrono::seconds(10));
    mirelk::ui::TQtMainThread::Drain();
    return status;
}
