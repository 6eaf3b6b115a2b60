// A small hash from packed colours to the first palette or census position that
// holds them. Census and exact lookup meet each pixel once; with up to 257
// colours a linear search per pixel dominated saving whole animations.
#pragma once

#include <array>
#include <cstdint>

namespace kivo {

class ColorIndex {
public:
    ColorIndex() { Clear(); }
    void Clear() { values_.fill(-1); }
    // Position of c, or -1.
    int Find(uint32_t c) const {
        for (uint32_t s = Slot(c);; s = (s + 1) & (kSlots - 1)) {
            if (values_[s] < 0) return -1;
            if (keys_[s] == c) return values_[s];
        }
    }
    // Records c at position v unless c is already there (the first one wins).
    // At most kCapacity distinct colours may be inserted.
    void Insert(uint32_t c, int v) {
        for (uint32_t s = Slot(c);; s = (s + 1) & (kSlots - 1)) {
            if (values_[s] < 0) {
                keys_[s] = c;
                values_[s] = int16_t(v);
                return;
            }
            if (keys_[s] == c) return;
        }
    }
    static constexpr int kCapacity = 512;

private:
    static constexpr uint32_t kSlots = 2048;  // load stays at or below a quarter
    static uint32_t Slot(uint32_t c) { return (c * 2654435761u) >> 21; }
    std::array<uint32_t, kSlots> keys_{};
    std::array<int16_t, kSlots> values_{};
};

}  // namespace kivo
