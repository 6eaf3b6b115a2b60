// The sub-commands of kivo-cli, in the order --help lists them.
#include "cli.h"

namespace kivo::cli {

int RunHelp(const Args& args);
int RunInfo(const Args& args);
int RunConvert(const Args& args);

static const Command kCommands[] = {
    {"help", "[COMMAND]", "show help for kivo-cli or one command", RunHelp},
    {"info", "FILE [--json]", "show a GIF animation's screen, loop settings and frames", RunInfo},
    {"convert",
     "INPUT... -o OUTPUT.gif [--max-colors N] [--separate-palettes] [--dither] [--interlace]\n"
     "         [--set NAME=VALUE]... [--loop N|forever|off] [--delay CS]",
     "save GIF, BMP files as one animated GIF (one GIF input opens as it is)", RunConvert},
};

std::span<const Command> Commands() { return kCommands; }

}  // namespace kivo::cli
