// The movie-list repair on files built around a real stream header of ours:
// the repaired file plays in FFmpeg with every picture, its index points at
// its chunks, and every file the repair refuses stays byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "avi/avi_export.h"
#include "avi/avi_patch.h"
#include "support/ffmpeg_oracle.h"

namespace kivo {
namespace {

using test::Le32;
using test::PutLe32;

bool TagAt(const std::vector<uint8_t>& b, size_t at, const char* tag) {
    return at + 4 <= b.size() && std::memcmp(b.data() + at, tag, 4) == 0;
}

constexpr uint32_t kPadding = 2028;  // the defect pads the first chunk to 2 KiB

// The header list of a real uncompressed AVI of ours, then the defect: a JUNK
// header directly followed by the movie list's header, the list padded up to
// its first "00db" chunk, the index counting from the list's start.
struct Defect {
    std::vector<uint8_t> bytes;
    size_t a = 0;                  // where the header list ends
    std::vector<size_t> chunks;    // positions of the chunks
    std::vector<std::vector<uint8_t>> pictures;  // their data: DIB rows

    explicit Defect(const std::vector<uint8_t>& ours, const AnimDoc& doc) {
        const size_t hdrlEnd = 20 + Le32(ours, 16);
        bytes.assign(ours.begin(), ours.begin() + long(hdrlEnd));
        a = hdrlEnd;
        test::Bytes tail;
        tail.str("JUNK").u32(0).str("LIST").u32(0).str("movi").fill(kPadding, 0);
        for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
            pictures.emplace_back(DibPixels(f->dib), DibPixels(f->dib) + DibImageSize(f->dib));
            chunks.push_back(a + tail.size());
            tail.str("00db").u32(uint32_t(pictures.back().size())).raw(pictures.back());
        }
        const uint32_t movi = uint32_t(tail.size() - 16);
        tail.str("idx1").u32(uint32_t(16 * chunks.size()));
        for (size_t i = 0; i < chunks.size(); ++i)
            tail.str("00db").u32(0x10).u32(uint32_t(chunks[i] - (a + 16))).u32(uint32_t(pictures[i].size()));
        bytes.insert(bytes.end(), tail.data.begin(), tail.data.end());
        PutLe32(bytes, a + 12, movi);
        PutLe32(bytes, 4, uint32_t(bytes.size() - 8));
    }
};

TEST(AviPatch, RepairsTheMovieListAndRefusesWithoutTouching) {
    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg plays the repaired file";
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    // 300 colours a frame: written 24-bit, as the system writers left them.
    auto doc = test::MakeAnimation(20, 15, {{0, 0, 20, 15, [](int x, int y) { return Rgb{uint8_t(x * 12), uint8_t(y * 16), 1}; }, 1, 10},
                                            {0, 0, 20, 15, [](int x, int y) { return Rgb{2, uint8_t(x * 12), uint8_t(y * 16)}; }, 1, 10}});
    const std::string ours = dir.file("ours.avi");
    ASSERT_TRUE(ExportAvi(nullptr, ours, *doc));
    const std::vector<uint8_t> ourBytes = test::ReadFile(ours);
    const Defect defect(ourBytes, *doc);

    enum Result { kRefused, kUntouched, kRepaired };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        Result result;
    };
    auto with = [&](std::function<void(std::vector<uint8_t>&)> change) {
        std::vector<uint8_t> b = defect.bytes;
        change(b);
        return b;
    };
    const size_t index = defect.bytes.size() - 8 - 16 * defect.chunks.size();
    const Case cases[] = {
        {"the defect", defect.bytes, kRepaired},
        {"more after the index", with([](auto& b) { b.insert(b.end(), {'J', 'U', 'N', 'K', 4, 0, 0, 0, 7, 7, 7, 7}); }),
         kRepaired},
        {"our own file", ourBytes, kUntouched},
        {"no RIFF", with([](auto& b) { std::memcpy(b.data(), "RIFX", 4); }), kRefused},
        {"no 00db chunk", with([&](auto& b) { for (size_t c : defect.chunks) std::memcpy(b.data() + c, "00dc", 4); }),
         kRefused},
        {"no index", with([&](auto& b) { b.resize(index); }), kRefused},
        {"an index entry inside the padding", with([&](auto& b) { PutLe32(b, index + 8 + 8, 8); }), kRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("case.avi");
        ASSERT_TRUE(test::WriteFile(path, c.bytes));
        EXPECT_EQ(PatchAviMoviList(path), c.result != kRefused);
        const std::vector<uint8_t> after = test::ReadFile(path);
        if (c.result != kRepaired) {
            EXPECT_TRUE(after == c.bytes);
            continue;
        }
        // The padding is one JUNK chunk; the list starts right before the
        // first chunk and ends where it did; the index points at the chunks.
        const size_t first = defect.chunks.front(), j = first - defect.a - 20;
        EXPECT_TRUE(TagAt(after, defect.a, "JUNK"));
        EXPECT_EQ(Le32(after, defect.a + 4), j);
        EXPECT_TRUE(TagAt(after, first - 12, "LIST"));
        EXPECT_TRUE(TagAt(after, first - 4, "movi"));
        EXPECT_EQ(first - 4 + Le32(after, first - 8), index);
        for (size_t i = 0; i < defect.chunks.size(); ++i)
            EXPECT_EQ(first - 4 + Le32(after, index + 8 + 16 * i + 8), defect.chunks[i]) << "entry " << i;
        EXPECT_TRUE(std::equal(after.begin() + long(index + 8 + 16 * defect.chunks.size()), after.end(),
                               c.bytes.begin() + long(index + 8 + 16 * defect.chunks.size())));
        // DIB rows run bottom-up; these are 60 bytes, no padding.
        const auto pictures = test::DecodePictures(path, 20, 15, "bgr24", "vflip");
        EXPECT_TRUE(pictures == defect.pictures);
    }
}

}  // namespace
}  // namespace kivo
