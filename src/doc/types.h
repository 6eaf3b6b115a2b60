// Small value types shared by the whole engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo {

// A palette entry. Palettes in memory are always red, green, blue; the
// blue, green, red, 0 quads exist only inside DIBs and BMP files.
struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
using Palette = std::vector<Rgb>;  // entry count = size()

// One key/text pair; comments travel as the key "Comment". Texts are byte
// strings, kept exactly as read from a file.
struct TextKey {
    std::string key;
    std::string text;
    bool operator==(const TextKey&) const = default;
};
using TextKeyList = std::vector<TextKey>;  // entry count = size()

// One entry of a frame's colour census; colour packed as r | g << 8 | b << 16.
struct CensusEntry {
    uint32_t color = 0;
    uint32_t count = 0;
};

// A packed device-independent bitmap: header, colour table, bottom-up rows.
using Dib = std::vector<uint8_t>;

}  // namespace kivo
