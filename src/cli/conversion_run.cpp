#include "cli/conversion_run.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "cli/batch_plan.h"
#include "cli/failure_line.h"

namespace mirelk {

namespace {

namespace fs = std::filesystem;

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

const char* LevelName(TLogLevel level)
{
    switch (level) {
    case llQuiet: return "quiet";
    case llError: return "error";
    case llInfo: return "info";
    case llDebug: return "debug";
    case llAll: return "all";
    }
    return "all";
}


}  // namespace

TConversionRun::TConversionRun(const TCliArguments& arguments, TEventLoop& loop, TVantrel& component)
    : m_arguments(arguments), m_loop(loop), m_component(component)
{
    const bool progress = !arguments.quiet && !arguments.json;
    m_display = std::make_unique<TStatusDisplay>(stderr, ::isatty(STDERR_FILENO) == 1, progress);
    if (arguments.json) m_json = std::make_unique<TJsonLines>(stdout);
}

TConversionRun::~TConversionRun() = default;

void TConversionRun::Log(TLogLevel level, const std::string& message)
{
    // Quiet-level lines are the messages of failures, which the failure lines carry.
    if (level == llQuiet || level > m_component.LogLevel()) return;
    if (m_json) m_json->Write(LogEvent(TEventSubject{}, LevelName(level), message));
    else m_display->Line(message);
}

void TConversionRun::Notice(const TEventSubject& subject, const std::string& message)
{
    if (m_component.LogLevel() < llInfo) return;
    if (m_json) m_json->Write(LogEvent(subject, "info", message));
    else m_display->Line("[" + std::to_string(subject.task) + "] " + message);
}

void TConversionRun::Failure(const TEventSubject& subject, const std::string& message)
{
    m_display->Line(FailureLine(subject.input, subject.output, message));
}

void TConversionRun::Count(const TEventSubject& subject, TTaskStatus status, const std::string& message,
                           const std::string& kept)
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        ++m_counts[status];
    }
    if (m_json) {
        nlohmann::json event = TerminateEvent(subject, status, message);
        event["kept"] = kept.empty() ? nlohmann::json() : nlohmann::json(kept);
        m_json->Write(event);
    }
    if (m_journal && status != TTaskStatus::Skipped && subject.task > 0)
        m_journal->Record(subject, status, kept, message);
}

bool TConversionRun::OpenJournal(std::string& error)
{
    if (m_arguments.journal.empty()) return true;
    if (m_arguments.skipDone) {
        if (!ReadJournal(m_arguments.journal, m_journalBefore, error)) return false;
        for (const int line : m_journalBefore.badLines)
            m_display->Line("mirelk-cli: --journal: line " + std::to_string(line) + " of '" + m_arguments.journal +
                            "' is no record (cut short or not JSON); it is passed over");
    }
    m_journal = std::make_unique<TJournal>();
    return m_journal->Open(m_arguments.journal, error);
}

void TConversionRun::Refuse(const TEventSubject& subject, const std::string& message)
{
    Failure(subject, message);
    Count(subject, TTaskStatus::Failed, message);
}

void TConversionRun::Duplicate(const TEventSubject& subject)
{
    ++m_duplicates;
    Notice(subject, subject.input + ": named before in the list; converted once");
}

bool TConversionRun::MayRun(const TConversionJob& job)
{
    const TEventSubject subject{job.task, job.input, job.output};
    std::error_code ignored;
    if (!fs::exists(fs::symlink_status(job.output, ignored))) return true;
    if (fs::exists(job.input, ignored) && fs::equivalent(job.output, job.input, ignored)) {
        Refuse(subject, "the output would replace its own input");
        return false;
    }
    if (m_arguments.skipDone) {
        // What the journal says ended otherwise is not this batch's output, whatever it holds.
        const auto recorded = m_journalBefore.lastStatus.find(job.output);
        const bool endedOtherwise = recorded != m_journalBefore.lastStatus.end() && recorded->second != "finished";
        const double expected = job.expectedSeconds >= 0 ? job.expectedSeconds : MediaDuration(job.input);
        if (!endedOtherwise && OutputIsComplete(job.output, expected)) {
            if (!m_json) Notice(subject, job.output + ": done before; skipped");
            Count(subject, TTaskStatus::Skipped, "done before");
            return false;
        }
        // A shard that was stopped or failed left this; running it again is what --skip-done is for.
        Notice(subject, job.output + ": incomplete; converted again");
        return true;
    }
    if (!m_arguments.overwrite) {
        Refuse(subject, "the file exists (use --overwrite to replace it)");
        return false;
    }
    return true;
}

TEventSubject TConversionRun::SubjectOf(TTaskId task) const
{
    const auto found = m_tasks.find(task);
    return found != m_tasks.end() ? found->second.subject : TEventSubject{};
}

