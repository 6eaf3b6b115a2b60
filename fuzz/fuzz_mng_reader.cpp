// MNG reader: any bytes must give a document whose frames hold pictures of their
// own size, or nothing, without a crash, a hang or memory beyond what the
// pictures need. The last byte chooses whether PNG palettes are kept, whether
// the first-image reader runs instead of the whole one, and whether the chunks'
// CRCs are mended first (a mutation would otherwise rarely get past them).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "mend_crcs.h"
#include "mng/mng_reader.h"
#include "platform/recording_backend.h"

namespace {

bool PictureMatches(const kivo::Frame& f) {
    if (!kivo::DibIsValid(f.dib) || kivo::DibBitCount(f.dib) != 24 ||
        kivo::DibWidth(f.dib) != uint32_t(f.width) || kivo::DibHeight(f.dib) != uint32_t(f.height))
        return false;
    return f.pngIndexPixels.empty() || f.pngIndexPixels.size() == size_t(f.width) * size_t(f.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    const uint8_t last = size > 0 ? data[size - 1] : 0;
    const kivo::ReadOptions reading{(last & 1) != 0};
    std::vector<uint8_t> mended;
    if (last & 4) {
        mended.assign(data, data + size);
        MendCrcs(mended);
        data = mended.data();
    }
    kivo::ScopedRecordingBackend rec;
    if (last & 2) {
        kivo::Frame frame;
        if (kivo::ReadMngFirstImageBytes(nullptr, {data, size}, frame, reading) ? !PictureMatches(frame) : !frame.dib.empty())
            __builtin_trap();
        return 0;
    }
    auto doc = kivo::ReadMngBytes(nullptr, {data, size}, {}, reading);
    if (rec->opens != 1 || rec->closes != 1) __builtin_trap();
    if (!doc) return 0;
    int32_t count = 0;
    for (const kivo::Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++count)
        if (!PictureMatches(*f) || (f->hasDelay && f->delay <= 0)) __builtin_trap();
    if (count != doc->frameCount || doc->currentFrame != doc->firstFrame.get() ||
        doc->ticksPerSecond != 100)
        __builtin_trap();
    return 0;
}
