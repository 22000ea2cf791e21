#include "test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <cstdio>
#include <mutex>
#include <sstream>

#include "binding/entry_points.h"
#include "binding/loader.h"

namespace mirelk::test {

void LibrariesLoaded::SetUp()
{
    FFLoader().SetLibraryPath(MIRELK_LIBAV_DIR);
    ASSERT_TRUE(FFLoader().LoadLibs(DefaultAVLibraries)) << FFLoader().LastErrMsg();
}

namespace {

std::mutex g_captureLock;
std::vector<std::pair<int, std::string>> g_captured;

void CaptureLine(void*, int level, const char* format, va_list args)
{
    char text[2048];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> lock(g_captureLock);
    g_captured.emplace_back(level, text);
}

}  // namespace

LibraryLogCapture::LibraryLogCapture()
{
    std::lock_guard<std::mutex> lock(g_captureLock);
    g_captured.clear();
    av::av_log_set_callback(CaptureLine);
}

LibraryLogCapture::~LibraryLogCapture() { av::av_log_set_callback(av::av_log_default_callback); }

std::vector<std::pair<int, std::string>> LibraryLogCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(g_captureLock);
    return g_captured;
}

TempFolder::TempFolder()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("mirelk_") + (test != nullptr ? test->test_suite_name() : "suite") + "_" +
                       (test != nullptr ? test->name() : "test");
    for (char& c : name)
        if (c == '/') c = '_';
    // Two runs of the suite on one machine (two build trees) must not share folders.
    name += "_" + std::to_string(::getpid());
    m_path = (std::filesystem::path(::testing::TempDir()) / name).string();
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::Path(const std::string& name) const { return name.empty() ? m_path : m_path + "/" + name; }

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string RunCommand(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status != nullptr) *status = -1;
        return output;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
    const int result = ::pclose(pipe);
    if (status != nullptr) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

std::string MakeMedia(const std::string& path, const std::string& arguments)
{
    int status = 0;
    RunCommand("ffmpeg -nostdin -v error -y " + arguments + " " + ShellQuoted(path) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << "ffmpeg could not make " << path;
    return status == 0 ? path : std::string();
}

std::string SamplePath(const std::string& name)
{
    const std::filesystem::path path = std::filesystem::path(MIRELK_SAMPLES_DIR) / name;
    return std::filesystem::exists(path) ? path.string() : std::string();
}

std::string Probe(const std::string& path, const std::string& streams, const std::string& entry)
{
    const std::string selection = streams.empty() ? "" : "-select_streams " + streams + " ";
    std::istringstream output(RunCommand("ffprobe -v error " + selection + "-show_entries " + entry +
                                         " -of default=noprint_wrappers=1:nokey=1 " + ShellQuoted(path)));
    // A stream inside a program is listed twice; the first listing is enough.
    std::string value;
    std::string line;
    for (long field = 0; field <= std::count(entry.begin(), entry.end(), ',') && std::getline(output, line); ++field)
        value += (field > 0 ? "\n" : "") + line;
    return value;
}

int CountFrames(const std::string& path, const std::string& stream)
{
    const std::string count = RunCommand("ffprobe -v error -count_frames -select_streams " + stream +
                                         " -show_entries stream=nb_read_frames -of csv=p=0 " + ShellQuoted(path));
    return count.empty() || std::isdigit(static_cast<unsigned char>(count[0])) == 0 ? -1 : std::atoi(count.c_str());
}

double ProbeDuration(const std::string& path)
{
    const std::string value = Probe(path, "", "format=duration");
    return value.empty() || value == "N/A" ? -1 : std::atof(value.c_str());
}

std::string DecodeErrors(const std::string& path)
{
    return RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) + " -f null - 2>&1");
}

std::vector<std::int16_t> DecodeSamples(const std::string& path, int sampleRate, int channels)
{
    const std::string raw = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) + " -f s16le -ac " +
                                       std::to_string(channels) + " -ar " + std::to_string(sampleRate) + " -");
    std::vector<std::int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

std::string Convert(CapturingTask& task, const std::vector<std::string>& inputs, const std::string& output,
                    const std::string& outputOptions, const std::string& inputOptions)
{
    try {
        for (const std::string& input : inputs) {
            task.ParseOptionText(inputOptions, false);
            if (!task.OpenInputFile(input)) return task.LastErrMsg;
        }
        task.ParseOptionText(outputOptions, false);
        if (!task.OpenOutputFile(output)) return task.LastErrMsg;
        task.ParseOptionText(outputOptions, true);
        task.Transcode();
    } catch (const FFmpegException& error) {
        task.CleanUp();
        return error.what();
    }
    task.CleanUp();
    return "";
}

CapturingTask::CapturingTask()
{
    Reset();
    OnLog = [this](TCustomFFmpeg&, int level, const std::string& text) { messages.emplace_back(level, text); };
}

int CapturingTask::MessageCount(const std::string& text) const
{
    return static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                          [&](const auto& message) { return message.second.rfind(text, 0) == 0; }));
}

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace mirelk::test
