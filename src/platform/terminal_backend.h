// The kivo-cli backend: errors on stderr (with an English line when the user
// does not read Japanese), a progress line on a terminal only, Ctrl-C asks the
// running operation to cancel.
#pragma once

#include "platform/platform.h"

namespace kivo {

// Installs the terminal backend and its signal handlers. quiet suppresses the
// progress line even on a terminal.
//
// Ctrl-C is a request that stays pending: an operation in a phase that cannot
// be cancelled runs on until it reaches one that can, and stops there. A second
// Ctrl-C ends the process at once (status 130); so do SIGTERM and SIGHUP. Either
// way the temporary files of a save in progress are removed first.
void InstallTerminalBackend(bool quiet);
// True once Ctrl-C was pressed: the command stops at its next step and exits
// with 130.
bool InterruptRequested();
// Puts back the default backend and the signal dispositions found at install,
// and forgets a pending Ctrl-C (tests).
void UninstallTerminalBackend();

}  // namespace kivo
