#include "cli/batch_plan.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "form/option_form_settings.h"
#include "form/output_file_name.h"
#include "binding/entry_points.h"
#include "probe/av_probe.h"
#include "engine/files/output_check.h"

namespace mirelk {

namespace {

namespace fs = std::filesystem;

// The same file named two ways ("a.mp4", "./a.mp4", "/x/a.mp4") is one key; nothing is read
// from the disk, so that every shard, on every host, computes the same keys.
std::string PathKey(const std::string& name)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(name, error);
    return (error ? fs::path(name) : absolute).lexically_normal().string();
}

}  // namespace

TBatchPlan PlanBatch(const TCliArguments& arguments, const std::string& outputFolder)
{
    std::vector<TBatchEntry> list;
    int task = 0;
    if (arguments.mode == TCliMode::Convert) {
        for (const auto& [output, input] : arguments.conversions) list.push_back({++task, input, output, 0});
    } else {
        for (const std::string& input : arguments.files) list.push_back({++task, input, std::string(), 0});
    }

    TBatchPlan plan;
    std::set<std::string> seen;
    std::map<std::string, int> baseNames;
    std::vector<TBatchEntry> unique;
    for (TBatchEntry& entry : list) {
        const std::string key = PathKey(entry.input) + '\n' + (entry.output.empty() ? "" : PathKey(entry.output));
        if (!seen.insert(key).second) {
            plan.duplicates.push_back(entry);
            continue;
        }
        if (entry.output.empty()) entry.nameNumber = baseNames[PathKey(form::OutputBaseName(outputFolder, entry.input))]++;
        unique.push_back(entry);
    }
    const auto count = static_cast<std::size_t>(arguments.shard.count);
    for (std::size_t i = static_cast<std::size_t>(arguments.shard.index - 1); i < unique.size(); i += count)
        plan.entries.push_back(unique[i]);
    return plan;
}

std::string PlannedOutputName(const std::string& outputFolder, const std::string& input, const std::string& ending,
                              int nameNumber)
{
    const std::string base = form::OutputBaseName(outputFolder, input);
    return base + (nameNumber == 0 ? std::string("_(new)") : "_(new_" + std::to_string(nameNumber) + ")") + ending;
}

double MediaDuration(const std::string& file)
{
    TAVProbe probe;
    if (!probe.Open(file)) return -1;
    const std::int64_t duration = probe.GetFileInfo().Duration;
    return duration < 0 ? -1 : duration / 1e6;
}

bool OutputIsComplete(const std::string& output, double expectedSeconds)
{
    if (expectedSeconds < 0) return false;
    // The check a run makes of its own outputs: it reads the index where the format has one.
    return CheckOutputFile(output, output, {}, static_cast<std::int64_t>(expectedSeconds * 1e6)).empty();
}

}  // namespace mirelk
