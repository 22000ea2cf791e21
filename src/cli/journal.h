// The --journal file: one JSON object a line for every task that finished, failed or was
// stopped, appended and flushed to the disk as the task ends, so that a batch killed on the way
// can tell what it had done. --skip-done reads it before anything is converted.
#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "cli/json_lines.h"

namespace mirelk {

struct TJournalContents {
    // The status of the last line of each output name.
    std::map<std::string, std::string> lastStatus;
    // Lines (from 1) that are no record: cut short by a crash, or not JSON at all.
    std::vector<int> badLines;
};

// Reads a journal; a missing file reads as empty. False with the reason when it cannot be read.
bool ReadJournal(const std::string& fileName, TJournalContents& contents, std::string& error);

class TJournal {
public:
    TJournal() = default;
    TJournal(const TJournal&) = delete;
    TJournal& operator=(const TJournal&) = delete;
    ~TJournal();

    // Opens the file for appending (made when missing); a last line cut short is ended first,
    // so that the next record starts a line of its own. False with the reason.
    bool Open(const std::string& fileName, std::string& error);
    // One record, on the disk when this returns. Any thread.
    void Record(const TEventSubject& subject, TTaskStatus status, const std::string& kept,
                const std::string& message);

private:
    std::FILE* m_file = nullptr;
    std::mutex m_lock;
};

}  // namespace mirelk
