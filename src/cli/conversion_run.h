// One run of mirelk-cli's conversions on the component: the jobs are checked against what is on
// the disk (an output is never replaced unless asked; with --skip-done a complete one is
// skipped), added as tasks and run; every event goes to the status display or, with --json, to
// standard output; the summary and the exit status come at the end.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/form_jobs.h"
#include "cli/journal.h"
#include "cli/json_lines.h"
#include "cli/status_display.h"
#include "component/event_loop.h"
#include "component/vantrel.h"

namespace mirelk {

// The run's handlers stay connected to the component: a run object must outlive the component
// it was made with (a retiring task may still log while the component goes).
class TConversionRun {
public:
    TConversionRun(const TCliArguments& arguments, TEventLoop& loop, TVantrel& component);
    ~TConversionRun();

    // A log line of no task (the libraries' lines while files are opened).
    void Log(TLogLevel level, const std::string& message);
    // An entry that is no task: its input cannot be read (counted as failed) ...
    void Refuse(const TEventSubject& subject, const std::string& message);
    // ... or it is named twice in the list (not counted: the first one is converted).
    void Duplicate(const TEventSubject& subject);
    // With --journal: reads what an earlier run recorded (for --skip-done) and opens the file
    // for this run's records. False with the reason.
    bool OpenJournal(std::string& error);
    // Runs the jobs to their end (or until interrupted); returns the exit status, 0 or 1.
    int Run(std::vector<TConversionJob> jobs);

private:
    struct TTaskResult {
        TEventSubject subject;
        bool finished = false;
        bool failed = false;
        std::string message;
        // The name the output was kept under: its own, or the stopped one.
        std::string kept;
    };

    // False (with the task counted as failed or skipped) when the job is not to be run: its
    // output exists and is not to be replaced (without --overwrite; with --skip-done only when
    // it is complete), or is its input.
    bool MayRun(const TConversionJob& job);
    void Count(const TEventSubject& subject, TTaskStatus status, const std::string& message,
               const std::string& kept = std::string());
    void ConnectEvents();
    // The task of a component task id; no task (number 0) for one not added. Under m_lock.
    TEventSubject SubjectOf(TTaskId task) const;
    void WriteSummary();  // under m_lock
    void Failure(const TEventSubject& subject, const std::string& message);
    // An info line about a task that is not a failure.
    void Notice(const TEventSubject& subject, const std::string& message);

    const TCliArguments& m_arguments;
    TEventLoop& m_loop;
    TVantrel& m_component;
    std::unique_ptr<TStatusDisplay> m_display;
    std::unique_ptr<TJsonLines> m_json;
    const std::chrono::system_clock::time_point m_started = std::chrono::system_clock::now();
    const std::chrono::steady_clock::time_point m_startedSteady = std::chrono::steady_clock::now();
    std::mutex m_lock;
    // By the component's task id (ids grow in the order tasks are added).
    std::map<TTaskId, TTaskResult> m_tasks;
    std::map<TTaskStatus, int> m_counts;
    int m_duplicates = 0;
    // Set by the end-of-run report.
    std::atomic<bool> m_done{false};
    std::vector<std::string> m_doneLines;
    std::unique_ptr<TJournal> m_journal;
    TJournalContents m_journalBefore;
};

}  // namespace mirelk
