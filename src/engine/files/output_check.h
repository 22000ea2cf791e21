// The check an output passes before it is called finished: its container opens, every stream
// that was made holds packets, and each stream lasts as long as was asked. Where the format
// keeps an index (the sample tables of MP4 and its kin) the index is read; otherwise the
// packets are, without decoding them.
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
    // A copied stream starts at a key picture before the clip: only a short one is a fault.
    bool onlyShorter = false;
};

// What the check found, for whoever measures it.
struct TOutputCheckFacts {
    bool readIndex = false;
    int packetsRead = 0;
};

// The output's streams in the order they were made, matched to the file's by media type and
// order. With no stream given, every sound and (moving) picture stream of the file is expected
// to last `duration` (microseconds; negative: not checked) and to hold packets. Empty when the
// file passes, else the reason, which names the file as shownName.
std::string CheckOutputFile(const std::string& fileName, const std::string& shownName,
                            const std::vector<TExpectedStream>& streams,
                            std::int64_t duration = -1, TOutputCheckFacts* facts = nullptr);

// Whether a length (microseconds) is within a second, or 2 %, of what was asked.
bool DurationMatches(std::int64_t actual, std::int64_t expected, bool onlyShorter);

}  // namespace mirelk
