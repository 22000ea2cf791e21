// The per-picture statistics file ("vstats"): one line for every coded picture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "binding/av_headers.h"

namespace mirelk {

struct TOutputStream;

class TVideoStatistics {
public:
    explicit TVideoStatistics(std::string fileName) : m_fileName(std::move(fileName)) {}
    TVideoStatistics(const TVideoStatistics&) = delete;
    TVideoStatistics& operator=(const TVideoStatistics&) = delete;
    ~TVideoStatistics();

    // Opens the file on first use ("fopen fail: " and the name when it cannot).
    void WriteFrameLine(const TOutputStream& output, const AVCodecContext* encoder, int frameSize, int pictureType,
                        std::int64_t videoSize, double lumaError);

private:
    std::string m_fileName;
    FILE* m_file = nullptr;
};

}  // namespace mirelk
