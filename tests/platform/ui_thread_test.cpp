// ShowError and the progress calls stay on the thread that started the operation.
#include "platform/ui_thread.h"

#include <gtest/gtest.h>

#include <thread>

#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "gif/gif_writer.h"
#include "platform/kept_errors.h"
#include "platform/progress.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

void OnAnotherThread(void (*call)()) { std::thread(call).join(); }

TEST(UserInterfaceThreadDeathTest, ACallFromAnotherThreadIsCaught) {
    for (void (*call)() : {+[] { ShowError(nullptr, "x"); }, +[] { ProgressPump(); }}) {
        ScopedRecordingBackend rec;
        ProgressOpen(nullptr);
        // Debug builds stop at once; others count the call.
        EXPECT_DEBUG_DEATH(OnAnotherThread(call), "does not own the user interface");
#ifdef NDEBUG
        EXPECT_EQ(ForeignThreadCalls(), 1);
#endif
        ProgressClose(nullptr);
    }
}

// A save quantizes and compresses frames on helper threads; none of them may
// reach the user interface. Once the dialog is closed, another thread may run
// an operation of its own.
TEST(UserInterfaceThread, ASaveWithHelpersStaysOnItsThread) {
    ScopedRecordingBackend rec;
    WriteOptions options;
    options.MaxColors = 16;
    auto doc = NewDocument();
    doc->screenWidth = doc->screenHeight = 32;
    for (int k = 0; k < 12; ++k) {
        ASSERT_TRUE(AppendFrame(*doc));
        Frame& f = *doc->currentFrame;
        f.width = f.height = 32;
        f.dib = test::MakeImage(32, 32, [&](int x, int y) { return Rgb{uint8_t(x * 8), uint8_t(y * 8), uint8_t(k * 20)}; });
    }
    test::TempFolder dir;
    ASSERT_TRUE(WriteGif(nullptr, dir.file("a.gif"), *doc, options));
    OnAnotherThread([] {
        ProgressOpen(nullptr);
        ProgressPump();
        ProgressClose(nullptr);
    });
    EXPECT_EQ(ForeignThreadCalls(), 0);
}

// A helper's error is kept, not shown from the wrong thread, and reaches the
// user in order once the owning thread shows it; nested keepers restore the outer.
TEST(UserInterfaceThread, ErrorsOfHelpersAreKeptForTheOwningThread) {
    ScopedRecordingBackend rec;
    ProgressOpen(nullptr);
    std::vector<std::string> kept;
    std::thread([&] {
        KeptErrors outer;
        ShowError(nullptr, "first");
        {
            KeptErrors inner;
            ShowError(nullptr, "inner");
            EXPECT_EQ(inner.texts(), std::vector<std::string>{"inner"});
        }
        ShowError(nullptr, "second");
        kept = outer.texts();
    }).join();
    EXPECT_EQ(ForeignThreadCalls(), 0);
    EXPECT_TRUE(rec->errors.empty());
    ShowKeptErrors(nullptr, kept);
    EXPECT_EQ(rec->errors, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(kept.empty());
    ProgressClose(nullptr);
}

}  // namespace
}  // namespace kivo
