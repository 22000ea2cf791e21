#include "ui/launch_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TLaunchOptions";

void PrintLine(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s\n", bytes.constData());
    std::fflush(stream);
}

// The platform named by "-platform NAME" (or "--platform"), else by QT_QPA_PLATFORM.
QString RequestedPlatform(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return argv[i + 1];
    return qEnvironmentVariable("QT_QPA_PLATFORM");
}

QtMessageHandler g_qtHandler = nullptr;
QString g_platformWarning;

void PlatformStartMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg) {
        const QString reason = g_platformWarning.isEmpty() ? message.section('\n', 0, 0) : g_platformWarning;
        QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
        if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
        PrintLine(stderr, "mirelk: " + QCoreApplication::translate(kContext, "cannot open the window on display %1: %2")
                                           .arg(display, reason));
        std::_Exit(1);
    }
    if (context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0) {
        g_platformWarning = message.section('\n', 0, 0);
        return;
    }
    if (g_qtHandler != nullptr)
        g_qtHandler(type, context, message);
    else
        PrintLine(stderr, qFormatLogMessage(type, context, message));
}

}  // namespace

TLaunchOptions ReadLaunchOptions(int argc, char** argv)
{
    TLaunchOptions launch;
    // The parser reads the arguments through an application object; this one needs no display.
    int parserArgc = argc;
    const QCoreApplication parsing(parserArgc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate(kContext, "Converts audio and video files to other formats, several at once."));
    // Qt's "-platform offscreen" is one word after one dash, not six letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption platform("platform", QCoreApplication::translate(kContext, "Qt's platform plug-in."),
                                      "name");
    const QCommandLineOption style("style", QCoreApplication::translate(kContext, "Qt's widget style."), "name");
    QCommandLineOption quitAfterLoad("quit-after-load",
                                     QCoreApplication::translate(kContext, "Quit once the files are in the list."));
    quitAfterLoad.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption checkPlayback("check-playback",
                                     QCoreApplication::translate(kContext, "Play a file without a window and quit."),
                                     "file");
    checkPlayback.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({platform, style, quitAfterLoad, checkPlayback});
    parser.addPositionalArgument("files", QCoreApplication::translate(kContext, "Files to add to the list."),
                                 "[FILE...]");

    if (!parser.parse(QCoreApplication::arguments())) {
        PrintLine(stderr, "mirelk: " + parser.errorText());
        PrintLine(stderr, QCoreApplication::translate(kContext, "Try 'mirelk --help' for the options."));
        launch.ExitStatus = 2;
        return launch;
    }
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        launch.ExitStatus = 0;
        return launch;
    }
    if (parser.isSet(version)) {
        PrintLine(stdout, QCoreApplication::applicationName().toLower() + " " + QCoreApplication::applicationVersion());
        launch.ExitStatus = 0;
        return launch;
    }
    launch.Files = parser.positionalArguments();
    launch.QuitAfterLoad = parser.isSet(quitAfterLoad);
    launch.PlaybackCheckFile = parser.value(checkPlayback);
    return launch;
}

QString MissingDisplayMessage(int argc, char** argv)
{
    const QString platform = RequestedPlatform(argc, argv);
    // Other plug-ins (offscreen, eglfs, vnc...) need no display server.
    const bool needsServer = platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    if (!needsServer || !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    return "mirelk: " + QCoreApplication::translate(kContext,
                                                    "no display to open the window on (DISPLAY and WAYLAND_DISPLAY "
                                                    "are not set); mirelk-cli converts without one");
}

void GuardPlatformStart()
{
    g_platformWarning.clear();
    g_qtHandler = qInstallMessageHandler(PlatformStartMessages);
}

void EndPlatformGuard() { qInstallMessageHandler(g_qtHandler); }

}  // namespace mirelk::ui
