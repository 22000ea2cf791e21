// What the desktop program is asked at start: the files for its list, or a question it answers
// without opening a window (--help, --version), and the checks a package test runs.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mirelk::ui {

struct TLaunchOptions {
    QStringList Files;
    // Quit once the files are in the list, saying how many are (for scripts and tests).
    bool QuitAfterLoad = false;
    // Play this file on the playback panel's media back end, say how far it got, and quit.
    QString PlaybackCheckFile;
    // Set when the program has answered already (help, version, a bad option): its exit status.
    std::optional<int> ExitStatus;
};

// Reads the command line without a display (help and version must work over ssh and in
// scripts). Qt's own "-platform" and "-style" are accepted and left for the application object.
TLaunchOptions ReadLaunchOptions(int argc, char** argv);

// The one line said when the window cannot open on this machine, or empty when it can be tried:
// no display server for the platform Qt would use.
QString MissingDisplayMessage(int argc, char** argv);

// Until the application object is made: a platform plug-in that cannot start ends the program
// with one line and status 1 instead of Qt's abort, and its warnings are held back.
void GuardPlatformStart();
// Back to Qt's own handling of messages once the application object exists.
void EndPlatformGuard();

}  // namespace mirelk::ui
