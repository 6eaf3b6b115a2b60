#include "cli.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "options/option_settings.h"
#include "options/write_options.h"
#include "io/file_formats.h"
#include "platform/settings_file.h"
#include "platform/terminal_backend.h"

namespace kivo::cli {

namespace {

// To stdout when asked for, to stderr when it answers a mistake, so that it
// never passes for a command's output.
// The formats as the io table has them, so a new format shows up here by itself.
std::string FormatsHelp() {
    std::string text = "Formats, chosen by the file's content, else by its extension:\n";
    for (const FileFormat& f : FileFormats()) {
        std::string ext;
        for (char c : f.extensions) ext += c == ' ' ? std::string(" .") : std::string(1, char(std::tolower(c)));
        std::string what;
        if (f.readAnimation || f.readFrame) what += "read";
        if (f.writeDocument) what += what.empty() ? "write" : ", write";
        else if (f.writeFrame) what += what.empty() ? "write one frame" : ", write one frame";
        text += "  " + std::string(f.name) + std::string(size_t(std::max(1, 7 - int(f.name.size()))), ' ') + "." + ext +
                std::string(size_t(std::max(1, 12 - int(ext.size()))), ' ') + what + "\n";
    }
    return text;
}

void PrintOverview(std::FILE* out) {
    std::fprintf(out,
                 "kivo-cli %s - the Kivo animation engine from the command line\n\n"
                 "Usage: kivo-cli COMMAND [ARGS...]\n"
                 "       kivo-cli --help | --version\n\n"
                 "Commands:\n",
                 KIVO_VERSION);
    for (const Command& c : Commands()) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fprintf(out, "\n%s", FormatsHelp().c_str());
    std::fprintf(out,
                 "\nRun 'kivo-cli help COMMAND' for a command's arguments, and\n"
                 "'kivo-cli help options' for the write options that --set changes.\n");
}

void PrintWriteOptions() {
    std::printf("Write options, set with 'kivo-cli convert ... --set NAME=VALUE':\n\n");
    const std::vector<WriteOptionInfo> options = UserWriteOptions();
    int width = 0;  // the longest name sets the column
    for (const WriteOptionInfo& o : options) width = std::max(width, int(o.name.size()));
    for (const WriteOptionInfo& o : options)
        std::printf("  %-*.*s  %.*s; default %d\n  %-*s  %.*s\n", width, int(o.name.size()), o.name.data(),
                    int(o.range.size()), o.range.data(), o.defaultValue, width, "", int(o.meaning.size()),
                    o.meaning.data());
}

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const Command& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

std::string OutputFormatProblem(const std::string& path, int frameCount) {
    const FileFormat* format = FindFileFormat(path);
    if (!format || (!format->writeDocument && !format->writeFrame))
        return "the output's name must end in the extension of a format kivo-cli writes: " +
               WritableFormatNames(true);
    if (!format->writeDocument && frameCount > 1)
        return std::string(format->name) + " holds one picture, and there are " +
               std::to_string(frameCount) + " frames: write " + WritableFormatNames(false) +
               " instead, or pick frames with 'kivo-cli extract'";
    return {};
}

int UsageError(const Command& cmd, const std::string& why) {
    std::fprintf(stderr, "kivo-cli %s: %s\nUsage: kivo-cli %s %s\n", cmd.name, why.c_str(),
                 cmd.name, cmd.usage);
    return 2;
}

int Cancelled(const Command& cmd) {
    std::fprintf(stderr, "kivo-cli %s: cancelled\n", cmd.name);
    return 130;
}

int RunHelp(const Args& args, WriteOptions&) {
    if (args.empty()) {
        PrintOverview(stdout);
        return 0;
    }
    if (args[0] == "options") {
        PrintWriteOptions();
        return 0;
    }
    const Command* c = FindCommand(args[0]);
    if (!c) {
        std::fprintf(stderr, "kivo-cli: unknown command '%s'\n", args[0].c_str());
        return 2;
    }
    std::printf("Usage: kivo-cli %s %s\n  %s\n", c->name, c->usage, c->summary);
    if (c->details && *c->details) std::printf("\n%s", c->details);
    if (c->listsFormats) std::printf("\n%s", FormatsHelp().c_str());
    return 0;
}

int Main(int argc, char** argv) {
    if (argc < 2) {
        PrintOverview(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintOverview(stdout);
        return 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        std::printf("kivo-cli %s\n", KIVO_VERSION);
        return 0;
    }
    const Command* c = FindCommand(argv[1]);
    if (!c) {
        std::fprintf(stderr, "kivo-cli: unknown command '%s' (try --help)\n", argv[1]);
        return 2;
    }
    // --quiet and --no-config are common to every command: no progress line
    // even on a terminal; the built-in option defaults instead of the user's.
    Args args;
    WriteOptions options;
    bool quiet = false, config = true;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") return RunHelp({c->name}, options);
        if (a == "--quiet" || a == "-q") quiet = true;
        else if (a == "--no-config") config = false;
        else args.push_back(std::move(a));
    }
    InstallTerminalBackend(quiet);
    // The options the user chose in the editor are kivo-cli's defaults too;
    // kivo-cli only reads the file, it never writes it.
    if (config) LoadOptionSettings(ReadSettings(SettingsPath()), options);
    return c->run(args, options);
}

}  // namespace kivo::cli
