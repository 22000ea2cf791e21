#include "cli/cli_test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace mirelk::test {

std::string CliPath() { return MIRELK_CLI_PATH; }

std::string MakeClip(const std::string& path, int seconds, const std::string& size, bool silent)
{
    const std::string duration = std::to_string(seconds);
    std::string arguments = "-f lavfi -i testsrc=duration=" + duration + ":size=" + size + ":rate=25 ";
    if (!silent) arguments += "-f lavfi -i sine=duration=" + duration + " -c:a mp2 ";
    return MakeMedia(path, arguments + "-c:v mpeg4");
}

CliRun RunCli(const std::string& arguments)
{
    // A file of its own: the test's TempFolder is the test's, by name.
    std::string errors = (std::filesystem::path(::testing::TempDir()) / "mirelk_cli_stderr_XXXXXX").string();
    const int descriptor = ::mkstemp(errors.data());
    if (descriptor < 0) {
        ADD_FAILURE() << "cannot make a file for standard error";
        return {};
    }
    ::close(descriptor);
    CliRun run;
    run.out = RunCommand(ShellQuoted(CliPath()) + " " + arguments + " </dev/null 2>" + ShellQuoted(errors), &run.status);
    run.err = FileBytes(errors);
    std::filesystem::remove(errors);
    return run;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<nlohmann::json> JsonLines(const std::string& text)
{
    std::vector<nlohmann::json> objects;
    for (const std::string& line : Lines(text)) {
        try {
            objects.push_back(nlohmann::json::parse(line));
        } catch (const nlohmann::json::parse_error& error) {
            ADD_FAILURE() << "not JSON: " << line << " (" << error.what() << ")";
        }
    }
    return objects;
}

std::vector<nlohmann::json> Events(const std::vector<nlohmann::json>& objects, const std::string& event)
{
    std::vector<nlohmann::json> found;
    for (const nlohmann::json& object : objects)
        if (object.is_object() && object.value("event", "") == event) found.push_back(object);
    return found;
}

}  // namespace mirelk::test
