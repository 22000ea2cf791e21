// The check an output passes before it is called finished: its container opens, every stream
// that was made holds packets, and no stream is shorter than was asked. Where the format keeps
// an index (the sample tables of MP4 and its kin) the index is read; otherwise the packets are,
// without decoding them. A longer stream is no loss (a picture held to the sound's end, an
// encoder's delay) and passes; what cannot be measured (a cover picture, a raw stream whose
// packets carry neither times nor durations) is not measured.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "binding/av_headers.h"

namespace mirelk {

struct TExpectedStream {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    // Microseconds; negative when the length is not checked.
    std::int64_t duration = -1;
    // Whether the stream must hold packets (a subtitle stream may rightly have no cue).
    bool needsPackets = true;
};

// What the check found, for whoever measures it.
struct TOutputCheckFacts {
    bool readIndex = false;
    int packetsRead = 0;
};

// The output's streams in the order they were made, matched to the file's by media type and
// order. With no stream given, every sound and (moving) picture stream of the file is expected
// to last `duration` (microseconds; negative: not checked) and to hold packets. A cover
// picture in the file (an attached picture) is neither counted nor measured. Empty when the
// file passes, else the reason, which names the file as shownName.
std::string CheckOutputFile(const std::string& fileName, const std::string& shownName,
                            const std::vector<TExpectedStream>& streams,
                            std::int64_t duration = -1, TOutputCheckFacts* facts = nullptr);

// Whether a length (microseconds) falls short of what was asked by no more than a second, or
// 2 % of a long one.
bool DurationMatches(std::int64_t actual, std::int64_t expected);

}  // namespace mirelk
