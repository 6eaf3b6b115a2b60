// A GIF frame's colour census comes from its indices when it is read, and a
// save made from it writes the same bytes as one that counts the pixels, also
// after the transparency changed in between (the census then no longer
// applies and is counted afresh).
#include <gtest/gtest.h>

#include "color/palette_prep.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "options/write_options.h"
#include "platform/recording_backend.h"
#include "support/animation_builder.h"
#include "support/test_support.h"

namespace kivo {
namespace {

TEST(ReadCensus, SavesWriteTheSameBytesAsFromCountedColours) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::string in = dir.file("in.gif"), a = dir.file("a.gif"), b = dir.file("b.gif");
    for (uint32_t seed = 0; seed < 40; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        WriteOptions options;
        options.UnifyPalette = seed % 3 != 0;
        ASSERT_TRUE(WriteGif(nullptr, in, *test::RandomAnimation(seed), options));
        for (int edit = 0; edit < 3; ++edit) {
            auto read = ReadGif(nullptr, in), counted = ReadGif(nullptr, in);
            ASSERT_TRUE(read && counted);
            for (Frame* f = counted->firstFrame.get(); f; f = f->next.get()) f->census.clear();
            for (AnimDoc* doc : {read.get(), counted.get()}) {
                Frame& second = *doc->firstFrame->next;
                if (edit == 1) second.hasTransparency = 0;
                if (edit == 2) second.hasTransparency = 1, second.transparentRgb = test::PixelOf(second.dib, 0, 0);
            }
            ASSERT_TRUE(WriteGif(nullptr, a, *read, options));
            ASSERT_TRUE(WriteGif(nullptr, b, *counted, options));
            ASSERT_EQ(test::ReadFile(a), test::ReadFile(b)) << "edit " << edit;
        }
    }
}

}  // namespace
}  // namespace kivo
