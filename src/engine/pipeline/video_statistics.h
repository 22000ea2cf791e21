// The per-picture statistics file ("vstats"): one line for every coded picture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "binding/av_headers.h"

namespace mirelk {

class TVideoStatistics {
public:
    explicit TVideoStatistics(std::string fileName) : m_fileName(std::move(fileName)) {}
    TVideoStatistics(const TVideoStatistics&) = delete;
    TVideoStatistics& operator=(const TVideoStatistics&) = delete;
    ~TVideoStatistics();

    // One line for a coded picture of an output that has written frameNumber pictures and
    // reached position (encoder time-base units). Opens the file on first use ("fopen fail: "
    // and the name when it cannot).
    void WriteFrameLine(int frameNumber, float quality, std::int64_t position, const AVCodecContext* encoder,
                        int frameSize, int pictureType, std::int64_t videoSize, double lumaError);

private:
    std::string m_fileName;
    FILE* m_file = nullptr;
};

}  // namespace mirelk
