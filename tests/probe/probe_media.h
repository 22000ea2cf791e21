// What the prober's tests need beside the shared test support: files written on the spot, and
// what ffprobe says about a file (the independent answer the prober is checked against).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../test_support.h"
#include "probe/av_probe.h"

namespace mirelk::test {

// A prober test: the libraries loaded, a folder of its own and a prober.
class ProberTest : public LibrariesLoaded {
protected:
    // Makes the file with the ffmpeg tool ("ffmpeg ARGUMENTS folder/NAME") and opens it; its path.
    std::string OpenMade(const std::string& name, const std::string& arguments, const std::string& format = "");
    // Opens a shared sample; its path, or "" when the samples are not there.
    std::string OpenSample(const std::string& name);

    TempFolder folder;
    TAVProbe probe;
};

std::int64_t FileSize(const std::string& path);
void CopyHead(const std::string& from, const std::string& to, std::int64_t bytes);

// ffprobe's "key=value" answers for the entries asked ("format=duration,bit_rate" or, for one
// stream, "stream=codec_name,width"); tags come as "TAG:name". Options go to ffprobe as they are.
std::map<std::string, std::string> Ffprobe(const std::string& path, const std::string& entries,
                                           int streamIndex = -1, const std::string& options = std::string());
// ffprobe's own description of each stream: the text after "Stream #0:N...: ".
std::vector<std::string> FfprobeStreamDescriptions(const std::string& path);
// Seconds as ffprobe prints them ("5.063000"), in microseconds; "N/A" is -1, as the prober has it.
std::int64_t Microseconds(const std::string& seconds);

// The message of the runtime error the action raises, or "(nothing thrown)".
std::string MessageOf(const std::function<void()>& action);

// The "\r\n"-ended lines of a text; a line without its "\r\n" fails the calling test.
std::vector<std::string> InfoLines(const std::string& text);

// Whether a captured library log holds the line at the level, given on the program's scale.
bool Logged(const std::vector<std::pair<int, std::string>>& lines, int engineLevel, const std::string& text);

}  // namespace mirelk::test
