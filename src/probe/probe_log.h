// The prober's messages. They go into the libraries' log with no context, as the libraries'
// own lines do, so the program's one log route shows them beside the library's.
#pragma once

#include <string>

namespace mirelk::probing {

// engineLevel on the program's scale (0 error, 1 info, 2 debug); text carries its own "\n".
void ProbeLog(int engineLevel, const std::string& text);

}  // namespace mirelk::probing
