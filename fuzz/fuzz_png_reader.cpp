// PNG reader: any bytes must give a frame whose picture matches its size, or
// nothing, without a crash, a hang or memory beyond what the image needs. The
// last byte chooses whether the palette and index plane are kept.
#include <cstddef>
#include <cstdint>

#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "png/png_reader.h"
#include "platform/recording_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    kivo::ScopedRecordingBackend rec;
    kivo::Frame frame;
    const bool ok = kivo::ReadPngBytes(nullptr, {data, size}, frame, {size > 0 && (data[size - 1] & 1)});
    if (!ok) {
        if (!frame.dib.empty() || rec->errors.empty()) __builtin_trap();
        return 0;
    }
    if (!kivo::DibIsValid(frame.dib) || kivo::DibBitCount(frame.dib) != 24 ||
        kivo::DibWidth(frame.dib) != uint32_t(frame.width) ||
        kivo::DibHeight(frame.dib) != uint32_t(frame.height))
        __builtin_trap();
    if (!frame.pngIndexPixels.empty() &&
        frame.pngIndexPixels.size() != size_t(frame.width) * size_t(frame.height))
        __builtin_trap();
    return 0;
}
