// GIF animation reader: any bytes must give a consistent document or nothing,
// without a crash, a hang or memory beyond what the data can fill; a file cut
// off in the middle gives its complete frames.
#include <cstddef>
#include <cstdint>

#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "platform/recording_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    kivo::ScopedRecordingBackend rec;  // messages are expected; keep them off stderr
    // Read as Open does, keeping the complete frames of a file that is cut
    // off: those must make a consistent document too.
    kivo::GifCut cut;
    auto doc = kivo::ReadGifBytesUpToCut(nullptr, {data, size}, "fuzz.gif", cut);
    if (cut.cut && (cut.message.empty() || (doc && doc->frameCount != cut.completeFrames))) __builtin_trap();
    if (!doc) return 0;
    // Every frame must hold a picture of its own size, and the list must add up.
    int count = 0;
    for (const kivo::Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++count) {
        if (!kivo::DibIsValid(f->dib) || kivo::DibBitCount(f->dib) != 24 ||
            kivo::DibWidth(f->dib) != uint16_t(f->width) ||
            kivo::DibHeight(f->dib) != uint16_t(f->height) || (f->imageFlags & 0x40))
            __builtin_trap();
    }
    if (count != doc->frameCount || count == 0 || doc->currentFrame != doc->firstFrame.get())
        __builtin_trap();
    return 0;
}
