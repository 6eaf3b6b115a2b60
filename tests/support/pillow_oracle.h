// Pillow as an independent judge of picture files: it decodes a file to RGBA
// pixels (every frame of an animation, with each frame's duration), and runs
// small scripts that write the files our readers are tried on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo::test {

bool HavePillow();

// Runs a Python script with Pillow (`from PIL import Image` done); argv[1] is
// arg. True on exit status 0.
bool RunPillow(const std::string& script, const std::string& arg);

struct RgbaPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // top row first
    int durationMs = 0;         // animations: the frame's duration as the file says
};
// Every frame Pillow composes from the file (one for a still picture); empty
// when Pillow cannot read it.
std::vector<RgbaPicture> PillowDecode(const std::string& path);

// What a frame read from such a picture must show at each pixel: alpha 255 the
// colour itself; alpha 0 the frame's transparent colour; otherwise the colour
// blended over black. Returns the first mismatch as text, empty when the frame
// matches.
std::string CompareWithAlpha(const Frame& frame, const RgbaPicture& expected);

}  // namespace kivo::test
