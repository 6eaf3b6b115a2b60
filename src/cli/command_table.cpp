// The sub-commands of kivo-cli, in the order --help lists them.
#include "cli.h"

namespace kivo::cli {

int RunHelp(const Args& args, WriteOptions& options);
int RunInfo(const Args& args, WriteOptions& options);
int RunConvert(const Args& args, WriteOptions& options);
int RunExtract(const Args& args, WriteOptions& options);
int RunRender(const Args& args, WriteOptions& options);
int RunBlank(const Args& args, WriteOptions& options);
int RunCodecs(const Args& args, WriteOptions& options);

namespace {

constexpr char kHelpDetails[] =
    "  COMMAND    a command's arguments, each explained\n"
    "  options    the write options that 'convert --set' changes: names, values, defaults\n";

constexpr char kInfoDetails[] =
    "Reads GIF and MNG animations, AVI, MP4, WebM and other videos FFmpeg reads, and\n"
    "PNG, JPEG, BMP and Targa pictures\n"
    "(a picture shows as an animation of one frame). Shows what the reader finds: the logical\n"
    "screen, the size of the global palette, the loop setting, the trailing comment,\n"
    "and one line per frame with its placement, delay (hundredths of a second),\n"
    "whether it has a delay, disposal, transparent colour, local palette size and\n"
    "comment. For MNG also the MHDR profile, ticks per second, the TERM settings and\n"
    "the text keys.\n"
    "\n"
    "  --json       the same as one JSON object, named as the engine's fields\n"
    "  -q, --quiet  no progress line\n"
    "\n"
    "Comments are shown as UTF-8 when they are UTF-8, otherwise read as code page 932\n"
    "(Shift-JIS); control characters in them appear escaped (\\n, \\x1b).\n"
    "Exit status: 0 shown, 1 unreadable file, 2 wrong arguments, 130 cancelled (Ctrl-C).\n";

constexpr char kConvertDetails[] =
    "One GIF, MNG, APNG or WebP input opens as it is, with its loop setting and\n"
    "comments. Several inputs (GIF, MNG, APNG, WebP, videos, PNG, JPEG, JNG, BMP,\n"
    "Targa) become the frames of a new animation, in the order given, looping forever\n"
    "unless --loop says otherwise. A video's frames are its pictures, equal pictures\n"
    "in a row joined into one frame whose delay is their summed time.\n"
    "An .mp4 output is H.264 and a .webm output VP9 (with transparency when the\n"
    "animation has some), each frame stamped with its own time, so uneven delays are\n"
    "kept exactly. A file's content decides how it is read, whatever its name.\n"
    "\n"
    "  -o, --output FILE     the file to write, in the format its extension names\n"
    "                        (Formats, below): any number of frames where the format\n"
    "                        writes, a single frame where it writes one frame. An\n"
    "                        existing file is replaced only once the new one is\n"
    "                        complete, keeping its permissions.\n"
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
    "  --optimize            make the file smaller without changing what it shows:\n"
    "                        each frame is cut down to the area that differs from\n"
    "                        the frame before it, frames that change nothing are\n"
    "                        dropped (their time goes to the frame still showing),\n"
    "                        and pixels that repeat the screen become transparent\n"
    "                        where that makes the frame smaller (--set\n"
    "                        OptimizeWithTransparency=0 leaves them). Never larger\n"
    "                        than the file without it, which is written instead\n"
    "                        when smaller. Runs after --delay.\n"
    "  --lossy N             GIF: lossy compression, 1 (slight) to 200 (strongest);\n"
    "                        pixels may take a nearby colour where that makes the\n"
    "                        file smaller, the difference spread to their\n"
    "                        neighbours so gradients stay smooth. Default 0: exact.\n"
    "  --max-size SIZE       GIF: the file must fit in SIZE bytes (500K, 2M or a\n"
    "                        number; K = 1024). Finds the least lossiness that fits,\n"
    "                        then, if even 200 does not, fewer colours (128, 64 ...\n"
    "                        8); frames are never dropped or scaled. Prints the\n"
    "                        settings chosen, the size and the PSNR against the\n"
    "                        input; fails, writing nothing, when nothing fits.\n"
    "  --lossless            a .webp output stores every frame losslessly (the default\n"
    "                        unless kivo.ini says otherwise).\n"
    "  --quality Q           a .webp output's quality, 0-100 (default 75): given\n"
    "                        without --lossless (or with --lossy N), the frames are\n"
    "                        stored lossy at that quality; with --lossless, the\n"
    "                        effort spent on size.\n"
    "  --codec NAME          the encoder of an .avi output (default rawvideo,\n"
    "                        uncompressed); 'kivo-cli codecs' lists them. The video\n"
    "                        shows what the animation shows, at one fixed rate.\n"
    "  --fps N               read video inputs at N pictures a second (each sample\n"
    "                        shows the latest picture begun by then); default: the\n"
    "                        clip's own pictures and times.\n"
    "  --start T             read video inputs from T on: seconds (12.5), M:SS or\n"
    "                        H:MM:SS. Default: the beginning.\n"
    "  --duration T          read only T of video inputs (same forms as --start).\n"
    "                        A clip whose frames would not fit into memory is\n"
    "                        refused before decoding, with the numbers; these\n"
    "                        three options take a part of it.\n"
    "  --set NAME=VALUE      any write option by name, for example --set MaxColors=64;\n"
    "                        'kivo-cli help options' lists names, values and defaults.\n"
    "  -q, --quiet           no progress line.\n"
    "  --no-config           ignore the settings file: every write option starts\n"
    "                        at its built-in default.\n"
    "\n"
    "The write options start as the settings file kivo.ini has them, which the\n"
    "editor writes: $KIVO_INI when set, else kivo.ini beside kivo-cli when there is\n"
    "one, else $XDG_CONFIG_HOME/kivo/kivo.ini (~/.config/kivo/kivo.ini); kivo-cli\n"
    "never changes it. The options given here apply on top.\n"
    "\n"
    "Options given as --name=value work too. Exit status: 0 written, 1 failed (the\n"
    "reason follows the message), 2 wrong arguments, 130 cancelled (Ctrl-C; the output\n"
    "is left as it was).\n";

constexpr char kExtractDetails[] =
    "Writes chosen frames of any readable file as files of their own, named\n"
    "BASE_N.EXT with N the frame's number, padded to two digits from 10 frames on\n"
    "and to three from 100 (anim_3.gif, anim_03.gif, anim_003.gif).\n"
    "\n"
    "  --frames LIST      frames counted from 1, as numbers and ranges: 1,3-5.\n"
    "                     Default: every frame.\n"
    "  --format FORMAT    bmp, png or gif (default gif). A GIF frame keeps its place\n"
    "                     on the animation's screen.\n"
    "  --dir FOLDER       where the files go (default: the input's folder).\n"
    "  --name BASE        the files' base name (default: the input's name without\n"
    "                     its extension).\n"
    "  --no-overwrite     leave existing files alone (they count as written).\n"
    "\n"
    "Prints the name of every file. Exit status: 0 written, 1 failed (files written\n"
    "before the failure stay), 2 wrong arguments.\n";

constexpr char kRenderDetails[] =
    "Writes what the editor's preview shows while each chosen frame is on: the whole\n"
    "logical screen, every frame before it drawn in turn with its placement,\n"
    "transparent colour and disposal, as on the first run through the animation.\n"
    "Parts of frames outside the screen are cut off. An MNG input clears the whole\n"
    "screen where a frame's disposal restores the background; a GIF only the frame's\n"
    "own area.\n"
    "\n"
    "  --frames LIST        frames counted from 1, as numbers and ranges: 1,3-5.\n"
    "                       Default: every frame.\n"
    "  --view-mode 0|1      0 (default): restore-previous puts back what was under\n"
    "                       the frame. 1: the first frame starts on a cleared screen\n"
    "                       and restore-previous leaves the frame in place.\n"
    "  --background RRGGBB  the colour of the screen where no frame has drawn, in\n"
    "                       hexadecimal (ff0000 is red). Default: transparent, and\n"
    "                       the pictures have an alpha channel.\n"
    "  -o, --output OUT     a folder (made when missing) for BASE_N.png files, BASE\n"
    "                       the input's name and N the frame's number, padded as\n"
    "                       extract pads it; or one FILE.png when one frame is chosen.\n"
    "\n"
    "Prints the name of every file. Exit status: 0 written, 1 failed, 2 wrong\n"
    "arguments, 130 cancelled (Ctrl-C).\n";

constexpr char kBlankDetails[] =
    "Makes a new animation of white frames to draw on elsewhere.\n"
    "\n"
    "  --size WxH         each frame's width and height in pixels (1-65535).\n"
    "  --count N          how many frames (1-10000, default 1).\n"
    "  --delay CS         each frame's delay in hundredths of a second (default 10).\n"
    "  -o, --output FILE  a format that writes, for any count; one that writes one\n"
    "                     frame, for one frame (Formats, below).\n";

constexpr char kCodecsDetails[] =
    "One line per video encoder of the installed FFmpeg that an AVI file can hold:\n"
    "its name for 'convert --codec' and its description. rawvideo (uncompressed, the\n"
    "default) comes first. Encoders marked as keeping 256-colour frames store an\n"
    "animation whose frames fit 256 colours with its palette; the others get\n"
    "full-colour pictures.\n";

}  // namespace

static const Command kCommands[] = {
    {"help", "[COMMAND | options]", "show help for kivo-cli, one command or the write options", RunHelp,
     kHelpDetails},
    {"info", "FILE [--json]", "show an animation's or a picture's screen, loop settings and frames",
     RunInfo, kInfoDetails},
    {"convert",
     "INPUT... -o OUTPUT [--max-colors N] [--separate-palettes] [--dither] [--interlace]\n"
     "         [--set NAME=VALUE]... [--loop N|forever|off] [--delay CS] [--optimize]\n"
     "         [--codec NAME] [--fps N] [--start T] [--duration T]\n"
     "         [--lossy N] [--max-size SIZE] [--lossless] [--quality Q] [--no-config]",
     "join animations, videos and pictures into one animation or video, or save one frame as a picture",
     RunConvert, kConvertDetails, true},
    {"extract",
     "INPUT [--frames LIST] [--format bmp|png|gif] [--dir FOLDER] [--name BASE] [--no-overwrite]",
     "write chosen frames as separate BMP, PNG or GIF files", RunExtract, kExtractDetails},
    {"render", "INPUT [--frames LIST] [--view-mode 0|1] [--background RRGGBB] -o FOLDER|FILE.png",
     "write what the preview shows for chosen frames as PNG pictures", RunRender, kRenderDetails},
    {"blank", "--size WxH [--count N] [--delay CS] -o OUTPUT", "make a new animation of white frames",
     RunBlank, kBlankDetails, true},
    {"codecs", "", "list the encoders an .avi output can use (convert --codec)", RunCodecs, kCodecsDetails},
};

std::span<const Command> Commands() { return kCommands; }

}  // namespace kivo::cli
