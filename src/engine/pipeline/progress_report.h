// The progress record a task delivers while it converts, and the report line and summary it
// logs when no one takes the records.
#pragma once

#include <cstdint>

namespace mirelk {

class TTranscodeRun;

struct TProgressRecord {
    int frameNumber = -1;           // pictures written by the first video output, -1 without one
    int framesPerSecond = -1;       // its encoding speed, -1 without a video output
    int currentDuration = 0;        // output time reached, milliseconds
    float quality = -1.0f;          // quantiser of its last picture, -1 for a copy or no video
    float bitRate = 0.0f;           // average output bit rate, kbit/s
    std::int64_t currentSize = 0;   // bytes of the first output file
    int totalOutputDuration = -1;   // the expected length of the output, milliseconds, -1 unknown
};

// Builds one report from the run's state: the record to the task's progress callback, or the
// report line to its log; the final report also logs the summary.
void ReportProgress(TTranscodeRun& run, bool final);

}  // namespace mirelk
