#include "cli/journal.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "cli/json_lines.h"
#include "cli/plain_text.h"

namespace mirelk {

bool ReadJournal(const std::string& fileName, TJournalContents& contents, std::string& error)
{
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        if (errno == ENOENT) return true;
        error = "--journal cannot read '" + fileName + "': " + std::strerror(errno);
        return false;
    }
    std::string text;
    const bool read = ReadToEnd(file, text);
    std::fclose(file);
    if (!read) {
        error = "--journal cannot read '" + fileName + "'";
        return false;
    }
    int number = 0;
    for (const std::string& line : Pieces(text, '\n')) {
        ++number;
        if (line.empty()) continue;
        const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
        if (record.is_discarded() || !record.is_object() || !record.contains("output") ||
            !record["output"].is_string() || !record.contains("status") || !record["status"].is_string()) {
            contents.badLines.push_back(number);
            continue;
        }
        contents.lastStatus[record["output"].get<std::string>()] = record["status"].get<std::string>();
    }
    return true;
}

TJournal::~TJournal()
{
    if (m_file != nullptr) std::fclose(m_file);
}

bool TJournal::Open(const std::string& fileName, std::string& error)
{
    m_file = std::fopen(fileName.c_str(), "a+b");
    if (m_file == nullptr) {
        error = "--journal cannot write '" + fileName + "': " + std::strerror(errno);
        return false;
    }
    // A record cut short by a crash ends here; the next one begins a line of its own.
    if (std::fseek(m_file, -1, SEEK_END) == 0 && std::fgetc(m_file) != '\n') {
        std::fseek(m_file, 0, SEEK_END);
        std::fputc('\n', m_file);
        std::fflush(m_file);
    }
    return true;
}

void TJournal::Record(const TEventSubject& subject, TTaskStatus status, const std::string& kept,
                      const std::string& message)
{
    nlohmann::json record;
    record["task"] = subject.task;
    record["input"] = subject.input;
    record["output"] = subject.output;
    record["status"] = TaskStatusName(status);
    record["kept"] = kept.empty() ? nlohmann::json() : nlohmann::json(kept);
    record["message"] = message;
    record["time"] = UtcText(std::chrono::system_clock::now());
    const std::string line = record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    const std::lock_guard<std::mutex> lock(m_lock);
    if (m_file == nullptr) return;
    std::fseek(m_file, 0, SEEK_END);
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
    ::fsync(::fileno(m_file));
}

}  // namespace mirelk
