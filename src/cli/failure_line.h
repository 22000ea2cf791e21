// The one shape of mirelk-cli's failure lines on standard error, so that a script can pick them
// out: "mirelk-cli: ", the input (and the output where there is one), and the message of the
// component or the task as it gave it. A message that names the input already is not given the
// input again.
#pragma once

#include <string>

namespace mirelk {

// "mirelk-cli: INPUT -> OUTPUT: MESSAGE", "mirelk-cli: INPUT: MESSAGE" without an output; when
// MESSAGE holds INPUT, "mirelk-cli: OUTPUT: MESSAGE" or "mirelk-cli: MESSAGE".
std::string FailureLine(const std::string& input, const std::string& output, const std::string& message);

}  // namespace mirelk
