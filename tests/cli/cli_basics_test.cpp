// Runs the real kivo-cli binary, as a user or a script would.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int status;
    std::string out;
};

CliRun RunCli(const std::string& args) {
    const char* cli = std::getenv("KIVO_CLI");
    std::string cmd = std::string(cli ? cli : "kivo-cli") + " " + args + " 2>&1";
    CliRun r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TEST(CliBasics, HelpVersionAndUnknownCommands) {
    CliRun help = RunCli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: kivo-cli COMMAND"), std::string::npos);
    EXPECT_NE(help.out.find("help"), std::string::npos);

    CliRun version = RunCli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("kivo-cli ", 0), 0u);

    CliRun unknown = RunCli("frobnicate");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.out.find("unknown command"), std::string::npos);

    EXPECT_EQ(RunCli("").status, 2);  // no command: help on stderr, usage status
    EXPECT_EQ(RunCli("help help").status, 0);
}

}  // namespace
