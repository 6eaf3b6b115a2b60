// Whatever opens must save: a document read from any GIF or MNG bytes, optimised
// or not, is written as GIF and as MNG without a failure, and each file reads
// back with the same number of frames. Only places a GIF descriptor cannot hold
// (beyond 65535) may fail the GIF save, and only with its message. The last
// byte chooses the write options and whether the frame tool runs first.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "color/palette_prep_internal.h"
#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "mend_crcs.h"
#include "mng/mng_reader.h"
#include "mng/mng_writer.h"
#include "platform/platform.h"
#include "platform/recording_backend.h"
#include "frame_ops/optimize_frames.h"

namespace {

std::vector<uint8_t> Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t n) {
    return size >= n && std::equal(data, data + n, reinterpret_cast<const uint8_t*>(magic));
}

// Everything a GIF can place: a descriptor holds 0..65535 (parts at negative
// places are left out of the file).
bool GifCanPlace(const kivo::AnimDoc& doc) {
    for (const kivo::Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        if (f->left > 0xFFFF || f->top > 0xFFFF || f->width > 0xFFFF || f->height > 0xFFFF) return false;
    return true;
}

// Saving works on every frame's pixels several times; big documents only slow
// the search down without reaching other code.
bool SmallEnough(const kivo::AnimDoc& doc) {
    size_t pixels = 0;
    for (const kivo::Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        pixels += size_t(f->width) * size_t(f->height);
    return pixels <= (size_t(1) << 20) && doc.frameCount <= 200;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = kivo::TempDir() + "/kivo-fuzz-save-" + std::to_string(getpid());
    static const bool made = [] { return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST; }();
    if (!made) __builtin_trap();
    kivo::MaxImagePixels = size_t(1) << 18;
    // The colour reduction's rows stop following the screen far sooner than in
    // use, so that both kinds of rows are tried quickly.
    kivo::JointRowLimits = {1 << 12, uint64_t(1) << 20};
    const uint8_t last = size > 0 ? data[size - 1] : 0;
    kivo::WriteOptions options;
    options.UnifyPalette = last & 1;
    options.Interlace = (last >> 1) & 1;
    options.AlwaysDither = (last >> 2) & 1;
    options.MaxColors = 8 << ((last >> 3) % 6);
    options.KeepPngPalette = (last >> 6) & 1;
    const kivo::ReadOptions reading = kivo::ReadOptionsFrom(options);

    kivo::ScopedRecordingBackend rec;
    std::unique_ptr<kivo::AnimDoc> doc;
    if (StartsWith(data, size, "GIF8", 4)) doc = kivo::ReadGifBytes(nullptr, {data, size});
    else if (StartsWith(data, size, "\x8aMNG\r\n\x1a\n", 8)) {
        std::vector<uint8_t> mended(data, data + size);
        MendCrcs(mended);
        doc = kivo::ReadMngBytes(nullptr, mended, {}, reading);
    }
    // An MNG without images opens as an empty document, which no save command takes.
    if (!doc || doc->frameCount == 0 || !SmallEnough(*doc)) return 0;
    if (last & 0x80) kivo::OptimizeFrameSizes(nullptr, *doc, options);
    rec->errors.clear();

    const int frames = doc->frameCount;
    const std::string gif = dir + "/out.gif", mng = dir + "/out.mng";
    const bool placeable = GifCanPlace(*doc);
    if (kivo::WriteGif(nullptr, gif, *doc, options)) {
        if (!placeable || !rec->errors.empty()) __builtin_trap();
        auto back = kivo::ReadGifBytes(nullptr, Slurp(gif));
        if (!back || back->frameCount != frames) __builtin_trap();
    } else if (placeable || rec->errors.size() != 1) {
        __builtin_trap();
    }
    rec->errors.clear();
    if (!kivo::WriteMng(nullptr, mng, *doc, options) || !rec->errors.empty()) __builtin_trap();
    auto back = kivo::ReadMngBytes(nullptr, Slurp(mng));
    if (!back || back->frameCount != frames) __builtin_trap();
    return 0;
}
