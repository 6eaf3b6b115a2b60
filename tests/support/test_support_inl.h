#pragma once

#include "doc/dib.h"

namespace kivo::test {

template <typename F>
Dib MakeImage(int width, int height, F f) {
    Dib dib = MakeDib24(uint32_t(width), uint32_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) SetPixel(dib, x, y, f(x, y));
    return dib;
}

}  // namespace kivo::test
