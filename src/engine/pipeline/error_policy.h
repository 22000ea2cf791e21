// How a stage answers a fault it can go on after: it fails the run when the task asked to
// exit on errors, else it logs the same text and goes on.
#pragma once

#include <functional>
#include <string>

#include "binding/log_levels.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

using TLogFunction = std::function<void(int level, const std::string& text)>;

class TErrorPolicy {
public:
    TErrorPolicy() = default;
    TErrorPolicy(bool exitOnError, TLogFunction log) : m_exitOnError(exitOnError), m_log(std::move(log)) {}

    // Throws FFmpegException(text) or logs the text at level (not at all when logged is false).
    void Fault(const std::string& text, int level = kLevelError, bool logged = true) const
    {
        if (m_exitOnError) throw FFmpegException(text);
        if (logged && m_log) m_log(level, text);
    }
    void Log(int level, const std::string& text) const
    {
        if (m_log) m_log(level, text);
    }
    const TLogFunction& Logger() const { return m_log; }

private:
    bool m_exitOnError = false;
    TLogFunction m_log;
};

}  // namespace mirelk
