// Conversions described by the option form's rules: a file and a format (with a few choices)
// become the two records of a task.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/batch_plan.h"
#include "cli/cli_arguments.h"
#include "component/conversion_records.h"
#include "form/option_form.h"

namespace mirelk {

struct TConversionJob {
    int task = 0;  // the place in the command line's list, from 1
    std::string input;
    std::string output;
    TInputOptions inputOptions;
    TOutputOptions outputOptions;
    // What the output should last, in seconds (the input, or its clip); -1 when not known.
    double expectedSeconds = -1;
};

// The option form's settings from the command line's choices (the output folder is made when
// missing); a bad choice throws std::invalid_argument with its reason.
void ApplyFormChoices(const TCliArguments& arguments, TOptionForm& form);

// The jobs for the entries (the libraries must be loaded, the form's choices applied). An input
// that cannot be read is handed to refuse with the prober's message. With plannedNames the
// output names are the entries' planned ones (see PlannedOutputName), whatever is on the disk.
std::vector<TConversionJob> JobsFromForm(const TCliArguments& arguments, TOptionForm& form,
                                         const std::vector<TBatchEntry>& entries, bool plannedNames,
                                         const std::function<void(const TBatchEntry&, const std::string&)>& refuse);

// One line a format: its name and what it writes.
std::string FormatListText();
// One line a preset, the built-in ones marked.
std::string PresetListText();
// Saves the command line's choices as a preset; the exit status.
int SavePreset(const TCliArguments& arguments);

}  // namespace mirelk
