// Conversions described by the option form's rules: a file and a format (with a few choices)
// become the two records of a task.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_arguments.h"
#include "component/conversion_records.h"

namespace mirelk {

struct TConversionJob {
    std::string input;
    std::string output;
    TInputOptions inputOptions;
    TOutputOptions outputOptions;
};

// The jobs for the files of the command line (the libraries must be loaded). A file that cannot
// be read is reported on standard error and counted in failures; a bad choice throws
// std::invalid_argument with its reason.
std::vector<TConversionJob> JobsFromForm(const TCliArguments& arguments, int& failures);

// One line a format: its name and what it writes.
std::string FormatListText();

}  // namespace mirelk
