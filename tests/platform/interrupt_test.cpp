// Ctrl-C through the real terminal backend, raised in-process.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "gif/gif_writer.h"
#include "platform/progress.h"
#include "platform/safe_save.h"
#include "platform/terminal_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

class Interrupt : public testing::Test {
protected:
    void SetUp() override {
        ProgressResetForTesting();
        InstallTerminalBackend(/*quiet=*/true);
    }
    void TearDown() override {
        UninstallTerminalBackend();
        ProgressResetForTesting();
    }

    size_t HiddenTemporaries() const {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(dir.path()))
            n += e.path().filename().string().find(".kivo-") != std::string::npos;
        return n;
    }

    test::TempFolder dir;
};

// Ctrl-C during palette preparation ("チェック中...", no cancel button) is
// neither lost nor acted on there: it stops the save at its first frame, the
// first point with a cancel button. Nothing written, the old file kept.
TEST_F(Interrupt, StopsASaveThatWasInAPhaseThatCannotStop) {
    auto doc = NewDocument();
    doc->screenWidth = doc->screenHeight = 8;
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(AppendFrame(*doc));
        Frame& f = *doc->currentFrame;
        f.width = f.height = 8;
        f.dib = test::MakeImage(8, 8, [&](int x, int y) { return Rgb{uint8_t(x * 30), uint8_t(y * 30), uint8_t(k)}; });
    }
    const std::string out = dir.file("out.gif");
    ASSERT_TRUE(test::WriteFile(out, {'o', 'l', 'd'}));
    std::raise(SIGINT);  // pending when the save opens its first phase
    WriteOptions options;
    EXPECT_FALSE(WriteGif(nullptr, out, *doc, options));
    EXPECT_EQ(test::ReadFile(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(HiddenTemporaries(), 0u);
    EXPECT_EQ(ProgressCancelled, 1);
}

using InterruptDeathTest = Interrupt;

// Killing the process at once still removes the half-written temporary file.
TEST_F(InterruptDeathTest, EndingAtOnceLeavesNoTemporaryFile) {
    const std::string out = dir.file("out.gif");
    ASSERT_TRUE(test::WriteFile(out, {'o', 'l', 'd'}));
    const struct {
        const char* what;
        void (*end)();
        std::function<bool(int)> howItEnds;
    } cases[] = {
        {"second Ctrl-C", [] { std::raise(SIGINT); std::raise(SIGINT); }, testing::ExitedWithCode(130)},
        {"SIGTERM", [] { std::raise(SIGTERM); }, testing::KilledBySignal(SIGTERM)},
        {"SIGHUP", [] { std::raise(SIGHUP); }, testing::KilledBySignal(SIGHUP)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto saveAndEnd = [&] {
            SafeFile f;
            if (!f.Open(out) || !f.Write("new", 3)) std::_Exit(2);
            c.end();
            std::_Exit(3);  // not reached: the signal ends the process
        };
        EXPECT_EXIT(saveAndEnd(), c.howItEnds, "");
        EXPECT_EQ(HiddenTemporaries(), 0u);
        EXPECT_EQ(test::ReadFile(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

}  // namespace
}  // namespace kivo
