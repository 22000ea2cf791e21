#include "probe_media.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "binding/log_levels.h"

namespace mirelk::test {

std::string ProberTest::OpenMade(const std::string& name, const std::string& arguments, const std::string& format)
{
    const std::string path = MakeMedia(folder.Path(name), arguments);
    EXPECT_TRUE(!path.empty() && probe.Open(path, format)) << name << ": " << probe.LastErrMsg();
    return path;
}

std::string ProberTest::OpenSample(const std::string& name)
{
    const std::string path = SamplePath(name);
    if (!path.empty()) {
        EXPECT_TRUE(probe.Open(path)) << probe.LastErrMsg();
    }
    return path;
}

std::int64_t FileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

void CopyHead(const std::string& from, const std::string& to, std::int64_t bytes)
{
    std::ifstream source(from, std::ios::binary);
    std::string data(static_cast<std::size_t>(bytes), '\0');
    source.read(data.data(), bytes);
    data.resize(static_cast<std::size_t>(source.gcount()));
    WriteBytes(to, data);
}

std::map<std::string, std::string> Ffprobe(const std::string& path, const std::string& entries, int streamIndex,
                                           const std::string& options)
{
    std::string command =
        "ffprobe -v error " + options + " -of default=noprint_wrappers=1 -show_entries " + ShellQuoted(entries);
    if (streamIndex >= 0) command += " -select_streams " + std::to_string(streamIndex);
    std::istringstream output(RunCommand(command + " " + ShellQuoted(path)));
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(output, line);)
        if (const std::size_t equals = line.find('='); equals != std::string::npos)
            values.emplace(line.substr(0, equals), line.substr(equals + 1));
    return values;
}

std::vector<std::string> FfprobeStreamDescriptions(const std::string& path)
{
    const std::string output = RunCommand("ffprobe -hide_banner " + ShellQuoted(path) + " 2>&1");
    std::vector<std::string> descriptions;
    std::size_t at = 0;
    while ((at = output.find("Stream #0:", at)) != std::string::npos) {
        const std::size_t begin = output.find(": ", at) + 2;
        const std::size_t end = output.find('\n', begin);
        descriptions.push_back(output.substr(begin, end - begin));
        at = end;
    }
    return descriptions;
}

std::int64_t Microseconds(const std::string& seconds)
{
    return seconds == "N/A" ? -1 : std::llround(std::stod(seconds) * 1000000.0);
}

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

bool Logged(const std::vector<std::pair<int, std::string>>& lines, int engineLevel, const std::string& text)
{
    for (const auto& [level, line] : lines)
        if (line == text && LibraryToEngineLevel(level) == engineLevel) return true;
    return false;
}

std::vector<std::string> InfoLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "line without CR LF: " << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace mirelk::test
