// kivo-cli on GIF files whose sizes and places use all 16 bits: converting keeps
// them and info shows them as the numbers they are.
#include <gtest/gtest.h>

#include <string>

#include "gif/gif_read_builder.h"

namespace kivo::test {
namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

TEST(CliGifSizes, ValuesAbove32767SurviveConvertAndShowInInfo) {
    TempFolder dir;
    const std::string in = dir.file("in.gif"), out = dir.file("out.gif");
    GifBuilder g;
    g.Header(40000, 10, TestPalette(4)).Image(39990, 5, 2, 2, LiteralImageData(2, {0, 1, 2, 3}));
    g.Image(0, 0, 33000, 1, LiteralImageData(2, std::vector<uint8_t>(33000, 1)));
    ASSERT_TRUE(WriteFile(in, g.Trailer().Done()));
    CliRun r = RunCli("convert " + Quote(in) + " -o " + Quote(out) + " --quiet");
    ASSERT_EQ(r.status, 0) << r.out;

    struct Expected {
        const char* args;
        std::vector<std::string> parts;
    };
    const Expected views[] = {
        {"", {"screen: 40000 x 10", "    0  39990      5      2      2 ", "    1      0      0  33000      1 "}},
        {" --json",
         {"\"screenWidth\": 40000", "\"left\": 39990, \"top\": 5, \"width\": 2, \"height\": 2",
          "\"left\": 0, \"top\": 0, \"width\": 33000, \"height\": 1"}},
    };
    for (const Expected& v : views) {
        CliRun info = RunCli("info --quiet " + Quote(out) + v.args);
        ASSERT_EQ(info.status, 0) << info.out;
        for (const std::string& part : v.parts)
            EXPECT_NE(info.out.find(part), std::string::npos) << part << "\n" << info.out;
    }
}

}  // namespace
}  // namespace kivo::test
