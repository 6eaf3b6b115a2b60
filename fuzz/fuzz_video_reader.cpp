// Video import over any container: any bytes give a document whose frames hold
// 24-bit pictures of their own size with a positive delay, or nothing with the
// progress dialog closed, without a crash, a hang or memory beyond the limits.
// The last byte chooses a frame rate and a range, so that those paths are
// tried too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "avi/avi_decoder.h"
#include "avi/avi_import.h"
#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "video/video_import.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("KIVO_THREADS", "1", 1);  // one decoding thread: findings reproduce
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 20;
    kivo::MaxAviImportBytes = uint64_t(64) << 20;
    kivo::ScopedRecordingBackend rec;
    kivo::ReadOptions options;
    if (size > 0 && (data[size - 1] & 1)) {
        options.videoFps = 1 + data[size - 1] % 31;
        options.videoStart = (data[size - 1] >> 5) * 0.25;
        options.videoDuration = (data[size - 1] >> 1 & 3) * 0.5;
    }
    kivo::VideoReadResult result;
    auto doc = kivo::LoadVideoBytes(nullptr, {data, size}, options, result);
    if (rec->opens != 1 || rec->closes != 1) __builtin_trap();
    if (!doc) return 0;
    int32_t count = 0;
    for (const kivo::Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++count) {
        const bool fits = kivo::DibIsValid(f->dib) && kivo::DibBitCount(f->dib) == 24 &&
                          kivo::DibWidth(f->dib) == uint32_t(f->width) && kivo::DibHeight(f->dib) == uint32_t(f->height);
        if (!fits || f->delay <= 0) __builtin_trap();
    }
    if (count == 0 || count != doc->frameCount || result.error != kivo::AviReadError::kNone) __builtin_trap();
    return 0;
}
