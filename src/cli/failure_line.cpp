#include "cli/failure_line.h"

namespace mirelk {

std::string FailureLine(const std::string& input, const std::string& output, const std::string& message)
{
    std::string subject;
    if (input.empty() || message.find(input) != std::string::npos) subject = output;
    else subject = output.empty() ? input : input + " -> " + output;
    return "mirelk-cli: " + (subject.empty() ? message : subject + ": " + message);
}

}  // namespace mirelk
