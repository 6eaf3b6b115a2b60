// How kivo-cli ends when the user presses Ctrl-C or the output cannot be
// written, and the English it adds to the engine's messages.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gif/gif_read_builder.h"

namespace kivo::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Text(const std::string& path) {
    auto bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs kivo-cli with a Ctrl-C already pressed: SIGINT is pending, blocked, when
// the program starts, and arrives the moment it is ready for Ctrl-C.
Outcome RunWithCtrlC(const TempFolder& dir, const std::vector<std::string>& args) {
    const std::string cli = std::getenv("KIVO_CLI") ? std::getenv("KIVO_CLI") : "kivo-cli";
    const std::string outFile = dir.file("stdout.txt"), errFile = dir.file("stderr.txt");
    std::vector<char*> argv{const_cast<char*>(cli.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGINT);
        sigprocmask(SIG_BLOCK, &block, nullptr);
        signal(SIGINT, SIG_DFL);
        raise(SIGINT);
        dup2(open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execv(cli.c_str(), argv.data());
        _exit(127);
    }
    Outcome r;
    int st = 0;
    if (pid > 0 && waitpid(pid, &st, 0) == pid && WIFEXITED(st)) r.status = WEXITSTATUS(st);
    r.out = Text(outFile);
    r.err = Text(errFile);
    return r;
}

size_t HiddenTemporaries(const TempFolder& dir) {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        n += e.path().filename().string().find(".kivo-") != std::string::npos;
    return n;
}

std::vector<uint8_t> SmallGif() {
    GifBuilder g;
    g.Header(2, 1, TestPalette(4)).Image(0, 0, 2, 1, LiteralImageData(2, {0, 1})).Trailer();
    return g.Done();
}

std::vector<uint8_t> Bmp(int w, int h) {
    Dib dib = MakeImage(w, h, [](int x, int y) { return Rgb{uint8_t(x * 40), uint8_t(y * 40), 7}; });
    Bytes b;
    b.str("BM").u32(uint32_t(14 + dib.size())).u32(0).u32(54).raw(dib);
    return b.data;
}

// A cancelled command says so, exits with 130, prints no result and leaves the
// output as it was, with no temporary file beside it.
TEST(CliCancel, CtrlCStopsTheCommandWith130AndLeavesTheOutputAlone) {
    TempFolder dir;
    ASSERT_TRUE(WriteFile(dir.file("a.gif"), SmallGif()));
    ASSERT_TRUE(WriteFile(dir.file("a.bmp"), Bmp(4, 3)));
    ASSERT_TRUE(WriteFile(dir.file("b.bmp"), Bmp(4, 3)));
    const std::string out = dir.file("out.gif");
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"convert", dir.file("a.gif"), "-o", out, "-q"}, "kivo-cli convert: cancelled"},
        {{"convert", dir.file("a.bmp"), dir.file("b.bmp"), "-o", out, "-q"}, "kivo-cli convert: cancelled"},
        {{"info", "--json", dir.file("a.gif")}, "kivo-cli info: cancelled"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
        ASSERT_TRUE(WriteFile(out, {'o', 'l', 'd'}));
        Outcome r = RunWithCtrlC(dir, c.args);
        EXPECT_EQ(r.status, 130) << r.err;
        EXPECT_TRUE(Has(r.err, c.says)) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Text(out), "old");
        EXPECT_EQ(HiddenTemporaries(dir), 0u);
    }
}

// Outside a Japanese locale an English line follows each engine message.
struct ScopedLang {
    explicit ScopedLang(const char* lang) {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", lang, 1);
    }
    ~ScopedLang() { unsetenv("LANG"); }
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// An output that cannot be written: the engine's message, its English outside a
// Japanese locale, then the system's reason.
TEST(CliFailure, AnUnwritableOutputSaysWhy) {
    TempFolder dir;
    ASSERT_TRUE(WriteFile(dir.file("a.bmp"), Bmp(64, 64)));
    std::filesystem::create_directory(dir.file("folder.gif"));
    const std::string in = Quote(dir.file("a.bmp"));
    const std::string cli = std::getenv("KIVO_CLI") ? std::getenv("KIVO_CLI") : "kivo-cli";
    const struct {
        const char* what;
        std::string args;
        bool fileSizeLimit;  // a full disk, as the shell's file-size limit makes one
        std::vector<std::string> says;
    } cases[] = {
        {"missing folder", "convert " + in + " -o " + Quote(dir.file("no/such/x.gif")), false,
         {"ファイルオープンに失敗しました。\nkivo-cli: The file could not be opened.\n",
          "was not written: No such file or directory"}},
        {"a folder", "convert " + in + " -o " + Quote(dir.file("folder.gif")), false,
         {"was not written: Is a directory"}},
        {"no room", "convert " + in + " -o " + Quote(dir.file("big.gif")), true,
         {"書き込みに失敗しました。\nkivo-cli: Writing failed.\n", "was not written: File too large"}},
    };
    ScopedLang english("C");
    const std::string errFile = dir.file("stderr.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string line = Quote(cli) + " " + c.args + " -q 2>" + Quote(errFile);
        if (c.fileSizeLimit) line = "ulimit -f 1; trap '' XFSZ; " + line;
        const int st = std::system(line.c_str());
        const std::string err = Text(errFile);
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 1) << err;
        for (const std::string& part : c.says) EXPECT_TRUE(Has(err, part)) << part << "\n" << err;
    }
    EXPECT_EQ(HiddenTemporaries(dir), 0u);
}

// A GIF cut off in the middle is refused by every command with one message
// that names the file and the frame it ends in, and nothing else.
TEST(CliFailure, ACutOffGifIsRefusedWithOneClearMessage) {
    TempFolder dir;
    GifBuilder g;
    g.Header(2, 1, TestPalette(4));
    for (int i = 0; i < 3; ++i) g.Image(0, 0, 2, 1, LiteralImageData(2, {0, 1}));
    std::vector<uint8_t> bytes = g.Trailer().Done();
    bytes.resize(bytes.size() - 4);  // into the third image's data
    ASSERT_TRUE(WriteFile(dir.file("cut.gif"), bytes));
    const std::string in = Quote(dir.file("cut.gif"));
    const std::string errFile = dir.file("stderr.txt");
    const std::string said = "kivo-cli: 「cut.gif」は 3 コマ目の途中で切れています。\n"
                             "kivo-cli: \"cut.gif\" is cut off in the middle of frame 3.\n";
    ScopedLang english("C");
    for (const std::string& args : {"info " + in, "convert " + in + " -o " + Quote(dir.file("out.gif")),
                                    "extract " + in + " --dir " + Quote(dir.path())}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(RunCli(args + " -q", errFile).status, 1);
        EXPECT_EQ(Text(errFile), said);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.gif")));
}

TEST(CliFailure, EnglishLinesOnlyOutsideAJapaneseLocale) {
    TempFolder dir;
    ASSERT_TRUE(WriteFile(dir.file("bad.gif"), {'G', 'I', 'F'}));
    const std::string errFile = dir.file("stderr.txt");
    for (const char* lang : {"C", "en_GB.UTF-8", "ja_JP.UTF-8"}) {
        ScopedLang locale(lang);
        EXPECT_EQ(RunCli("info -q " + Quote(dir.file("bad.gif")), errFile).status, 1);
        const std::string err = Text(errFile);
        EXPECT_TRUE(Has(err, "kivo-cli: Gif ヘッダリードエラー\n")) << err;
        EXPECT_EQ(Has(err, "kivo-cli: GIF header read error"), lang[0] != 'j') << lang << err;
    }
}

}  // namespace
}  // namespace kivo::test
