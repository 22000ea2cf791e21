// The number of files the process may hold open. Desktop sessions start programs with a soft
// limit (often 1024, sometimes 256) far below the hard limit the system allows; a batch of many
// files at once needs more than the soft limit on a busy run.
#pragma once

namespace mirelk {

// Raises the soft limit of open files to the hard limit. Returns the soft limit in force
// afterwards, or -1 when the system does not tell it.
long RaiseOpenFileLimit();

}  // namespace mirelk
