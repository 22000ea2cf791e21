#include "cli/json_lines.h"

#include <ctime>

namespace mirelk {

namespace {

nlohmann::json Base(const char* event, const TEventSubject& subject)
{
    nlohmann::json object;
    object["event"] = event;
    if (subject.task > 0) {
        object["task"] = subject.task;
        object["input"] = subject.input;
        object["output"] = subject.output;
    } else {
        object["task"] = nullptr;
        object["input"] = nullptr;
        object["output"] = nullptr;
    }
    return object;
}

nlohmann::json NumberOrNull(double value, bool known) { return known ? nlohmann::json(value) : nlohmann::json(); }

}  // namespace

const char* TaskStatusName(TTaskStatus status)
{
    switch (status) {
    case TTaskStatus::Finished: return "finished";
    case TTaskStatus::Failed: return "failed";
    case TTaskStatus::Stopped: return "stopped";
    case TTaskStatus::Skipped: return "skipped";
    }
    return "failed";
}

std::string UtcText(std::chrono::system_clock::time_point time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

nlohmann::json LogEvent(const TEventSubject& subject, const char* level, const std::string& message)
{
    nlohmann::json object = Base("log", subject);
    object["level"] = level;
    object["message"] = message;
    return object;
}

nlohmann::json ProgressEvent(const TEventSubject& subject, int frame, int fps, int currentMs, int totalMs,
                             std::int64_t size, float bitRate, float quality)
{
    nlohmann::json object = Base("progress", subject);
    object["time"] = currentMs / 1000.0;
    object["duration"] = NumberOrNull(totalMs / 1000.0, totalMs > 0);
    object["percent"] = totalMs > 0 ? nlohmann::json(std::min(100.0, 100.0 * currentMs / totalMs)) : nlohmann::json();
    object["size"] = size;
    object["bitrate"] = NumberOrNull(bitRate, bitRate >= 0);
    object["frame"] = frame >= 0 ? nlohmann::json(frame) : nlohmann::json();
    object["fps"] = fps >= 0 ? nlohmann::json(fps) : nlohmann::json();
    object["quality"] = NumberOrNull(quality, quality >= 0);
    return object;
}

nlohmann::json TerminateEvent(const TEventSubject& subject, TTaskStatus status, const std::string& message)
{
    nlohmann::json object = Base("terminate", subject);
    object["status"] = TaskStatusName(status);
    object["message"] = message;
    return object;
}

void TJsonLines::Write(const nlohmann::json& object)
{
    const std::string line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    const std::lock_guard<std::mutex> lock(m_lock);
    std::fprintf(m_stream, "%s\n", line.c_str());
    std::fflush(m_stream);
}

}  // namespace mirelk
