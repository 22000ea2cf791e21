// The times a stage cuts its data by: the clip of its source's file, the start of output time,
// and the clock of a decoded input stream.
#pragma once

#include <algorithm>
#include <cstdint>

#include "binding/av_headers.h"

namespace mirelk {

// The run times (microseconds) between which a file's decoded data goes to the outputs: from
// the start the task asked for (an input seek or an output "ss") to "t" after it. Data before
// the start or at and after the end is cut away; every stream of the file is cut alike.
struct TTimeGate {
    std::int64_t start = INT64_MIN;
    std::int64_t end = INT64_MAX;

    // Cuts something shown from `from` to `to` (to unknown when lengthKnown is false: it stays
    // up until what follows) to the clip; false when none of it is inside, with ended set when
    // it begins at or after the end.
    bool Cut(std::int64_t& from, std::int64_t& to, bool lengthKnown, bool& ended) const
    {
        ended = from >= end;
        if (ended || (lengthKnown ? to <= start : from < start)) return false;
        from = std::max(from, start);
        if (lengthKnown) to = std::min(to, end);
        return true;
    }
};

// A run time (microseconds) in seconds of output time, which begins at outputStart.
inline double OutputSeconds(std::int64_t pts, std::int64_t outputStart)
{
    return static_cast<double>(pts - outputStart) / 1000000.0;
}

// The clip of a stage's source and where output time begins (an output "ss").
struct TStageClock {
    TTimeGate gate;
    std::int64_t outputStart = 0;

    bool BeforeStart(std::int64_t pts) const { return pts < gate.start; }
    // The end of the clip in output time (microseconds; INT64_MAX when it has none).
    std::int64_t OutputEnd() const
    {
        if (gate.end == INT64_MAX || (outputStart < 0 && gate.end > INT64_MAX + outputStart)) return INT64_MAX;
        return gate.end - outputStart;
    }
    // A run time in seconds of output time.
    double OutputSeconds(std::int64_t pts) const { return mirelk::OutputSeconds(pts, outputStart); }
};

// Position of an output in encoder time-base units, in seconds.
inline double PositionSeconds(std::int64_t position, AVRational timeBase)
{
    return static_cast<double>(position) * av_q2d(timeBase);
}

// The decoding stage's clock of one input stream (microseconds): the time of the data in hand,
// and the time expected for the next data. Only the decoder moves it; the others read it.
class TStreamClock {
public:
    std::int64_t Now() const { return m_now; }
    std::int64_t Next() const { return m_next; }
    void Set(std::int64_t now, std::int64_t next)
    {
        m_now = now;
        m_next = next;
    }
    void Reset() { Set(0, AV_NOPTS_VALUE); }

private:
    std::int64_t m_now = 0;
    std::int64_t m_next = AV_NOPTS_VALUE;
};

}  // namespace mirelk
