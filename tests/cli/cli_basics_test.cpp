// Runs the real kivo-cli binary, as a user or a script would.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "options/write_options.h"
#include "support/test_support.h"

namespace {

using kivo::test::CliRun;
using kivo::test::RunCli;

// Output the user asked for goes to stdout; help given because of a mistake
// goes to stderr with a usage status, so that it never passes for output.
struct Split {
    int status;
    std::string out, err;
};

Split RunSplit(const std::string& args) {
    kivo::test::TempFolder dir;
    const std::string errFile = dir.file("stderr.txt");
    CliRun r = RunCli(args, errFile);
    auto err = kivo::test::ReadFile(errFile);
    return {r.status, r.out, std::string(err.begin(), err.end())};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliBasics, HelpVersionAndUnknownCommands) {
    const struct {
        const char* args;
        int status;
        bool toStdout;  // else stderr, with stdout empty
        std::vector<std::string> says;
    } cases[] = {
        // Every command's summary line, not just a word any usage line has.
        {"--help", 0, true,
         {"Usage: kivo-cli COMMAND", "\n  help       show help", "\n  info       show an animation's",
          "\n  convert    join animations, videos and pictures", "\n  extract    write chosen frames",
          "\n  blank      make a new animation", "\n  codecs     list the encoders", "kivo-cli help options"}},
        {"help", 0, true, {"Usage: kivo-cli COMMAND", "\n  convert    join", "\n  Targa  .tga         read\n"}},
        {"help blank", 0, true, {"Formats, chosen by", "\n  JPEG   .jpg .jpeg   read, write one frame\n"}},
        {"", 2, false, {"Usage: kivo-cli COMMAND", "\n  info       show"}},
        {"--version", 0, true, {"kivo-cli " KIVO_VERSION "\n"}},
        {"help help", 0, true, {"Usage: kivo-cli help [COMMAND | options]", "options    the write options"}},
        {"info --help", 0, true, {"Usage: kivo-cli info FILE [--json]", "--json", "130 cancelled"}},
        {"frobnicate", 2, false, {"unknown command 'frobnicate'"}},
        {"help frobnicate", 2, false, {"unknown command 'frobnicate'"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Split r = RunSplit(c.args);
        EXPECT_EQ(r.status, c.status);
        const std::string& shown = c.toStdout ? r.out : r.err;
        if (!c.toStdout) {
            EXPECT_EQ(r.out, "");
        }
        for (const std::string& part : c.says) EXPECT_TRUE(Has(shown, part)) << part << "\n" << shown;
    }
}

// A new user learns every option of convert from its help alone.
TEST(CliBasics, ConvertHelpExplainsEveryOption) {
    Split r = RunSplit("help convert");
    ASSERT_EQ(r.status, 0);
    for (const char* part : {
             "-o, --output FILE", "--max-colors N", "8, 16, 32, 64, 128 or 256", "(default 256)",
             "--separate-palettes", "--dither", "--interlace", "the first frame interlaced",
             "the other frames are not", "--loop N|forever|off", "repeat N more times",
             "forever (or 0): repeat without end", "off: play once", "--delay CS",
             "hundredths of a second", "--set NAME=VALUE", "kivo-cli help options", "-q, --quiet",
             "130 cancelled", "--optimize", "OptimizeWithTransparency=0", "--no-config", "kivo.ini",
             "--codec NAME", "kivo-cli codecs"})
        EXPECT_TRUE(Has(r.out, part)) << part;
}

// The list comes from the engine's option table: every option a user may set,
// its values and its default; not the codecs' own state.
TEST(CliBasics, HelpOptionsListsEveryWriteOption) {
    Split r = RunSplit("help options");
    ASSERT_EQ(r.status, 0);
    const auto options = kivo::UserWriteOptions();
    ASSERT_GE(options.size(), 8u);
    size_t width = 0;  // names pad to the longest
    for (const kivo::WriteOptionInfo& o : options) width = std::max(width, o.name.size());
    for (const kivo::WriteOptionInfo& o : options) {
        const std::string line = "  " + std::string(o.name) + std::string(width - o.name.size() + 2, ' ') +
                                 std::string(o.range) + "; default " + std::to_string(o.defaultValue);
        EXPECT_TRUE(Has(r.out, line)) << line;
        EXPECT_TRUE(Has(r.out, std::string(o.meaning))) << o.name;
    }
    EXPECT_FALSE(Has(r.out, "CodecIsMng"));
}

}  // namespace
