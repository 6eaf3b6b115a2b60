#include "render/screen_png.h"

#include <png.h>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/safe_save.h"

namespace kivo {

namespace {

// The screen's pixels in memory order are blue, green, red, alpha (0 where
// nothing was drawn), which PNG_FORMAT_BGRA takes as they are.
bool Encode(const Composition& c, std::vector<uint8_t>& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(c.width);
    image.height = png_uint_32(c.height);
    const bool opaque = std::none_of(c.screen.begin(), c.screen.end(), [](uint32_t p) { return p == kNothingDrawn; });
    std::vector<uint8_t> rgb;
    const void* pixels = c.screen.data();
    if (opaque) {
        rgb.resize(c.screen.size() * 3);
        uint8_t* o = rgb.data();
        for (uint32_t p : c.screen) {
            *o++ = uint8_t(p >> 16);
            *o++ = uint8_t(p >> 8);
            *o++ = uint8_t(p);
        }
        image.format = PNG_FORMAT_RGB;
        pixels = rgb.data();
    } else {
        image.format = PNG_FORMAT_BGRA;
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, pixels, 0, nullptr)) return false;
    out.resize(size);
    const bool ok = png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr) != 0;
    png_image_free(&image);
    out.resize(size);
    return ok;
}

}  // namespace

const char* ScreenPngMessage(ScreenPngError error) {
    switch (error) {
    case ScreenPngError::kNoMemory: return "メモリが足りません。";
    case ScreenPngError::kNoScreen:
    case ScreenPngError::kEncode:
    case ScreenPngError::kWrite: return "書き込みに失敗しました。";
    case ScreenPngError::kNone: break;
    }
    return "";
}

ScreenPngError WriteScreenPng(const std::string& path, const Composition& screen) {
    if (screen.width <= 0 || screen.height <= 0 ||
        screen.screen.size() != size_t(screen.width) * size_t(screen.height))
        return ScreenPngError::kNoScreen;
    std::vector<uint8_t> bytes;
    try {
        if (!Encode(screen, bytes)) return ScreenPngError::kEncode;
    } catch (const std::bad_alloc&) {
        return ScreenPngError::kNoMemory;
    }
    SafeFile file;
    if (!file.Open(path) || !file.Write(bytes) || !file.Commit()) return ScreenPngError::kWrite;
    return ScreenPngError::kNone;
}

bool WriteScreenPng(OwnerWindow owner, const std::string& path, const Composition& screen) {
    const ScreenPngError error = WriteScreenPng(path, screen);
    if (error == ScreenPngError::kNone) return true;
    ShowError(owner, ScreenPngMessage(error));
    return false;
}

}  // namespace kivo
