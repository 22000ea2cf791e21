// The file list kept on disk while the desktop program runs, so that a list survives a crash of
// the program or of the machine. The file is written whole each time (a new file renamed over
// the last once it is on disk), so that it is always either the old list or the new one, and is
// removed when the program closes normally.
//
//   {"format": "mirelk-list", "version": 1, "outputFolder": "/o/",
//    "rows": [{"input": "/a/b.avi", "folder": "sub/", "output": "/o/b_(new).3gp",
//              "state": "finished", "clipStart": "0", "clipEnd": "0", "cutClip": false}, ...]}
#pragma once

#include <QString>
#include <vector>

namespace mirelk::ui {

struct TKeptRow {
    enum TState { ksReady, ksFinished, ksFailed, ksStopped };
    QString InputFile;
    // The input's folder below the folder it was added with ("a/b/"), empty for a file.
    QString SubFolder;
    QString OutputFile;
    TState State = ksReady;
    // Seconds as the window keeps them, "0" when unset.
    QString ClipStart = "0";
    QString ClipEnd = "0";
    bool CutClip = false;
};

struct TKeptList {
    // The main window's output folder, empty for outputs beside their inputs.
    QString OutputFolder;
    std::vector<TKeptRow> Rows;
};

// Beside "Config.ini" when that is beside the program (a build tree), else in the user's data
// folder ("~/.local/share/mirelk/list.json" by default).
QString ListJournalPath(const QString& configFile, const QString& programFolder);

// Writes the rows, or removes the file when there are none. False, with the reason in error,
// when the file could not be written; the last one written then stays.
bool WriteListJournal(const QString& path, const TKeptList& list, QString* error);

// The rows of the file; none when there is no file. A file that cannot be read, is not a list
// or is larger than any list gives none, with the reason in problem.
TKeptList ReadListJournal(const QString& path, QString* problem);

}  // namespace mirelk::ui
