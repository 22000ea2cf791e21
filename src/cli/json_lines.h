// The --json output: one JSON object a line on standard output for every event of a run. The
// field names are documented in the README and kept stable; scripts read them.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace mirelk {

// Who an event is about: the task's number (its place in the command line's list, from 1) and
// its two file names; a number of 0 is no task (a library line of no task), written as null.
struct TEventSubject {
    int task = 0;
    std::string input;
    std::string output;
};

// The result of one task, as the terminate event and the summary name it.
enum class TTaskStatus { Finished, Failed, Stopped, Skipped };
const char* TaskStatusName(TTaskStatus status);

// A moment as the summary and the journal write it: ISO 8601 in UTC, to the second
// ("2026-12-08T13:08:54Z").
std::string UtcText(std::chrono::system_clock::time_point time);

nlohmann::json LogEvent(const TEventSubject& subject, const char* level, const std::string& message);
// Times in milliseconds as the component gives them (a total of 0 or less is unknown); frame,
// fps and quality are negative when there is no video output stream.
nlohmann::json ProgressEvent(const TEventSubject& subject, int frame, int fps, int currentMs, int totalMs,
                             std::int64_t size, float bitRate, float quality);
nlohmann::json TerminateEvent(const TEventSubject& subject, TTaskStatus status, const std::string& message);

// Writes whole lines, one object each, from any thread. Text that is not UTF-8 (a file name in
// another encoding) is written with U+FFFD in place of the bytes JSON cannot carry.
class TJsonLines {
public:
    explicit TJsonLines(std::FILE* stream) : m_stream(stream) {}
    void Write(const nlohmann::json& object);

private:
    std::FILE* m_stream;
    std::mutex m_lock;
};

}  // namespace mirelk
