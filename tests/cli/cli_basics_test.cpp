// Runs the real kivo-cli binary, as a user or a script would.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kivo::test::CliRun;
using kivo::test::RunCli;

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
