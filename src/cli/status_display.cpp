#include "cli/status_display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "binding/text_format.h"
#include "binding/utilities.h"

namespace mirelk {

namespace {

constexpr auto kLineInterval = std::chrono::seconds(1);
constexpr int kBarWidth = 20;

// The text cut to at most the given number of bytes, never inside a UTF-8 sequence.
std::string Clipped(const std::string& text, std::size_t bytes)
{
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace

std::string ProgressLineText(int task, const std::string& name, int currentMs, int totalMs, std::int64_t size)
{
    std::string text = Format("[%d] %s: ", task, name.c_str());
    if (totalMs > 0) {
        const int percent = static_cast<int>(std::clamp<long long>(100LL * currentMs / totalMs, 0, 100));
        text += Format("%d%% %.1f s of %.1f s", percent, currentMs / 1000.0, totalMs / 1000.0);
    } else {
        text += Format("%.1f s", std::max(currentMs, 0) / 1000.0);
    }
    return text + ", " + FormatFileSize(std::max<std::int64_t>(size, 0));
}

TStatusDisplay::TStatusDisplay(std::FILE* stream, bool terminal, bool showProgress)
    : m_stream(stream), m_terminal(terminal), m_showProgress(showProgress)
{
}

TStatusDisplay::~TStatusDisplay()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    EraseBars();
    std::fflush(m_stream);
}

void TStatusDisplay::Line(const std::string& text)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    EraseBars();
    std::fprintf(m_stream, "%s\n", text.c_str());
    DrawBars();
    std::fflush(m_stream);
}

void TStatusDisplay::Progress(int task, const std::string& name, int currentMs, int totalMs, std::int64_t size)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (!m_showProgress) return;
    TTaskProgress& progress = m_tasks[task];
    progress.text = ProgressLineText(task, name, currentMs, totalMs, size);
    m_permille[task] = totalMs > 0 ? static_cast<int>(std::clamp<long long>(1000LL * currentMs / totalMs, 0, 1000)) : -1;
    if (m_terminal) {
        EraseBars();
        DrawBars();
    } else {
        const auto now = std::chrono::steady_clock::now();
        if (progress.lineWritten && now - progress.lastLine < kLineInterval) return;
        progress.lineWritten = true;
        progress.lastLine = now;
        std::fprintf(m_stream, "%s\n", progress.text.c_str());
    }
    std::fflush(m_stream);
}

void TStatusDisplay::Remove(int task)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (m_tasks.find(task) == m_tasks.end()) return;
    EraseBars();
    m_tasks.erase(task);
    m_permille.erase(task);
    DrawBars();
    std::fflush(m_stream);
}

void TStatusDisplay::Close()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    EraseBars();
    m_tasks.clear();
    m_permille.clear();
    m_showProgress = false;
    std::fflush(m_stream);
}

std::string TStatusDisplay::BarText(int task, const TTaskProgress& progress) const
{
    const int permille = m_permille.at(task);
    std::string bar;
    if (permille >= 0) {
        const int filled = permille * kBarWidth / 1000;
        bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
              std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] ";
    }
    const std::size_t width = static_cast<std::size_t>(std::max(Columns() - 1, 10));
    return Clipped(bar + progress.text, width);
}

void TStatusDisplay::EraseBars()
{
    if (!m_terminal || m_drawnLines == 0) return;
    // Up to the first bar's line, and everything from there down is cleared.
    std::fprintf(m_stream, "\x1b[%dA\r\x1b[J", m_drawnLines);
    m_drawnLines = 0;
}

void TStatusDisplay::DrawBars()
{
    if (!m_terminal) return;
    for (const auto& [task, progress] : m_tasks) {
        std::fprintf(m_stream, "%s\n", BarText(task, progress).c_str());
        ++m_drawnLines;
    }
}

int TStatusDisplay::Columns() const
{
    winsize size{};
    if (::ioctl(::fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace mirelk
