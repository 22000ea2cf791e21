// The records the prober fills: facts of the whole file and of one video stream. Every field
// starts at its "no value" mark, so a record read from a prober without a file says so.
#pragma once

#include <cstdint>
#include <string>

namespace mirelk {

struct TAVFileInfo {
    // Microseconds; -1 when unknown.
    std::int64_t StartTime = -1;
    std::int64_t Duration = -1;
    // Bits per second, as the demuxer reports it.
    std::int64_t BitRate = -1;
    // Creation time, seconds since 1970-01-01 00:00 UTC; 0 when the file does not say.
    std::int64_t TimeStamp = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    // 0 when the file has no such tag.
    int Year = -1;
    int Track = -1;
    std::string Genre;
};

struct TAVVideoStreamInfo {
    std::string Language;
    std::string CodecName;
    // In the stream's own time base, copied as is (may be AV_NOPTS_VALUE).
    std::int64_t StartTime = -1;
    // StartTime in microseconds; stays -1 when StartTime is AV_NOPTS_VALUE.
    std::int64_t StartTimeUS = -1;
    std::int64_t Duration = -1;
    std::int64_t DurationUS = -1;
    std::int64_t BitRate = -1;
    int Height = -1;
    int Width = -1;
    // Display aspect ratio (width / height of the picture as shown).
    float AspectRatio = -1.0f;
    // An AVPixelFormat number.
    int PixelFormat = -1;
    int FrameRateNum = -1;
    int FrameRateDen = -1;
};

}  // namespace mirelk
