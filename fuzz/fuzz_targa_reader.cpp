// Targa reader: any bytes give a 24-bit picture of the header's size and no
// message, or exactly one message and no picture; never a read outside the data.
#include <cstddef>
#include <cstdint>

#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "targa/targa_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    kivo::ScopedRecordingBackend rec;  // messages are expected; keep them off stderr
    kivo::Frame frame;
    const bool ok = kivo::ReadTargaBytes(nullptr, {data, size}, frame);
    if (ok) {
        if (!rec->errors.empty() || !kivo::DibIsValid(frame.dib) || kivo::DibBitCount(frame.dib) != 24 ||
            kivo::DibWidth(frame.dib) != uint32_t(frame.width) || kivo::DibHeight(frame.dib) != uint32_t(frame.height) ||
            size < 18 || kivo::DibWidth(frame.dib) != uint32_t(data[12] | data[13] << 8))
            __builtin_trap();
    } else if (rec->errors.size() != 1 || !frame.dib.empty()) {
        __builtin_trap();
    }
    return 0;
}