void TConversionRun::ConnectEvents()
{
    // The events come from the component's dispatcher thread, one at a time, each with the index
    // its task has then; the run knows its tasks by their ids.
    m_component.OnLog = [this](int index, TLogLevel level, const std::string& message) {
        if (index < 0) return Log(level, message);
        if (level == llQuiet || level > m_component.LogLevel()) return;
        const TTaskId task = m_component.TaskId(index);
        const std::lock_guard<std::mutex> lock(m_lock);
        const TEventSubject subject = SubjectOf(task);
        if (m_json) m_json->Write(LogEvent(subject, LevelName(level), message));
        else if (subject.task == 0) m_display->Line(message);
        else m_display->Line("[" + std::to_string(subject.task) + "] " + message);
    };
    m_component.OnProgress = [this](int index, int frame, int fps, int currentMs, float quality, float bitRate,
                                    std::int64_t size, int totalMs) {
        const TTaskId task = m_component.TaskId(index);
        const std::lock_guard<std::mutex> lock(m_lock);
        const TEventSubject subject = SubjectOf(task);
        if (subject.task == 0) return;
        if (m_json) m_json->Write(ProgressEvent(subject, frame, fps, currentMs, totalMs, size, bitRate, quality));
        else m_display->Progress(subject.task, subject.output, currentMs, totalMs, size);
    };
    m_component.OnTerminate = [this](int index, bool finished, bool exception, const std::string& message) {
        if (index < 0) {
            m_done = true;
            return;
        }
        const TTaskId task = m_component.TaskId(index);
        TEventSubject subject;
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            const auto found = m_tasks.find(task);
            if (found == m_tasks.end()) return;
            TTaskResult& result = found->second;
            result.finished = finished;
            result.failed = exception;
            result.message = message;
            subject = result.subject;
        }
        // Told while the task is in the list: what it kept is read here.
        const std::vector<std::string> keptNames = m_component.Task(index)->KeptOutputNames;
        const std::string kept = keptNames.empty() ? std::string() : keptNames.front();
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            m_tasks[task].kept = kept;
        }
        m_display->Remove(subject.task);
        if (finished) {
            Count(subject, TTaskStatus::Finished, message, kept);
        } else if (exception) {
            Failure(subject, "failed: " + message);
            Count(subject, TTaskStatus::Failed, message);
        } else if (!kept.empty()) {
            Failure(subject, "stopped; kept as " + kept);
            Count(subject, TTaskStatus::Stopped, message, kept);
        } else {
            Failure(subject, "stopped");
            Count(subject, TTaskStatus::Stopped, message);
        }
    };
}

int TConversionRun::Run(std::vector<TConversionJob> jobs)
{
    ConnectEvents();
    for (TConversionJob& job : jobs) {
        if (!MayRun(job)) continue;
        const TEventSubject subject{job.task, job.input, job.output};
        const int index = m_component.AddTask(job.input, &job.inputOptions);
        if (index < 0) {
            Refuse(subject, m_component.LastErrMsg());
            continue;
        }
        const TTaskId task = m_component.TaskId(index);
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            m_tasks[task].subject = subject;
        }
        if (!m_component.AddOutput(index, job.output, &job.outputOptions)) {
            Refuse(subject, m_component.LastErrMsg());
            m_component.RemoveTask(index);
            const std::lock_guard<std::mutex> lock(m_lock);
            m_tasks.erase(task);
            continue;
        }
    }

    if (!m_tasks.empty()) {
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        m_component.StartConvert(m_arguments.threads);
        bool stopping = false;
        while (!m_done) {
            if (g_interrupted && !stopping) {
                stopping = true;
                m_display->Line("mirelk-cli: stopping");
                m_component.StopConvert();
            }
            m_loop.PumpUntil([&] { return m_done || (g_interrupted && !stopping); }, std::chrono::milliseconds(500));
        }
    }
    m_display->Close();

    const std::lock_guard<std::mutex> lock(m_lock);
    for (const auto& [task, result] : m_tasks) {
        // A failed task left nothing: the engine wrote a part file and removed it, and a file that
        // had the output's name before is still there.
        if (result.finished && !m_arguments.quiet && !m_json)
            std::printf("%s -> %s: done\n", result.subject.input.c_str(), result.subject.output.c_str());
    }
    std::fflush(stdout);
    const bool failed = m_counts[TTaskStatus::Failed] > 0 || m_counts[TTaskStatus::Stopped] > 0;
    if (m_json) WriteSummary();
    return failed ? 1 : 0;
}

void TConversionRun::WriteSummary()
{
    nlohmann::json summary;
    summary["event"] = "summary";
    const int tasks = m_counts[TTaskStatus::Finished] + m_counts[TTaskStatus::Failed] +
                      m_counts[TTaskStatus::Stopped] + m_counts[TTaskStatus::Skipped];
    summary["tasks"] = tasks;
    for (const TTaskStatus status :
         {TTaskStatus::Finished, TTaskStatus::Failed, TTaskStatus::Stopped, TTaskStatus::Skipped})
        summary[TaskStatusName(status)] = m_counts[status];
    summary["duplicates"] = m_duplicates;
    summary["shard"] = std::to_string(m_arguments.shard.index) + "/" + std::to_string(m_arguments.shard.count);
    const auto ended = std::chrono::system_clock::now();
    summary["started"] = UtcText(m_started);
    summary["ended"] = UtcText(ended);
    summary["elapsed"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_startedSteady).count();
    summary["exit_status"] = m_counts[TTaskStatus::Failed] > 0 || m_counts[TTaskStatus::Stopped] > 0 ? 1 : 0;
    m_json->Write(summary);
}

}  // namespace mirelk
