// The two records a caller fills for one file: how to read the input and what to write. They
// are plain values, copied into the task.
#pragma once

#include <cstdint>
#include <string>

namespace mirelk {

struct TInputOptions {
    std::string FileName;     // empty: the name given to AddTask
    std::string FileFormat;   // forced input format
    int StartTime = -1;       // milliseconds; used when greater than 0
    int ProgramID = -1;       // used when 0 or greater
    std::string ExtOptions;   // option text, applied before the input is opened
};

// A colour as the desktop's colour pickers give it: red in the lowest byte, then green, then blue.
using TColorValue = std::int32_t;

struct TOutputOptions {
    std::string FileName;  // empty: the name given to AddOutput
    std::string FileExt;   // the ending of the output name, kept for the caller
    std::string FileFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxDelay = -1.0f;    // seconds
    float MuxPreload = -1.0f;  // seconds
    std::string AudioCodec;
    int AudioDisable = 0;
    int AudioVolume = -1;
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;  // bits per second
    int AudioBitrateTolerance = -1;
    std::string AudioLanguage;
    int AudioSync = 0;
    std::string AudioTag;
    std::string VideoCodec;
    int VideoDisable = 0;
    std::string FrameRate;
    std::string FrameSize;
    std::string AspectRatio;
    int CropTop = -1;
    int CropBottom = -1;
    int CropLeft = -1;
    int CropRight = -1;
    int PadTop = -1;
    int PadBottom = -1;
    int PadLeft = -1;
    int PadRight = -1;
    TColorValue PadColor = 0;  // black
    int GOPSize = -1;
    int VideoBitrate = -1;  // bits per second
    int MaxRate = -1;
    int MinRate = -1;
    int BitrateTolerance = -1;
    int BufSize = -1;
    int VideoSync = -1;
    std::string VideoTag;
    std::string VideoFilters;
    int SubtitleDisable = 0;
    std::string SubtitleLanguage;
    bool CopyTimestamp = false;
    int StartTime = -1;      // milliseconds; used when greater than 0
    int RecordingTime = -1;  // milliseconds; used when 1 or greater
    // Days since 30 December 1899, local time: 0.0 the present time, below 0.0 none.
    double Timestamp = -1.0;
    int Year = -1;
    int Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
    int TargetType = 0;   // 0 none, 1 "vcd", 2 "svcd", 3 "dvd"
    int TargetNorm = 0;   // 0 "auto", 1 "pal", 2 "ntsc"
    int DefaultNorm = 1;  // 1 "pal", anything else "ntsc"
    bool CustomHook = false;
    bool BeforeHook = false;
    std::string PTSPeriods;  // "start-end" in milliseconds, separated by commas
    std::string ExtOptions;  // option text, applied before and after the output is opened
};

}  // namespace mirelk
