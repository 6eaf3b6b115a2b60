// kivo-cli: the headless front end. Each sub-command is a small unit with its own
// file (cmd_<name>.cpp) and one line in the command table.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "options/write_options.h"

namespace kivo::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // arguments after the name
    const char* summary;  // one line for --help
    // Exit status: 0 success, 1 failure, 2 usage, 130 cancelled. options: this
    // run's write options (the settings file's unless --no-config), which the
    // command may change (--set) and hands to what it reads and writes.
    int (*run)(const Args& args, WriteOptions& options);
    const char* details = nullptr;  // what 'kivo-cli help NAME' adds: every argument explained
    bool listsFormats = false;      // its help ends with the formats of the io table
};

std::span<const Command> Commands();

// Runs kivo-cli with argv[1..]: the sub-command, --help or --version.
int Main(int argc, char** argv);

// Shared helpers for commands.
int UsageError(const Command& cmd, const std::string& why);
// Says that Ctrl-C stopped the command; returns its exit status, 130.
int Cancelled(const Command& cmd);
const Command* FindCommand(const std::string& name);
// Why a document of frameCount frames (-1: not known yet) cannot be written under
// this name, or empty: the name must say a format that kivo-cli writes, and a
// picture format holds one frame.
std::string OutputFormatProblem(const std::string& path, int frameCount);
// Seconds as "12.5", "1:02.5" or "1:02:03"; false for anything else.
bool ParseSeconds(const std::string& text, double& seconds);

}  // namespace kivo::cli
