// The progress record a task delivers while it converts, and the report line and summary it
// logs when no one takes the records.
#pragma once

#include <cstdint>
#include <vector>

#include "binding/av_headers.h"

namespace mirelk {

class IRunHost;
struct TOutputStream;
struct TRunCounters;

struct TProgressRecord {
    int frameNumber = -1;           // pictures written by the first video output, -1 without one
    int framesPerSecond = -1;       // its encoding speed, -1 without a video output
    int currentDuration = 0;        // output time reached, milliseconds
    float quality = -1.0f;          // quantiser of its last picture, -1 for a copy or no video
    float bitRate = 0.0f;           // average output bit rate, kbit/s
    std::int64_t currentSize = 0;   // bytes of the first output file
    int totalOutputDuration = -1;   // the expected length of the output, milliseconds, -1 unknown
};

// The options the report reads.
struct TProgressSettings {
    std::int64_t interval = 0;  // microseconds between reports
    int verbosity = 1;
    bool qpHistogram = false;
    std::int64_t expectedTotalDuration = 0;  // milliseconds
};

// The progress stage of a run: from what the output stages tell, at most one report per
// progress interval while it converts and one at its end. A report is the record to the task's
// progress callback, or the report line to its log; the final report also logs the summary.
class TProgressReport {
public:
    // firstOutput is the file whose size is told (null when there is none).
    TProgressReport(const TProgressSettings& settings, IRunHost& host, const AVFormatContext* firstOutput,
                    const std::vector<TOutputStream>& outputs, const TRunCounters& counters)
        : m_settings(settings), m_host(host), m_firstOutput(firstOutput), m_outputs(outputs), m_counters(counters)
    {
    }
    // The encoding speed is counted from here.
    void Start();
    // After each pass of the loop: reports when the interval has passed.
    void Tick();
    void Final() { Report(true); }

private:
    void Report(bool final);

    TProgressSettings m_settings;
    IRunHost& m_host;
    const AVFormatContext* m_firstOutput;
    const std::vector<TOutputStream>& m_outputs;
    const TRunCounters& m_counters;
    std::int64_t m_timerStart = 0;
    std::int64_t m_lastReport = 0;
};

}  // namespace mirelk
