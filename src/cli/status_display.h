// What mirelk-cli writes on standard error while it converts: whole message lines, and each
// running task's progress. On a terminal the progress is a block of bars, one per task, redrawn
// in place under the messages; elsewhere (a pipe, a file) it is whole lines, at most one a
// second per task, with no carriage returns, so that a log file reads line by line.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

namespace mirelk {

// "[3] out.mp4: 42% 12.3 s of 30.0 s, 1.20 MB" with a known total duration, else
// "[3] out.mp4: 12.3 s, 1.20 MB" (the time and size converted so far). Times in milliseconds;
// a total of 0 or less is unknown.
std::string ProgressLineText(int task, const std::string& name, int currentMs, int totalMs, std::int64_t size);

class TStatusDisplay {
public:
    // Bars when terminal is true; progress at all only when showProgress is.
    TStatusDisplay(std::FILE* stream, bool terminal, bool showProgress);
    ~TStatusDisplay();
    TStatusDisplay(const TStatusDisplay&) = delete;
    TStatusDisplay& operator=(const TStatusDisplay&) = delete;

    // One whole line (without its line feed).
    void Line(const std::string& text);
    // The latest progress of a task (numbered from 1), as the component reports it.
    void Progress(int task, const std::string& name, int currentMs, int totalMs, std::int64_t size);
    // The task has ended: its bar goes.
    void Remove(int task);
    // The run is over: the bars go and progress is no longer shown; lines still are.
    void Close();

private:
    struct TTaskProgress {
        std::string text;
        std::chrono::steady_clock::time_point lastLine;
        bool lineWritten = false;
    };

    std::string BarText(int task, const TTaskProgress& progress) const;
    // Terminal only: takes the drawn bars off the screen / draws them again. Under the lock.
    void EraseBars();
    void DrawBars();
    int Columns() const;

    std::FILE* m_stream;
    const bool m_terminal;
    bool m_showProgress;
    std::mutex m_lock;
    std::map<int, TTaskProgress> m_tasks;
    // Per task: the progress in parts of a thousand (-1 unknown), for the bar.
    std::map<int, int> m_permille;
    int m_drawnLines = 0;
};

}  // namespace mirelk
