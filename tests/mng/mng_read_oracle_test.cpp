// The MNG reader against independent parties: libmng plays the same file and
// every frame we read must appear on its canvas, where and for as long as we
// say; and MNG files that ImageMagick writes from a GIF read back as the frames
// that GIF holds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#ifdef KIVO_HAVE_LIBMNG
#include <libmng.h>
#endif

#include "gif/gif_reader.h"
#include "mng/jpeg_writer.h"
#include "mng/mng_reader.h"
#include "mng/mng_read_builder.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using namespace test;

struct Shown {
    std::vector<uint8_t> rgb;  // the whole canvas, top row first
    uint32_t ms = 0;           // how long it stays
};

#ifdef KIVO_HAVE_LIBMNG
struct Player {
    const ByteVec* file = nullptr;
    size_t read = 0;
    uint32_t width = 0, height = 0, clock = 0, timer = 0;
    std::vector<uint8_t> canvas;
};

Player& Of(mng_handle h) { return *static_cast<Player*>(mng_get_userdata(h)); }

// Plays the file with libmng for at most `most` frames: the canvas at each
// timer request, with the time asked for.
std::vector<Shown> PlayWithLibmng(const ByteVec& file, size_t most) {
    Player p;
    p.file = &file;
    mng_handle h = mng_initialize(&p, [](mng_size_t n) -> mng_ptr { return std::calloc(1, n); },
                                  [](mng_ptr q, mng_size_t) { std::free(q); }, MNG_NULL);
    mng_setcb_openstream(h, [](mng_handle) -> mng_bool { return MNG_TRUE; });
    mng_setcb_closestream(h, [](mng_handle) -> mng_bool { return MNG_TRUE; });
    mng_setcb_readdata(h, [](mng_handle h, mng_ptr buf, mng_uint32 len, mng_uint32p got) -> mng_bool {
        Player& p = Of(h);
        const size_t n = std::min<size_t>(len, p.file->size() - p.read);
        std::memcpy(buf, p.file->data() + p.read, n);
        p.read += n;
        *got = mng_uint32(n);
        return MNG_TRUE;
    });
    mng_setcb_processheader(h, [](mng_handle h, mng_uint32 w, mng_uint32 ht) -> mng_bool {
        Player& p = Of(h);
        p.width = w;
        p.height = ht;
        p.canvas.assign(size_t(w) * ht * 3, 0);
        return mng_set_canvasstyle(h, MNG_CANVAS_RGB8) == MNG_NOERROR;
    });
    mng_setcb_getcanvasline(h, [](mng_handle h, mng_uint32 line) -> mng_ptr {
        Player& p = Of(h);
        return p.canvas.data() + size_t(line) * p.width * 3;
    });
    mng_setcb_refresh(h, [](mng_handle, mng_uint32, mng_uint32, mng_uint32, mng_uint32) -> mng_bool { return MNG_TRUE; });
    mng_setcb_gettickcount(h, [](mng_handle h) -> mng_uint32 { return Of(h).clock; });
    mng_setcb_settimer(h, [](mng_handle h, mng_uint32 ms) -> mng_bool {
        Of(h).timer = ms;
        return MNG_TRUE;
    });
    std::vector<Shown> shown;
    if (mng_read(h) == MNG_NOERROR) {
        mng_retcode status = mng_display(h);
        while (status == MNG_NEEDTIMERWAIT && shown.size() < most) {
            shown.push_back(Shown{p.canvas, p.timer});
            p.clock += p.timer;
            status = mng_display_resume(h);
        }
    }
    mng_cleanup(&h);
    return shown;
}
#endif

TEST(MngReadOracle, LibmngShowsTheFramesWhereAndAsLongAsWeRead) {
#ifndef KIVO_HAVE_LIBMNG
    GTEST_SKIP() << "libmng was not found when the tests were configured (install libmng-dev)";
#else
    Frame picture;
    picture.dib = MakeImage(8, 6, [](int x, int y) { return Rgb{uint8_t(100 + 5 * x), uint8_t(120 + 5 * y), 128}; });
    ByteVec jpeg;
    ASSERT_TRUE(EncodeJpeg(nullptr, picture, 95, jpeg));
    const Palette global{{200, 10, 10}, {10, 200, 10}, {10, 10, 200}};
    const ByteVec file = MngFile(1000, {
        TermChunk(3, 0, 0x7FFFFFFF), Chunk("PLTE", PlteData(global)), FramChunk(1, 2, 250),
        PngStream(8, 6, 2, 3, [](int x, int y) { return uint32_t(x + 2 * y) % 3; }, Chunk("PLTE")),
        DefiChunk(2, 1), PngStream(4, 3, 8, 2, [](int x, int y) { return uint32_t(0x10 * x) << 16 | uint32_t(0x30 * y); }),
        DefiChunk(0, 0), FramChunk(1, 1, 45), Jhdr(8, 6), Chunk("JDAT", jpeg), Chunk("IEND")}, 8, 6, 1 | 2 | 16);
    ScopedRecordingBackend rec;
    auto doc = ReadMngBytes(nullptr, file);
    ASSERT_TRUE(doc);
    const std::vector<Shown> shown = PlayWithLibmng(file, size_t(doc->frameCount));
    ASSERT_EQ(shown.size(), size_t(doc->frameCount)) << "libmng played fewer frames";
    int i = 0;
    for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++i) {
        SCOPED_TRACE(testing::Message() << "frame " << i);
        EXPECT_NEAR(double(shown[size_t(i)].ms), f->delay * 10.0, 5.0);
        const int tolerance = f->next ? 0 : 12;  // JPEG decoders may round differently
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width; ++x) {
                const Rgb ours = PixelOf(f->dib, x, y);
                const uint8_t* theirs = &shown[size_t(i)].rgb[(size_t(f->top + y) * 8 + size_t(f->left + x)) * 3];
                ASSERT_NEAR(ours.r, theirs[0], tolerance) << x << "," << y;
                ASSERT_NEAR(ours.g, theirs[1], tolerance) << x << "," << y;
                ASSERT_NEAR(ours.b, theirs[2], tolerance) << x << "," << y;
            }
    }
#endif
}

TEST(MngReadOracle, ImageMagicksMngHoldsTheGifsFrames) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempFolder dir;
    const std::string gif = dir.file("a.gif"), mng = dir.file("b.mng");
    const std::string make = "convert -delay 20 -size 6x4 xc:red -delay 35 -page +2+1 -size 3x2 xc:blue "
                             "-delay 7 -page +0+0 -size 6x4 gradient:yellow-green -loop 3 '" + gif + "' && convert '" +
                             gif + "' '" + mng + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    ScopedRecordingBackend rec;
    auto want = ReadGif(nullptr, gif);
    auto got = ReadMng(nullptr, mng);
    ASSERT_TRUE(want && got);
    ASSERT_EQ(got->frameCount, want->frameCount);
    EXPECT_EQ(got->screenWidth, want->screenWidth);
    EXPECT_EQ(got->loopEnabled, 1);
    EXPECT_EQ(got->loopCount, want->loopCount);
    for (const Frame *f = got->firstFrame.get(), *g = want->firstFrame.get(); f && g; f = f->next.get(), g = g->next.get()) {
        EXPECT_EQ(f->delay, g->delay);
        EXPECT_EQ(f->left, g->left);
        EXPECT_EQ(f->top, g->top);
        EXPECT_TRUE(f->dib == g->dib);
    }
}

}  // namespace
}  // namespace kivo
