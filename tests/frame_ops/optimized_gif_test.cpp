// What the user keeps of an optimised animation is the file: saved as GIF and
// opened again, every frame is as it was saved, so the animation shows the same
// pictures for the same time, whatever order the file's colour table takes and
// however short the frames' codes are.
#include <gtest/gtest.h>

#include "options/write_options.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "frame_ops/optimize_frames.h"

namespace kivo {
namespace {

// The generator also makes frames that reach past the screen's edges: no GIF
// holds a place left of or above the screen, and a reader widens the screen to
// frames reaching past the other two.
bool FitsGif(const AnimDoc& doc) {
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        if (f->left < 0 || f->top < 0 || f->left + f->width > doc.screenWidth ||
            f->top + f->height > doc.screenHeight)
            return false;
    return true;
}

TEST(OptimizedGif, OpensAgainFrameForFrameAsItWasSaved) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::string path = dir.file("optimized.gif");
    int saved = 0;
    for (int transparency : {0, 1}) {
        WriteOptions options;
        options.OptimizeWithTransparency = transparency;
        for (uint32_t seed = 0; seed < 1000; ++seed) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", transparency " << transparency);
            auto doc = test::RandomAnimation(seed);
            OptimizeFrameSizes(nullptr, *doc, options, nullptr);
            if (!FitsGif(*doc)) continue;
            ASSERT_TRUE(WriteGif(nullptr, path, *doc, options));
            auto back = ReadGif(nullptr, path);
            ASSERT_TRUE(back);
            ++saved;
            ASSERT_EQ(back->frameCount, doc->frameCount);
            const Frame* b = back->firstFrame.get();
            for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), b = b->next.get()) {
                ASSERT_EQ(b->left, f->left);
                ASSERT_EQ(b->top, f->top);
                ASSERT_EQ(b->width, f->width);
                ASSERT_EQ(b->height, f->height);
                ASSERT_EQ(b->disposal, f->disposal);
                ASSERT_EQ(b->delay, f->delay);
                ASSERT_EQ(b->hasTransparency, f->hasTransparency);
                if (f->hasTransparency) {
                    ASSERT_EQ(b->transparentRgb, f->transparentRgb);
                }
                for (int y = 0; y < f->height; ++y)
                    for (int x = 0; x < f->width; ++x)
                        ASSERT_EQ(test::PixelOf(b->dib, x, y), test::PixelOf(f->dib, x, y)) << x << "," << y;
            }
            ASSERT_EQ(test::Playback(*back), test::Playback(*doc));
        }
    }
    EXPECT_TRUE(rec->errors.empty());
    EXPECT_GT(saved, 200);  // the property says little unless most animations take part
}

}  // namespace
}  // namespace kivo
