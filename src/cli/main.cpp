// mirelk-cli: the command-line front end on the conversion component.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "binding/loader.h"
#include "binding/open_file_limit.h"
#include "binding/utilities.h"
#include "cli/batch_plan.h"
#include "cli/cli_arguments.h"
#include "cli/conversion_run.h"
#include "cli/failure_line.h"
#include "cli/form_jobs.h"
#include "cli/info_json.h"
#include "cli/json_lines.h"
#include "component/event_loop.h"
#include "component/vantrel.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/option_lines.h"
#include "form/option_form.h"
#include "probe/av_probe.h"

namespace {

using namespace mirelk;
namespace fs = std::filesystem;

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

int Info(const TCliArguments& arguments)
{
    FFLoader().SetLibraryPath(DefaultLibraryFolder());
    if (!FFLoader().LoadLibs(DefaultAVLibraries)) {
        std::fprintf(stderr, "mirelk-cli: %s\n", FFLoader().LastErrMsg().c_str());
        return 1;
    }
    TJsonLines json(stdout);
    int failures = 0;
    for (const std::string& file : arguments.infoFiles) {
        if (arguments.json) {
            std::string error;
            json.Write(DescribeFile(file, error));
            if (!error.empty()) {
                std::fprintf(stderr, "%s\n", FailureLine(file, "", error).c_str());
                ++failures;
            }
            continue;
        }
        TAVProbe probe;
        if (!probe.Open(file)) {
            std::fprintf(stderr, "%s\n", FailureLine(file, "", probe.LastErrMsg()).c_str());
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
    for (const auto& [name, value] : OptionLines(text)) {
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

int Convert(const TCliArguments& arguments)
{
    TEventLoop loop;
    // Made before the component and so gone after it: the component's handlers call into it
    // until the component (with its tasks) is gone.
    std::unique_ptr<TConversionRun> runner;
    TVantrel component(loop);
    component.SetLogLevel(static_cast<TLogLevel>(arguments.logLevel));
    runner = std::make_unique<TConversionRun>(arguments, loop, component);
    TConversionRun& run = *runner;
    std::string journalError;
    if (!run.OpenJournal(journalError)) {
        std::fprintf(stderr, "mirelk-cli: %s\n", journalError.c_str());
        return 1;
    }
    // Lines of the libraries while files are opened belong to no task yet.
    component.OnLog = [&run](int, TLogLevel level, const std::string& message) { run.Log(level, message); };
    if (!component.LoadAVLib(DefaultLibraryFolder())) {
        std::fprintf(stderr, "mirelk-cli: %s\n", component.LastErrMsg().c_str());
        return 1;
    }
    TOptionForm form;
    // With shards, or when a run is to be repeated, the names must not depend on what is on the
    // disk: every shard names every output as the others would.
    const bool plannedNames = arguments.shard.count > 1 || arguments.skipDone;
    if (arguments.mode == TCliMode::ConvertByFormat) {
        try {
            ApplyFormChoices(arguments, form);
        } catch (const std::invalid_argument& error) {
            std::fprintf(stderr, "mirelk-cli: %s\n", error.what());
            return 2;
        }
    }
    const TBatchPlan plan = PlanBatch(arguments, form.Settings.OutputFolder);
    for (const TBatchEntry& entry : plan.duplicates) run.Duplicate({entry.task, entry.input, entry.output});
    std::vector<TConversionJob> jobs;
    if (arguments.mode == TCliMode::ConvertByFormat) {
        jobs = JobsFromForm(arguments, form, plan.entries, plannedNames,
                            [&run](const TBatchEntry& entry, const std::string& message) {
                                run.Refuse({entry.task, entry.input, entry.output}, message);
                            });
    } else {
        for (const TBatchEntry& entry : plan.entries) {
            TConversionJob job;
            job.task = entry.task;
            job.input = entry.input;
            job.output = entry.output;
            job.inputOptions.ExtOptions = arguments.inputOptions;
            job.outputOptions = OutputRecordFromText(arguments.outputOptions);
            jobs.push_back(std::move(job));
        }
    }
    return run.Run(std::move(jobs));
}

}  // namespace

int main(int argc, char** argv)
{
    mirelk::RaiseOpenFileLimit();
    const TCliArguments arguments = ParseCliArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "mirelk-cli: %s (see mirelk-cli --help)\n", arguments.error.c_str());
        return 2;
    }
    try {
        switch (arguments.mode) {
        case TCliMode::Help: std::printf("%s", CliUsage().c_str()); return 0;
        case TCliMode::SelfCheck: return SelfCheck();
        case TCliMode::Info: return Info(arguments);
        case TCliMode::Convert:
        case TCliMode::ConvertByFormat: return Convert(arguments);
        case TCliMode::ListFormats: std::printf("%s", FormatListText().c_str()); return 0;
        case TCliMode::ListPresets: std::printf("%s", PresetListText().c_str()); return 0;
        case TCliMode::SavePreset: return SavePreset(arguments);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mirelk-cli: %s\n", error.what());
        return 1;
    }
    return 0;
}
