// kivo-cli info, run as a user or a script would.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gif/gif_read_builder.h"
#include "platform/stored_text.h"

namespace kivo::test {
namespace {

struct CliResult {
    int status = -1;
    std::string out, err;
};

CliResult Info(const TempFolder& dir, const std::string& args) {
    const std::string errFile = dir.file("stderr.txt");
    const CliRun run = RunCli("info --quiet " + args, errFile);
    CliResult r;
    r.status = run.status;
    r.out = run.out;
    auto err = ReadFile(errFile);
    r.err.assign(err.begin(), err.end());
    return r;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliInfo : public ::testing::Test {
protected:
    void SetUp() override {
        const Palette pal = TestPalette(4);
        GifBuilder g;
        g.Header(20, 10, pal).Loop(3);
        g.Control(0x09, 25, 2).Comment({"first \"one\""}).Image(2, 3, 2, 1, LiteralImageData(2, {0, 1}));
        g.Control(0x02, 7, 0).Image(0, 0, 1, 1, LiteralImageData(3, {5}), TestPalette(8));
        g.Comment({"bye"}).Trailer();
        ASSERT_TRUE(WriteFile(dir.file("a.gif"), g.Done()));
    }
    TempFolder dir;
};

TEST_F(CliInfo, TextListsDocumentAndOneLinePerFrame) {
    CliResult r = Info(dir, dir.file("a.gif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "screen: 20 x 10"));
    EXPECT_TRUE(Has(r.out, "global palette: 4 colours"));
    EXPECT_TRUE(Has(r.out, "loop: 3 times"));
    EXPECT_TRUE(Has(r.out, "trailing comment: bye"));
    EXPECT_TRUE(Has(r.out, "frames: 2"));
    EXPECT_TRUE(Has(r.out, "    0      2      3      2      1     25       yes background #0ffd06 "));
    EXPECT_TRUE(Has(r.out, "    1      0      0      1      1      7        no none       -                 8  "));
}

TEST_F(CliInfo, JsonUsesTheRecordFieldNames) {
    CliResult r = Info(dir, dir.file("a.gif") + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* part :
         {"\"screenWidth\": 20", "\"screenHeight\": 10", "\"globalColorCount\": 4",
          "\"loopEnabled\": 1", "\"loopCount\": 3", "\"trailingComment\": \"bye\"",
          "{\"left\": 2, \"top\": 3, \"width\": 2, \"height\": 1, \"delay\": 25, \"hasDelay\": 1, "
          "\"disposal\": 2, \"hasTransparency\": 1, \"transparentRgb\": [15, 253, 6], "
          "\"localColorCount\": 0, \"comment\": \"first \\\"one\\\"\", \"textKeys\": [{\"key\": \"Comment\", \"text\": \"first \\\"one\\\"\"}]}",
          "\"hasDelay\": 0", "\"localColorCount\": 8"})
        EXPECT_TRUE(Has(r.out, part)) << part << "\n" << r.out;
}

TEST_F(CliInfo, FailuresExitWithOneAndSayWhy) {
    ASSERT_TRUE(WriteFile(dir.file("bad.gif"), {'G', 'I', 'F'}));
    CliResult bad = Info(dir, dir.file("bad.gif"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(Has(bad.err, "Gif ヘッダリードエラー")) << bad.err;
    EXPECT_TRUE(bad.out.empty());
    CliResult missing = Info(dir, dir.file("missing.gif"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(Has(missing.err, "cannot open")) << missing.err;
    EXPECT_EQ(Info(dir, "").status, 2);
}

// Comments are bytes from the file. Whatever they hold, --json stays valid JSON
// (strict UTF-8, control characters escaped) and text mode sends no control
// character to the terminal.
TEST_F(CliInfo, HostileCommentsGiveValidJsonAndHarmlessText) {
    const struct {
        const char* what;
        std::string bytes, json, text;  // empty json/text: only the checks on the whole output
    } cases[] = {
        {"escape and bell", "esc\x1b[31m bell\x07", "esc\\u001b[31m bell\\u0007", "esc\\x1b[31m bell\\x07"},
        {"C1 control", "\xC2\x9B" "2J", "\\u009b2J", "\\u009b2J"},
        {"Shift-JIS", "\x82\xA0", "\xE3\x81\x82", "\xE3\x81\x82"},
        // Not UTF-8 though a loose check takes them for it.
        {"overlong", "\xC0\xAF", "\xEF\xBE\x80\xEF\xBD\xAF", "\xEF\xBE\x80\xEF\xBD\xAF"},
        {"surrogate", "\xED\xA0\x80", "", ""},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "", ""},
    };
    GifBuilder g;
    g.Header(1, 1, TestPalette(2));
    for (const auto& c : cases) g.Comment({c.bytes}).Image(0, 0, 1, 1, LiteralImageData(2, {1}));
    ASSERT_TRUE(WriteFile(dir.file("c.gif"), g.Trailer().Done()));

    CliResult json = Info(dir, dir.file("c.gif") + " --json");
    CliResult text = Info(dir, dir.file("c.gif"));
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(text.status, 0) << text.err;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.json.empty()) {
            EXPECT_TRUE(Has(json.out, "\"comment\": \"" + c.json + "\",")) << json.out;
        }
        if (!c.text.empty()) {
            EXPECT_TRUE(Has(text.out, "  " + c.text + "\n")) << text.out;
        }
    }
    for (const CliResult* r : {&json, &text}) {
        EXPECT_TRUE(IsStrictUtf8(r->out));
        for (char ch : r->out) EXPECT_TRUE(ch == '\n' || static_cast<unsigned char>(ch) >= 0x20) << int(ch);
        EXPECT_FALSE(Has(r->out, "\x7F"));
        EXPECT_FALSE(Has(r->out, "\xED\xA0\x80"));
        EXPECT_FALSE(Has(r->out, "\xF4\x90"));
    }
}

}  // namespace
}  // namespace kivo::test
