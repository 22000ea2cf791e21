// Which inputs of the command line's list this run converts, and under which names, so that
// the shards of one list (each run with the same list and its own --shard K/N) never overlap,
// never miss an input, and agree on every output name without looking at each other's files.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_arguments.h"

namespace mirelk {

// One input of the list: its place in the command line's list (from 1, the task number events
// carry), and the output given with -O (empty for the form's rules).
struct TBatchEntry {
    int task = 0;
    std::string input;
    std::string output;
    // The form's output name number: 0 for "_(new)", N for "_(new_N)"; set by PlanBatch.
    int nameNumber = 0;
};

struct TBatchPlan {
    // This shard's entries, in list order.
    std::vector<TBatchEntry> entries;
    // Entries dropped because an earlier entry of the list is the same conversion.
    std::vector<TBatchEntry> duplicates;
};

// The list of the command line (the -O pairs, or the files for the form), without repeated
// entries (the same input, and for -O the same output, as an earlier entry; names compared as
// absolute, normalised paths), cut to the shard. For the form's rules each input gets the name
// number that keeps names apart within the whole list: the number of different earlier inputs
// whose output would have the same base name, in the folder of outputFolder.
TBatchPlan PlanBatch(const TCliArguments& arguments, const std::string& outputFolder);

// The form's output name without looking at the disk: base "_(new)" ending, or "_(new_N)".
std::string PlannedOutputName(const std::string& outputFolder, const std::string& input, const std::string& ending,
                              int nameNumber);

// True when the output passes the check a run makes of a finished output: it opens, and each of
// its sound and picture streams holds packets and lasts the expected duration (seconds) within
// a second or 2 %. An unknown expected duration (negative) can confirm nothing: false. The
// libraries must be loaded.
bool OutputIsComplete(const std::string& output, double expectedSeconds);

// The duration in seconds of a file as the prober reads it, -1 when unknown or unreadable.
double MediaDuration(const std::string& file);

}  // namespace mirelk
