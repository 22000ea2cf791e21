// Text pieces of the prober's descriptions that need no library.
#pragma once

#include <cstdint>
#include <string>

namespace mirelk::probing {

// Microseconds as seconds with six decimals, "12.345678"; a negative time keeps its sign in
// front ("-0.005000"), where a plain "%d.%.6d" split would print "0.-5000".
std::string MicrosecondsAsSeconds(std::int64_t microseconds);

// Seconds since 1970-01-01 00:00 UTC as "yyyy-mm-dd hh:nn:ss" in the local zone's standard
// time: the zone's offset from UTC is applied, daylight saving time is not.
std::string StandardLocalTimeText(std::int64_t secondsSinceEpoch);

bool SameTextIgnoringCase(const std::string& left, const std::string& right);

// Demuxers that give one still picture per file: "image2", and the single-image readers that
// today's libraries pick when a picture file is opened without a forced format ("png_pipe",
// "jpeg_pipe" and the like). Such a file has nothing to seek and is decoded once.
bool IsStillPictureFormat(const std::string& shortName);

// The number a tag starts with ("2009-05-01" gives 2009, "3/12" gives 3); 0 when it starts
// with no digit.
int LeadingNumber(const std::string& text);

}  // namespace mirelk::probing
