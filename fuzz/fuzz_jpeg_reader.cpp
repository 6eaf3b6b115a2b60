// JPEG reader: any bytes give a 24-bit picture of the file's size or a refusal;
// a fatal library error must come back to us, never end the process. The last
// byte chooses preview mode (the fast DCT), so both decoding paths are covered.
// Small pictures that read are written again and read back, which takes the
// writer through every size and colour the reader lets through.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "jpeg/jpeg_reader.h"
#include "jpeg/jpeg_writer.h"
#include "platform/recording_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    kivo::ScopedRecordingBackend rec;  // messages are expected; keep them off stderr
    const kivo::JpegDecode decode =
        size > 0 && (data[size - 1] & 1) ? kivo::JpegDecode::kPreview : kivo::JpegDecode::kExact;
    kivo::Frame frame;
    const bool ok = kivo::ReadJpegBytes(nullptr, {data, size}, frame, decode);
    // At most the first warning, then the error that ended the read.
    if (rec->errors.size() > 2) __builtin_trap();
    if (!ok) {
        if (!frame.dib.empty()) __builtin_trap();
        return 0;
    }
    if (!kivo::DibIsValid(frame.dib) || kivo::DibBitCount(frame.dib) != 24 ||
        kivo::DibWidth(frame.dib) != uint32_t(frame.width) || kivo::DibHeight(frame.dib) != uint32_t(frame.height))
        __builtin_trap();
    if (size_t(frame.width) * size_t(frame.height) > 64 * 64) return 0;
    std::vector<uint8_t> again;
    kivo::Frame back;
    if (!kivo::EncodeJpeg(nullptr, frame, 50, again) || !kivo::ReadJpegBytes(nullptr, again, back) ||
        back.width != frame.width || back.height != frame.height)
        __builtin_trap();  // what we write we must read back
    return 0;
}
