// AVI import: any bytes give a document whose frames hold 24-bit pictures of
// their own size with a delay that never went negative, or nothing, without a
// crash, a hang or memory beyond the limits, and with the progress dialog
// closed. The last byte chooses the first-picture reader instead.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "avi/avi_decoder.h"
#include "avi/avi_import.h"

namespace {

bool PictureMatches(const kivo::Frame& f) {
    return kivo::DibIsValid(f.dib) && kivo::DibBitCount(f.dib) == 24 && kivo::DibWidth(f.dib) == uint32_t(f.width) &&
           kivo::DibHeight(f.dib) == uint32_t(f.height) && f.width > 0 && f.height > 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("KIVO_THREADS", "1", 1);  // one decoding thread: findings reproduce
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 20;
    kivo::MaxAviImportBytes = uint64_t(64) << 20;
    kivo::MaxAviSamples = 4096;
    kivo::ScopedRecordingBackend rec;
    if (size > 0 && (data[size - 1] & 1)) {
        kivo::Frame frame;
        if (kivo::ReadAviFirstFrameBytes({data, size}, &frame) ? !PictureMatches(frame) : !frame.dib.empty())
            __builtin_trap();
        return 0;
    }
    auto doc = kivo::ImportAviBytes(nullptr, {data, size});
    if (rec->opens != 1 || rec->closes != 1 || rec->errors.size() > 1) __builtin_trap();
    if (!doc) return 0;
    int32_t count = 0;
    for (const kivo::Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++count)
        if (!PictureMatches(*f) || f->delay < 0 || f->left != 0 || f->top != 0) __builtin_trap();
    if (count == 0 || count != doc->frameCount || doc->currentFrame != doc->firstFrame.get() || !rec->errors.empty())
        __builtin_trap();
    return 0;
}
