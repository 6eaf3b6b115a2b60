// kivo-cli on pictures at the edges of their sizes: GIF sizes and places that use
// all 16 bits survive convert and show in info as the numbers they are; a picture
// without pixels is refused rather than written into a file decoders reject.
#include <gtest/gtest.h>

#include <string>

#include "gif/gif_read_builder.h"

namespace kivo::test {
namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

TEST(CliPictureSizes, GifValuesAbove32767SurviveConvertAndShowInInfo) {
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

TEST(CliPictureSizes, BmpWithoutPixelsIsRefusedWithAReason) {
    TempFolder dir;
    const std::string in = dir.file("flat.bmp"), out = dir.file("out.gif");
    Bytes b;
    b.str("BM").u32(54).u32(0).u32(54);
    b.u32(40).u32(5).u32(0).u16(1).u16(24).u32(0).u32(0).u32(39).u32(39).u32(0).u32(0);
    ASSERT_TRUE(WriteFile(in, b.data));
    CliRun r = RunCli("convert " + Quote(in) + " -o " + Quote(out) + " --quiet");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("幅か高さが 0 の画像は読み込めません。"), std::string::npos) << r.out;
    EXPECT_TRUE(ReadFile(out).empty());
}

}  // namespace
}  // namespace kivo::test
