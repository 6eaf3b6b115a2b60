// WebP reader: any bytes give a document whose frames are all 24-bit pictures of
// the canvas's size, or no document and a reason; never a crash, a hang or an
// allocation beyond the pixel budget.
#include <cstddef>
#include <cstdint>

#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "webp/webp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    kivo::ScopedRecordingBackend rec;
    kivo::WebpReadError error = kivo::WebpReadError::kNone;
    auto doc = kivo::LoadWebpBytes(nullptr, {data, size}, error);
    if (!doc) {
        if (error == kivo::WebpReadError::kNone) __builtin_trap();
        return 0;
    }
    int count = 0;
    for (const kivo::Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++count) {
        if (!kivo::DibIsValid(f->dib) || kivo::DibBitCount(f->dib) != 24 || f->width != doc->screenWidth ||
            f->height != doc->screenHeight || f->delay < 0)
            __builtin_trap();
    }
    if (count != doc->frameCount || count == 0) __builtin_trap();
    return 0;
}
