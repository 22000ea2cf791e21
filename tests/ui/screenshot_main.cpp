// Pictures of the desktop program for the README and for review: the main window after two
// generated clips were converted on page "3GP" (in English and in Chinese) and its page of
// today's formats, the end of a run with a failed row and its summary box, the about box, the
// option window with a file's preview and a marked clip (its format page with the presets, its
// hook page and its quality page with a note), and a preview window during a run.
// Run under a virtual display; a second argument is appended to every picture's name (for
// the pictures at another scale factor).
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>
#include <QSlider>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "component/task_threads.h"
#include "ui/about_box.h"
#include "ui/application.h"
#include "ui/host/qt_main_thread.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "form/presets.h"
#include "ui/option_window.h"

namespace {

void Pump(int milliseconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

QString g_suffix;

bool Save(QWidget& window, QString path)
{
    Pump(300);
    path.replace(".png", g_suffix + ".png");
    const QRect frame = window.frameGeometry();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const bool saved = shot.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_MEDIA_BACKEND", "gstreamer");
    mirelk::ui::TMirelkApplication application(argc, argv);
    QApplication::setApplicationName("Mirelk");
    QApplication::setApplicationVersion(MIRELK_VERSION);
    const QString out = argc > 1 ? QString(argv[1]) : QString("screenshots");
    g_suffix = argc > 2 ? QString(argv[2]) : QString();
    QDir().mkpath(out + "/clips");
    const QString clips = QDir(out + "/clips").absolutePath();
    for (const auto& [name, seconds] : {std::pair{"演示 片段.mp4", "4"}, {"holiday clip.mkv", "4"}, {"long take.avi", "30"}}) {
        QFile::remove(clips + "/" + name);
        const std::string command = std::string("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=duration=") + seconds +
                                    ":size=640x360:rate=25 -f lavfi -i sine=frequency=440:duration=" + seconds +
                                    " -c:v mpeg4 -q:v 4 -c:a aac '" + (clips + "/" + name).toStdString() + "'";
        if (std::system(command.c_str()) != 0) return 1;
    }
    for (const QString& old : QDir(clips).entryList({"*_(new)*"})) QFile::remove(clips + "/" + old);
    // Presets of the pictures' own, beside them rather than among the user's.
    const QString data = QDir(out).absoluteFilePath("preset-data");
    QDir(data).removeRecursively();
    qputenv("XDG_DATA_HOME", data.toUtf8());
    {
        mirelk::TOptionFormSettings holiday;
        holiday.OutputFormat = 25;
        mirelk::TPresetStore().Save("Holiday films", holiday);
    }

    static mirelk::ui::TQtMainThread mainThread;
    int status = 0;
    {
        mirelk::ui::TfrmMain window(mainThread, QCoreApplication::applicationDirPath());
        const QString language = mirelk::ui::CurrentLanguage();
        window.show();
        window.SetLanguage("en");
        window.findChild<QLineEdit*>("Edit1")->setText(clips + "/");
        window.AddFiles({clips + "/演示 片段.mp4", clips + "/holiday clip.mkv"});
        while (window.Adding()) Pump(50);
        window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
        window.ConvertFromToolBar();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (window.Converting() && std::chrono::steady_clock::now() < until) Pump(100);
        if (!Save(window, out + "/main-window-en.png")) status = 1;
        window.SetLanguage("zh_CN");
        if (!Save(window, out + "/main-window-zh_CN.png")) status = 1;
        auto* formatPages = window.findChild<QTabWidget*>("PageControl1");
        formatPages->setCurrentWidget(window.findChild<QWidget*>("tabModern"));
        auto* modern = window.findChild<QComboBox*>("Modern_Format");
        modern->setCurrentIndex(modern->findText("MKV-AV1"));
        if (!Save(window, out + "/main-window-modern-zh_CN.png")) status = 1;
        window.SetLanguage("en");
        if (!Save(window, out + "/main-window-modern-en.png")) status = 1;
        formatPages->setCurrentIndex(0);

        // The same file once more with a scale the filter cannot read: its row fails, the others
        // stay finished, and one box sums the run up.
        for (const QString& lang : {QString("en"), QString("zh_CN")}) {
            window.SetLanguage(lang);
            mirelk::TOptionForm& failing = window.OptionForm();
            failing.Settings.Scale = true;
            failing.Settings.ScaleText = "not:a size";
            window.AddFiles({clips + "/holiday clip.mkv"});
            while (window.Adding()) Pump(50);
            window.ConvertFromToolBar();
            const auto failed = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (window.Converting() && std::chrono::steady_clock::now() < failed) Pump(100);
            failing.Settings.Scale = false;
            Pump(300);
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
            const QString path = out + "/run-end-failed-" + lang + g_suffix + ".png";
            std::printf("%s %s\n", shot.save(path) ? "wrote" : "could not write", qPrintable(path));
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "RunSummaryBox") top->close();
            window.RemoveRow(2);
        }
        window.SetLanguage("en");
        mirelk::ui::TAboutBox about(&window);
        about.show();
        if (!Save(about, out + "/about.png")) status = 1;
        about.close();

        mirelk::ui::TfrmOption& options = window.ShowOptionWindow();
        const mirelk::TOptionForm& form = window.OptionForm();
        auto* slider = options.findChild<QSlider*>("trcPreview");
        slider->setValue(form.PreviewPositionOfTime(1000000));
        options.findChild<QPushButton*>("btnStartTime")->click();
        slider->setValue(form.PreviewPositionOfTime(3000000));
        options.findChild<QPushButton*>("btnEndTime")->click();
        slider->setValue(form.PreviewPositionOfTime(2000000));
        auto* pages = options.findChild<QTabWidget*>("pgcOptions");
        if (!Save(options, out + "/option-window.png")) status = 1;
        pages->setCurrentIndex(3);
        if (!Save(options, out + "/option-window-hooks.png")) status = 1;
        window.SetLanguage("zh_CN");
        pages->setCurrentIndex(0);
        if (!Save(options, out + "/option-window-zh_CN.png")) status = 1;
        // Today's format with a quality outside its encoder's scale: the note tells.
        for (QRadioButton* format : options.findChild<QWidget*>("grpModernFormats")->findChildren<QRadioButton*>())
            if (format->text() == "MKV-AV1") format->click();
        if (!options.findChild<QCheckBox*>("chkVideoQuality")->isChecked())
            options.findChild<QCheckBox*>("chkVideoQuality")->click();
        options.findChild<QLineEdit*>("edtVideoQuality")->setText("99");
        pages->setCurrentWidget(options.findChild<QWidget*>("tabQuality"));
        if (!Save(options, out + "/option-window-quality-zh_CN.png")) status = 1;
        window.SetLanguage("en");
        if (!Save(options, out + "/option-window-quality-en.png")) status = 1;
        pages->setCurrentIndex(0);
        if (!Save(options, out + "/option-window-formats-en.png")) status = 1;
        options.findChild<QPushButton*>("btnDefaults")->click();
        options.close();

        // A longer file, converted from the menu with its pictures shown.
        window.AddFiles({clips + "/long take.avi"});
        while (window.Adding()) Pump(50);
        window.findChild<QAction*>("mnuPreview")->setChecked(true);
        window.ConvertFromMenu();
        QWidget* preview = nullptr;
        const auto shown = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (preview == nullptr && window.Converting() && std::chrono::steady_clock::now() < shown) {
            Pump(100);
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "frmPreview" && top->isVisible() && !top->windowTitle().isEmpty())
                    preview = top;
        }
        if (preview == nullptr || !Save(*preview, out + "/preview-window.png")) status = 1;
        window.SetLanguage(language);
        // Closing during a run would ask first.
        window.Qelvan().StopConvert();
        while (window.Converting()) Pump(50);
        window.close();
    }
    mirelk::WaitForTaskThreads(std::chrono::seconds(10));
    mirelk::ui::TQtMainThread::Drain();
    return status;
}
