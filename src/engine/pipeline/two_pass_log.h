// The statistics file of a two-pass encode: written by pass 1, read whole by pass 2. It goes
// through the support library's C runtime.
#pragma once

#include <cstdio>
#include <string>

namespace mirelk {

class TTwoPassLog {
public:
    TTwoPassLog() = default;
    TTwoPassLog(const TTwoPassLog&) = delete;
    TTwoPassLog& operator=(const TTwoPassLog&) = delete;
    ~TTwoPassLog();

    // "<prefix>-<stream number>.log", the prefix "ffmpeg2pass" when none is given.
    static std::string FileName(const std::string& prefix, int outputStreamNumber);
    // Pass 1: opens the file for writing ("Cannot write log file %s for pass-1 encoding").
    void OpenForWriting(const std::string& fileName);
    // Pass 2: the whole file ("Cannot read log file %s for pass-2 encoding").
    static std::string ReadAll(const std::string& fileName);
    // Appends an encoder's statistics text.
    void Append(const char* text);

private:
    FILE* m_file = nullptr;
};

}  // namespace mirelk
