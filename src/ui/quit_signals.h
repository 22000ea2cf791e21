// SIGTERM, SIGINT and SIGHUP (a session that ends, Ctrl-C in the terminal the program was started
// from) reach the desktop program as a call on its main thread instead of ending it where it
// stands, so that a run is stopped as the Stop button stops it: the files being written are kept
// whole under a name that says they were stopped.
#pragma once

#include <functional>

namespace mirelk::ui {

// Installs the handlers; onSignal runs on the main thread, once per signal received. Call once,
// after the application object exists. False when the signals could not be caught.
bool CatchQuitSignals(std::function<void()> onSignal);

}  // namespace mirelk::ui
