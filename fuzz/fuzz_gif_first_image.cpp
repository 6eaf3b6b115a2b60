// First-image GIF decoder: any bytes must give a valid 24-bit picture or nothing.
#include <cstddef>
#include <cstdint>

#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "gif/gif_first_image.h"
#include "platform/recording_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    kivo::ScopedRecordingBackend rec;
    kivo::Frame frame;
    if (!kivo::DecodeFirstGifImageBytes(nullptr, {data, size}, frame)) {
        if (!frame.dib.empty()) __builtin_trap();  // a failure leaves the frame alone
        return 0;
    }
    if (!kivo::DibIsValid(frame.dib) || kivo::DibBitCount(frame.dib) != 24 ||
        kivo::DibWidth(frame.dib) != uint16_t(frame.width) ||
        kivo::DibHeight(frame.dib) != uint16_t(frame.height))
        __builtin_trap();
    return 0;
}
