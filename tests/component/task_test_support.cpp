#include "component/task_test_support.h"

#include <sched.h>
#include <sys/resource.h>

#include <cerrno>
#include <filesystem>
#include <thread>

#include "component/task_threads.h"
#include "component/thread_id.h"

namespace mirelk::test {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void TTaskEvents::Connect(TFFmpeg& task)
{
    task.OnLog = [this](TCustomFFmpeg& source, int level, const std::string& text) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_messages.push_back({static_cast<const TFFmpeg*>(&source), level, text});
    };
    task.OnProgress = [this](TCustomFFmpeg& source, const TProgressRecord&) {
        TFFmpeg& ffmpeg = static_cast<TFFmpeg&>(source);
        int reports = 0;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            bool known = false;
            for (auto& [reporting, count] : m_progress)
                if (reporting == &ffmpeg) {
                    reports = ++count;
                    known = true;
                }
            if (!known) m_progress.emplace_back(&ffmpeg, reports = 1);
        }
        if (onProgress) onProgress(ffmpeg, reports);
    };
    task.OnTerminate = [this](TFFmpeg& source) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_terminations.push_back({&source, source.Finished, source.ExceptionRaised, source.ErrorMessage,
                                      CurrentThreadId(), ::sched_getscheduler(0), m_ownerGone});
        }
        if (onTerminate) onTerminate(source);
    };
}

std::vector<TTerminationReport> TTaskEvents::Terminations() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_terminations;
}

std::vector<TTerminationReport> TTaskEvents::Terminations(const TFFmpeg& task) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<TTerminationReport> reports;
    for (const TTerminationReport& report : m_terminations)
        if (report.task == &task) reports.push_back(report);
    return reports;
}

std::vector<std::pair<int, std::string>> TTaskEvents::Messages(const TFFmpeg& task) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<std::pair<int, std::string>> messages;
    for (const TMessage& message : m_messages)
        if (message.task == &task) messages.emplace_back(message.level, message.text);
    return messages;
}

std::size_t TTaskEvents::MessageCount() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_messages.size();
}

int TTaskEvents::ProgressCount(const TFFmpeg& task) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    for (const auto& [reporting, count] : m_progress)
        if (reporting == &task) return count;
    return 0;
}

void TTaskEvents::OwnerGone()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_ownerGone = true;
}

void TaskTest::TearDown() { EXPECT_TRUE(WaitForTaskThreads(std::chrono::seconds(120))); }

std::int64_t FileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

int SchedulingPolicy(std::uint32_t threadId) { return ::sched_getscheduler(static_cast<pid_t>(threadId)); }

int NiceValue(std::uint32_t threadId)
{
    errno = 0;
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
}

}  // namespace mirelk::test
