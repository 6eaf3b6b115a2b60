// The sub-commands of kivo-cli, in the order --help lists them.
#include "cli.h"

namespace kivo::cli {

int RunHelp(const Args& args);
int RunInfo(const Args& args);
int RunConvert(const Args& args);

namespace {

constexpr char kHelpDetails[] =
    "  COMMAND    a command's arguments, each explained\n"
    "  options    the write options that 'convert --set' changes: names, values, defaults\n";

constexpr char kInfoDetails[] =
    "Shows what the reader finds: the logical screen, the size of the global\n"
    "palette, the loop setting, the trailing comment, and one line per frame with\n"
    "its placement, delay (hundredths of a second), whether it has a delay, disposal,\n"
    "transparent colour, local palette size and comment.\n"
    "\n"
    "  --json       the same as one JSON object, named as the engine's fields\n"
    "  -q, --quiet  no progress line\n"
    "\n"
    "Comments are shown as UTF-8 when they are UTF-8, otherwise read as code page 932\n"
    "(Shift-JIS); control characters in them appear escaped (\\n, \\x1b).\n"
    "Exit status: 0 shown, 1 unreadable file, 2 wrong arguments, 130 cancelled (Ctrl-C).\n";

constexpr char kConvertDetails[] =
    "One GIF input opens as it is, with its loop setting and comments. Several inputs\n"
    "(GIF, BMP) become the frames of a new animation, in the order given, looping\n"
    "forever unless --loop says otherwise.\n"
    "\n"
    "  -o, --output FILE     the GIF to write. An existing file is replaced only once\n"
    "                        the new one is complete, keeping its permissions.\n"
    "  --max-colors N        at most N colours per palette: 8, 16, 32, 64, 128 or 256\n"
    "                        (default 256). Frames with more are reduced.\n"
    "  --separate-palettes   every frame gets a palette of its own, instead of one\n"
    "                        global palette shared as far as possible.\n"
    "  --dither              reduce and dither every frame, also those whose colours\n"
    "                        would fit a palette as they are.\n"
    "  --interlace           store the first frame interlaced, so that a slow viewer\n"
    "                        shows it coarse at once; the other frames are not.\n"
    "  --loop N|forever|off  N (1-65535): play once, then repeat N more times;\n"
    "                        forever (or 0): repeat without end; off: play once\n"
    "                        (no loop block). Default: as the input has it.\n"
    "  --delay CS            every frame shows for CS hundredths of a second (0-65535).\n"
    "  --set NAME=VALUE      any write option by name, for example --set MaxColors=64;\n"
    "                        'kivo-cli help options' lists names, values and defaults.\n"
    "  -q, --quiet           no progress line.\n"
    "\n"
    "Options given as --name=value work too. Exit status: 0 written, 1 failed (the\n"
    "reason follows the message), 2 wrong arguments, 130 cancelled (Ctrl-C; the output\n"
    "is left as it was).\n";

}  // namespace

static const Command kCommands[] = {
    {"help", "[COMMAND | options]", "show help for kivo-cli, one command or the write options", RunHelp,
     kHelpDetails},
    {"info", "FILE [--json]", "show a GIF animation's screen, loop settings and frames", RunInfo,
     kInfoDetails},
    {"convert",
     "INPUT... -o OUTPUT.gif [--max-colors N] [--separate-palettes] [--dither] [--interlace]\n"
     "         [--set NAME=VALUE]... [--loop N|forever|off] [--delay CS]",
     "save GIF, BMP files as one animated GIF (one GIF input opens as it is)", RunConvert,
     kConvertDetails},
};

std::span<const Command> Commands() { return kCommands; }

}  // namespace kivo::cli
