// Keeps a video output at its frame rate: from the time of each picture and the output's
// position, how many copies of it go out (0 drops it, more than 1 repeats it).
#pragma once

#include <cstdint>

#include "binding/av_headers.h"
#include "engine/pipeline/error_policy.h"

namespace mirelk {

class TFrameRateSync {
public:
    struct TSettings {
        AVRational timeBase{1, 25};  // of the encoder: one unit per picture
        // -1 automatic, 0 pass the times through, 1 constant rate, 2 variable rate.
        int method = -1;
        // The output format takes pictures at any time (automatic then means variable rate).
        bool variableRateFormat = false;
        // Where output time begins, in microseconds of run time.
        std::int64_t outputStart = 0;
        // Drops and repeats are told.
        bool verbose = false;
    };

    TFrameRateSync(const TSettings& settings, TLogFunction log);

    // How many copies of a picture at time (microseconds of run time) the rate wants; moves
    // the position where the method follows the input's time.
    int CopiesFor(std::int64_t time);
    // One picture went out at Position().
    void Advance() { ++m_position; }
    // The output position in encoder time-base units: the time of the next picture.
    std::int64_t Position() const { return m_position; }
    int Duplicated() const { return m_duplicated; }
    int Dropped() const { return m_dropped; }

private:
    TSettings m_settings;
    TLogFunction m_log;
    std::int64_t m_position = 0;
    int m_duplicated = 0;
    int m_dropped = 0;
};

}  // namespace mirelk
