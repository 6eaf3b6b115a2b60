// The kivo-cli backend: errors on stderr, a progress line on a terminal only,
// Ctrl-C asks the running operation to cancel.
#pragma once

#include "platform/platform.h"

namespace kivo {

// Installs the terminal backend and its SIGINT handler. quiet suppresses the
// progress line even on a terminal.
void InstallTerminalBackend(bool quiet);

}  // namespace kivo
