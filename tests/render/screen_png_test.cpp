// A composed screen written as PNG: libpng reads back what was drawn, and a
// screen or file that cannot be written ends in its own error.
#include <gtest/gtest.h>
#include <png.h>

#include "platform/recording_backend.h"
#include "platform/safe_save.h"
#include "render/screen_png.h"
#include "support/test_support.h"

namespace kivo {
namespace {

Composition TwoPixels(uint32_t second) {
    Composition c;
    c.width = 2;
    c.height = 1;
    c.screen = {0xFFFF0000u, second};  // drawn pixels carry alpha 255 in the top byte
    return c;
}

TEST(ScreenPng, WrittenScreensReadBackAndFailuresSayWhy) {
    test::TempFolder dir;
    Composition wrongSize = TwoPixels(0xFF00FF00u);
    wrongSize.screen.pop_back();
    struct Case {
        const char* name;
        Composition screen;
        std::string path;
        ScreenPngError error;
        const char* shown;
    };
    const Case cases[] = {
        {"opaque", TwoPixels(0xFF00FF00u), dir.file("o.png"), ScreenPngError::kNone, nullptr},
        {"nothing drawn on one pixel", TwoPixels(kNothingDrawn), dir.file("t.png"), ScreenPngError::kNone, nullptr},
        {"empty screen", Composition{}, dir.file("e.png"), ScreenPngError::kNoScreen, "書き込みに失敗しました。"},
        {"fewer pixels than its size", wrongSize, dir.file("w.png"), ScreenPngError::kNoScreen, "書き込みに失敗しました。"},
        {"no folder", TwoPixels(0), dir.file("none/x.png"), ScreenPngError::kWrite, "書き込みに失敗しました。"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(WriteScreenPng(k.path, k.screen), k.error);
        if (k.error == ScreenPngError::kNone) {
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            ASSERT_NE(png_image_begin_read_from_file(&image, k.path.c_str()), 0);
            image.format = PNG_FORMAT_RGBA;
            std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
            ASSERT_NE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr), 0);
            const std::vector<uint8_t> want = k.screen.screen[1] == kNothingDrawn
                ? std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 0, 0}
                : std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255};
            EXPECT_EQ(rgba, want);
        } else {
            EXPECT_FALSE(FileExists(k.path));
            ScopedRecordingBackend rec;
            EXPECT_FALSE(WriteScreenPng(nullptr, k.path, k.screen));
            EXPECT_EQ(rec->errors, std::vector<std::string>{k.shown});
        }
    }
    EXPECT_STREQ(ScreenPngMessage(ScreenPngError::kNoMemory), "メモリが足りません。");
}

}  // namespace
}  // namespace kivo
