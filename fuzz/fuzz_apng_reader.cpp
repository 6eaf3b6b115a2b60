// APNG reader: any bytes must give a document whose frames' pictures match
// their sizes and lie on the canvas, or nothing and a message, without a
// crash, a hang or memory beyond the pixel limit. Whatever opens must also
// save as APNG and open again. The last byte chooses whether indexed frames
// keep their palettes and whether every chunk's CRC is mended first, so that
// mutated chunks reach the parser.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "apng/apng_reader.h"
#include "apng/apng_writer.h"
#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "mend_crcs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    const uint8_t last = size > 0 ? data[size - 1] : 0;
    std::vector<uint8_t> mended;
    if (last & 2) {
        mended.assign(data, data + size);
        MendCrcs(mended);
        data = mended.data();
    }
    kivo::ApngReadError error;
    auto doc = kivo::ReadApngBytes({data, size}, {(last & 1) != 0, false}, error);
    if (!doc) {
        if (!error || kivo::ApngReadMessage(error).empty()) __builtin_trap();
        return 0;
    }
    if (doc->frameCount < 1) __builtin_trap();
    for (const kivo::Frame* f = doc->firstFrame.get(); f; f = f->next.get()) {
        if (!kivo::DibIsValid(f->dib) || kivo::DibWidth(f->dib) != uint32_t(f->width) ||
            kivo::DibHeight(f->dib) != uint32_t(f->height))
            __builtin_trap();
        if (f->left < 0 || f->top < 0 || f->left + f->width > doc->screenWidth ||
            f->top + f->height > doc->screenHeight)
            __builtin_trap();
    }
    std::vector<uint8_t> saved;
    const bool fits = uint64_t(doc->screenWidth) * uint64_t(doc->screenHeight) <= kivo::MaxImagePixels;
    const kivo::ApngWriteError written = kivo::EncodeApng(*doc, saved);
    if (!fits) return written == kivo::ApngWriteError::kTooLarge ? 0 : (__builtin_trap(), 0);
    if (written != kivo::ApngWriteError::kNone) __builtin_trap();
    if (!kivo::ReadApngBytes(saved, {}, error)) __builtin_trap();
    return 0;
}
