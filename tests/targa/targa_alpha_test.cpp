// Targa pictures with alpha, as Pillow writes them (32-bit colour and 16-bit
// grey + alpha, plain and run-length encoded, from either origin), read and
// compared with Pillow's own decoding: opaque pixels keep their colour, clear
// ones show the frame's transparent colour, the rest are blended over black.
#include <gtest/gtest.h>

#include "platform/recording_backend.h"
#include "support/pillow_oracle.h"
#include "support/test_support.h"
#include "targa/targa_reader.h"

namespace kivo {
namespace {

// argv[1] is "MODE RLE ORIGIN PATH". The picture has clear, half-clear and
// opaque areas, and clear pixels whose colour an opaque pixel also has.
constexpr const char* kWriter = R"(
import sys
mode, rle, origin, path = sys.argv[1].split(' ')
im = Image.new('RGBA', (13, 7))
for y in range(7):
    for x in range(13):
        a = (0, 255, 128, 255, 0, 37)[(x + 2 * y) % 6]
        c = (20, 40, 60) if (x * y) % 4 == 0 else (x * 19 % 256, y * 33 % 256, (x + y) * 7 % 256)
        im.putpixel((x, y), c + (a,))
im.convert(mode).save(path, compression='tga_rle' if rle == '1' else None, orientation=int(origin))
)";

TEST(TargaAlpha, MatchesPillowForEveryKindItWrites) {
    if (!test::HavePillow()) GTEST_SKIP() << "Pillow not installed";
    test::TempFolder dir;
    for (const char* mode : {"RGBA", "LA"})
        for (const char* rle : {"0", "1"})
            for (const char* origin : {"1", "-1"}) {
                const std::string what = std::string(mode) + " " + rle + " " + origin;
                SCOPED_TRACE(what);
                const std::string path = dir.file("alpha.tga");
                ASSERT_TRUE(test::RunPillow(kWriter, what + " " + path));
                const auto expected = test::PillowDecode(path);
                ASSERT_EQ(expected.size(), 1u);
                Frame frame;
                ASSERT_EQ(ReadTarga(path, frame), TargaError::kNone);
                EXPECT_EQ(test::CompareWithAlpha(frame, expected[0]), "");
                EXPECT_TRUE(frame.hasTransparency);
            }
}

// Alpha bytes 0 throughout mean "no alpha" to the programs that write them: the
// picture stays visible.
TEST(TargaAlpha, AlphaZeroEverywhereIsOpaque) {
    test::Bytes b;
    b.u8(0).u8(0).u8(2).u16(0).u16(0).u8(0).u16(0).u16(0).u16(2).u16(1).u8(32).u8(0x28);
    b.raw({1, 2, 3, 0, 4, 5, 6, 0});
    Frame frame;
    ASSERT_EQ(ReadTargaBytes(b.data, frame), TargaError::kNone);
    EXPECT_FALSE(frame.hasTransparency);
    EXPECT_EQ(test::PixelOf(frame.dib, 1, 0), (Rgb{6, 5, 4}));
}

}  // namespace
}  // namespace kivo
