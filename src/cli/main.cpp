// mirelk-cli: the command-line front end on the conversion component.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "binding/loader.h"
#include "binding/open_file_limit.h"
#include "binding/utilities.h"
#include "cli/cli_arguments.h"
#include "cli/form_jobs.h"
#include "component/event_loop.h"
#include "component/vantrel.h"
#include "engine/custom_ffmpeg.h"
#include "probe/av_probe.h"

namespace {

using namespace mirelk;
namespace fs = std::filesystem;

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

// Loads the default library set from the program's "LibAV" folder (or the default search) and
// reports what was loaded, then the engine's option table.
int SelfCheck()
{
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(DefaultLibraryFolder());
    std::printf("Library folder: %s\n", loader.LibraryPath().c_str());
    if (!loader.LoadLibs(DefaultAVLibraries)) {
        std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
        return 1;
    }
    for (int index = 0; index < kAVLibraryCount; ++index) {
        const auto library = static_cast<TAVLibrary>(index);
        const std::string fileName = TFFmpegLoader::GetLibFileName(library);
        if (!DefaultAVLibraries.Contains(library)) {
            std::printf("  %-22s not in the default set\n", fileName.c_str());
            continue;
        }
        const std::string version = loader.LoadedVersion(library);
        std::printf("  %-22s %-12s %d entry points bound\n", fileName.c_str(),
                    version.empty() ? "(ours)" : version.c_str(), TFFmpegLoader::BoundEntryCount(library));
    }
    const auto names = TCustomFFmpeg::OptionTableNames();
    std::printf("Option table (%zu names, compared in this order; any other name is an AVOption):\n", names.size());
    std::size_t column = 0;
    for (const std::string& name : names) {
        if (column + name.size() + 1 > 78) {
            std::printf("\n");
            column = 0;
        }
        column += static_cast<std::size_t>(std::printf(" %s", name.c_str()));
    }
    std::printf("\n");
    return 0;
}

int Info(const std::vector<std::string>& files)
{
    FFLoader().SetLibraryPath(DefaultLibraryFolder());
    if (!FFLoader().LoadLibs(DefaultAVLibraries)) {
        std::fprintf(stderr, "%s\n", FFLoader().LastErrMsg().c_str());
        return 2;
    }
    int failures = 0;
    for (const std::string& file : files) {
        TAVProbe probe;
        if (!probe.Open(file)) {
            std::fprintf(stderr, "%s\n", probe.LastErrMsg().c_str());
            ++failures;
            continue;
        }
        std::string text = probe.GetInfoText();
        std::string unixText;
        for (char c : text)
            if (c != '\r') unixText += c;
        std::printf("%s\n", unixText.c_str());
    }
    return failures == 0 ? 0 : 1;
}

// The record's fields that are always applied after its option text would undo these options
// of the text; the record carries them instead.
TOutputOptions OutputRecordFromText(const std::string& text)
{
    TOutputOptions record;
    record.ExtOptions = text;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = line.find('=');
        const std::string name = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        const auto number = [&](int fallback) {
            try {
                return std::stoi(value);
            } catch (const std::exception&) {
                return fallback;
            }
        };
        if (name == "vn") record.VideoDisable = value != "0";
        else if (name == "an") record.AudioDisable = value != "0";
        else if (name == "sn") record.SubtitleDisable = value != "0";
        else if (name == "async") record.AudioSync = number(record.AudioSync);
        else if (name == "vsync") record.VideoSync = number(record.VideoSync);
        else if (name == "alang") record.AudioLanguage = value;
        else if (name == "slang") record.SubtitleLanguage = value;
        else if (name == "copyts") record.CopyTimestamp = true;
    }
    return record;
}

struct TTaskResult {
    std::string input;
    std::string output;
    bool outputExisted = false;
    bool finished = false;
    bool failed = false;
    std::string message;
};

