// BMP reader: any bytes must give a valid DIB or nothing. What comes out is also
// converted to 24 bits and written back, so the writer sees every odd shape the
// reader lets through; an alpha plane is keyed out as a frame's would be.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "doc/alpha_key.h"
#include "doc/bmp.h"
#include "doc/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::MaxImagePixels = size_t(1) << 22;
    std::vector<uint8_t> alpha;
    kivo::Dib dib = kivo::ParseBmp({data, size}, nullptr, &alpha);
    if (dib.empty()) return 0;
    if (!kivo::DibIsValid(dib)) __builtin_trap();
    kivo::Dib rgb = kivo::DibTo24(kivo::DibSpan(dib));
    if (rgb.empty() || kivo::DibBitCount(rgb) != 24) __builtin_trap();
    if (!alpha.empty()) {
        if (alpha.size() != size_t(kivo::DibWidth(dib)) * kivo::DibHeight(dib)) __builtin_trap();
        kivo::Rgb key;
        kivo::KeyOutAlpha(rgb, alpha, &key);
    }
    std::string out;
    if (kivo::EncodeBmp(dib, out) && kivo::ParseBmp({reinterpret_cast<const uint8_t*>(out.data()),
                                                     out.size()}).empty())
        __builtin_trap();  // what we write we must read back
    return 0;
}
