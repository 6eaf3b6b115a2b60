#include "cli.h"

#include <cstdio>
#include <cstring>

#include "platform/terminal_backend.h"

namespace kivo::cli {

namespace {

void PrintOverview() {
    std::printf(
        "kivo-cli %s - the Kivo animation engine from the command line\n\n"
        "Usage: kivo-cli COMMAND [ARGS...]\n"
        "       kivo-cli --help | --version\n\n"
        "Commands:\n",
        KIVO_VERSION);
    for (const Command& c : Commands()) std::printf("  %-10s %s\n", c.name, c.summary);
    std::printf("\nRun 'kivo-cli help COMMAND' for a command's arguments.\n");
}

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const Command& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

int UsageError(const Command& cmd, const std::string& why) {
    std::fprintf(stderr, "kivo-cli %s: %s\nUsage: kivo-cli %s %s\n", cmd.name, why.c_str(),
                 cmd.name, cmd.usage);
    return 2;
}

int RunHelp(const Args& args) {
    if (args.empty()) {
        PrintOverview();
        return 0;
    }
    const Command* c = FindCommand(args[0]);
    if (!c) {
        std::fprintf(stderr, "kivo-cli: unknown command '%s'\n", args[0].c_str());
        return 2;
    }
    std::printf("Usage: kivo-cli %s %s\n  %s\n", c->name, c->usage, c->summary);
    return 0;
}

int Main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintOverview();
        return argc < 2 ? 2 : 0;
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
    // --quiet is common to every command: no progress line even on a terminal.
    Args args;
    bool quiet = false;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") return RunHelp({c->name});
        if (a == "--quiet" || a == "-q") quiet = true;
        else args.push_back(std::move(a));
    }
    InstallTerminalBackend(quiet);
    return c->run(args);
}

}  // namespace kivo::cli