// Adds the jobs to a component and runs them; returns the program's exit status.
int RunJobs(const TCliArguments& arguments, std::vector<TConversionJob> jobs, int refused, TEventLoop& loop,
            TVantrel& component)
{
    std::map<int, TTaskResult> results;
    for (TConversionJob& job : jobs) {
        std::error_code ignored;
        if (fs::exists(job.output, ignored) && fs::exists(job.input, ignored) &&
            fs::equivalent(job.output, job.input, ignored)) {
            std::fprintf(stderr, "%s: the output would replace its own input\n", job.output.c_str());
            ++refused;
            continue;
        }
        const bool existed = fs::exists(job.output, ignored);
        if (existed && !arguments.overwrite) {
            std::fprintf(stderr, "%s: the file exists (use --overwrite to replace it)\n", job.output.c_str());
            ++refused;
            continue;
        }
        const int index = component.AddTask(job.input, &job.inputOptions);
        if (index < 0) {
            std::fprintf(stderr, "%s\n", component.LastErrMsg().c_str());
            ++refused;
            continue;
        }
        if (!component.AddOutput(index, job.output, &job.outputOptions)) {
            std::fprintf(stderr, "%s\n", component.LastErrMsg().c_str());
            component.RemoveTask(index);
            ++refused;
            continue;
        }
        // Only the task just added is ever removed, so the indices of the others stay.
        TTaskResult result;
        result.input = job.input;
        result.output = job.output;
        result.outputExisted = existed;
        results[index] = result;
    }
    if (results.empty()) return refused > 0 ? 1 : 0;

    // The events come from the tasks' threads.
    std::atomic<bool> done{false};
    std::mutex resultsLock;
    component.OnLog = [&](int index, TLogLevel level, const std::string& message) {
        if (level <= component.LogLevel())
            std::fprintf(stderr, "%s%s\n", index >= 0 ? ("[" + std::to_string(index + 1) + "] ").c_str() : "",
                         message.c_str());
    };
    component.OnProgress = [&](int index, int, int, int currentDuration, float, float, std::int64_t size, int total) {
        if (arguments.quiet) return;
        const int percent = total > 0 ? std::min(100, static_cast<int>(100LL * currentDuration / total)) : -1;
        std::lock_guard<std::mutex> lock(resultsLock);
        std::fprintf(stderr, "\r[%d] %s: %3d%% %8.1f s %12s", index + 1, results.at(index).output.c_str(), percent,
                     currentDuration / 1000.0, FormatFileSize(size).c_str());
        std::fflush(stderr);
    };
    component.OnTerminate = [&](int index, bool finished, bool exception, const std::string& message) {
        if (index < 0) {
            done = true;
            return;
        }
        std::lock_guard<std::mutex> lock(resultsLock);
        TTaskResult& result = results.at(index);
        result.finished = finished;
        result.failed = exception;
        result.message = message;
    };

    std::signal(SIGINT, OnInterrupt);
    component.StartConvert(arguments.threads);
    bool stopping = false;
    while (!done) {
        if (g_interrupted && !stopping) {
            stopping = true;
            std::fprintf(stderr, "\nStopping...\n");
            component.StopConvert();
        }
        loop.PumpUntil([&] { return done || (g_interrupted && !stopping); }, std::chrono::milliseconds(500));
    }
    if (!arguments.quiet) std::fprintf(stderr, "\n");

    int failures = refused;
    std::lock_guard<std::mutex> lock(resultsLock);
    for (auto& [index, result] : results) {
        if (result.finished) {
            if (!arguments.quiet) std::printf("%s -> %s: done\n", result.input.c_str(), result.output.c_str());
            continue;
        }
        ++failures;
        if (result.failed) {
            std::fprintf(stderr, "%s -> %s: failed: %s\n", result.input.c_str(), result.output.c_str(),
                         result.message.c_str());
            // A half-written result is no result; an earlier file of that name is already gone.
            std::error_code ignored;
            fs::remove(result.output, ignored);
        } else {
            std::fprintf(stderr, "%s -> %s: stopped\n", result.input.c_str(), result.output.c_str());
        }
    }
    return failures == 0 ? 0 : 1;
}

int Convert(const TCliArguments& arguments)
{
    TEventLoop loop;
    TVantrel component(loop);
    component.SetLogLevel(arguments.quiet ? llQuiet : llError);
    if (!component.LoadAVLib(DefaultLibraryFolder())) {
        std::fprintf(stderr, "%s\n", component.LastErrMsg().c_str());
        return 2;
    }
    int refused = 0;
    std::vector<TConversionJob> jobs;
    if (arguments.mode == TCliMode::ConvertByFormat) {
        try {
            jobs = JobsFromForm(arguments, refused);
        } catch (const std::invalid_argument& error) {
            std::fprintf(stderr, "mirelk-cli: %s\n", error.what());
            return 2;
        }
    } else {
        for (const auto& [output, input] : arguments.conversions) {
            TConversionJob job;
            job.input = input;
            job.output = output;
            job.inputOptions.ExtOptions = arguments.inputOptions;
            job.outputOptions = OutputRecordFromText(arguments.outputOptions);
            jobs.push_back(std::move(job));
        }
    }
    return RunJobs(arguments, std::move(jobs), refused, loop, component);
}

}  // namespace

int main(int argc, char** argv)
{
    mirelk::RaiseOpenFileLimit();
    const TCliArguments arguments = ParseCliArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "mirelk-cli: %s\n\n%s", arguments.error.c_str(), CliUsage().c_str());
        return 2;
    }
    try {
        switch (arguments.mode) {
        case TCliMode::Help: std::printf("%s", CliUsage().c_str()); return 0;
        case TCliMode::SelfCheck: return SelfCheck();
        case TCliMode::Info: return Info(arguments.infoFiles);
        case TCliMode::Convert:
        case TCliMode::ConvertByFormat: return Convert(arguments);
        case TCliMode::ListFormats: std::printf("%s", FormatListText().c_str()); return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mirelk-cli: %s\n", error.what());
        return 2;
    }
    return 0;
}
