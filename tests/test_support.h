// Shared pieces of the tests: loading the libraries and catching what is logged.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk::test {

// Loads the default library set from the build's library folder once per test.
class LibrariesLoaded : public ::testing::Test {
protected:
    void SetUp() override;
};

// Collects the library's log lines (level and text) while it lives.
class LibraryLogCapture {
public:
    LibraryLogCapture();
    ~LibraryLogCapture();
    std::vector<std::pair<int, std::string>> Lines() const;
};

// A folder of its own for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(const std::string& name = "") const;

private:
    std::string m_path;
};

// Runs a shell command and returns what it printed on standard output; the exit status goes
// to status when given.
std::string RunCommand(const std::string& command, int* status = nullptr);
// A file's bytes ("" when it cannot be read), and a file made to hold exactly the given bytes.
std::string FileBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Every name in the folder, hidden ones too, sorted.
std::vector<std::string> FolderNames(const std::string& folder);
// Makes a media file with the ffmpeg tool: "ffmpeg -v error -y ARGUMENTS PATH". Returns the
// path, or "" (with a test failure) when ffmpeg failed.
std::string MakeMedia(const std::string& path, const std::string& arguments);
// The path of a shared sample, or "" when the samples are not there (the test then skips).
std::string SamplePath(const std::string& name);
// Quotes a file name for the shell.
std::string ShellQuoted(const std::string& text);

// What ffprobe says of one entry, e.g. Probe(path, "a:0", "stream=codec_name"); "" when absent.
std::string Probe(const std::string& path, const std::string& streams, const std::string& entry);
// The file's duration in seconds as ffprobe reads it, or -1.
double ProbeDuration(const std::string& path);
// The frames of one stream as ffprobe counts them by decoding, or -1.
int CountFrames(const std::string& path, const std::string& stream = "v:0");
// Everything ffmpeg complains about while decoding the whole file; empty for a clean file.
std::string DecodeErrors(const std::string& path);
// The file's audio decoded to signed 16-bit samples (all channels interleaved).
std::vector<std::int16_t> DecodeSamples(const std::string& path, int sampleRate, int channels);

// The message of the FFmpegException an action raises, or "" when it raises none.
template <typename Action>
std::string FailureOf(Action action)
{
    try {
        action();
    } catch (const FFmpegException& error) {
        return error.what();
    }
    return "";
}

// A task reset with the libraries loaded, whose engine messages are collected.
class CapturingTask : public TCustomFFmpeg {
public:
    CapturingTask();
    // How many of the messages begin with the text.
    int MessageCount(const std::string& text) const;
    std::vector<std::pair<int, std::string>> messages;
};

// Opens the inputs (each after the input text) and one output the way the component does (the
// output text before and after the output is opened), converts in this thread and cleans up,
// removing what a failed run wrote. Returns the failure text, "" on success.
std::string Convert(CapturingTask& task, const std::vector<std::string>& inputs, const std::string& output,
                    const std::string& outputOptions, const std::string& inputOptions = "");
inline std::string Convert(CapturingTask& task, const std::string& input, const std::string& output,
                           const std::string& outputOptions, const std::string& inputOptions = "")
{
    return Convert(task, std::vector<std::string>{input}, output, outputOptions, inputOptions);
}

}  // namespace mirelk::test
