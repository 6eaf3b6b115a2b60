#include "ui/frame_image.h"

#include <cstring>

#include "doc/dib.h"

namespace kivo {

QImage DibToImage(const Dib& dib) {
    if (!DibIsValid(dib)) return {};
    Dib converted;
    const Dib* source = &dib;
    if (DibBitCount(dib) != 24 || DibCompression(dib) != 0) {
        converted = DibTo24(DibSpan(dib));
        if (!DibIsValid(converted)) return {};
        source = &converted;
    }
    int width = DibWidth(*source), height = DibHeight(*source);
    QImage image(width, height, QImage::Format_BGR888);
    if (image.isNull()) return {};
    size_t rowBytes = DibRowBytes(uint32_t(width), 24);
    const uint8_t* pixels = DibPixels(DibSpan(*source));
    // DIB rows run from the bottom up.
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + rowBytes * size_t(height - 1 - y), size_t(width) * 3);
    return image;
}

}  // namespace kivo
