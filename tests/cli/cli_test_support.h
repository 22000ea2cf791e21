// Running the real mirelk-cli from the tests, its two output streams kept apart.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace mirelk::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A test with a folder of its own.
class CliTest : public ::testing::Test {
protected:
    TempFolder folder;
};

// An MPEG-4 clip of a test picture (25 frames a second), with an MP2 tone unless silent; the
// path, or "" with a test failure.
std::string MakeClip(const std::string& path, int seconds, const std::string& size = "160x120", bool silent = false);

// The path of the program under test.
std::string CliPath();
// Runs "mirelk-cli ARGUMENTS" through the shell (the arguments are shell text: quote file names
// with ShellQuoted) with standard input from /dev/null.
CliRun RunCli(const std::string& arguments);
// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);
// Every line parsed as JSON; a line that does not parse fails the test and is left out.
std::vector<nlohmann::json> JsonLines(const std::string& text);
// The objects of the lines whose "event" is the given one.
std::vector<nlohmann::json> Events(const std::vector<nlohmann::json>& objects, const std::string& event);

}  // namespace mirelk::test
