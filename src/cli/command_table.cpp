// The sub-commands of kivo-cli, in the order --help lists them.
#include "cli.h"

namespace kivo::cli {

int RunHelp(const Args& args);
int RunInfo(const Args& args);

static const Command kCommands[] = {
    {"help", "[COMMAND]", "show help for kivo-cli or one command", RunHelp},
    {"info", "FILE [--json]", "show a GIF animation's screen, loop settings and frames", RunInfo},
};

std::span<const Command> Commands() { return kCommands; }

}  // namespace kivo::cli
