// The video encoders an AVI export can use: those of the installed FFmpeg that
// the AVI container can hold and that run without special hardware.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo {

// Uncompressed frames, as every AVI player shows them.
inline constexpr char kDefaultAviEncoder[] = "rawvideo";

struct AviEncoderInfo {
    std::string name;          // FFmpeg's name for it ("mjpeg")
    std::string description;   // FFmpeg's longer name
    bool takes256Colours = false;  // stores 8-bit pictures with their palette
};

// Uncompressed first, then by name.
std::vector<AviEncoderInfo> AviEncoders();
bool IsAviEncoder(std::string_view name);
// Whether the encoder stores 8-bit pictures with their palette as they are.
bool AviEncoderTakes256Colours(std::string_view name);

}  // namespace kivo
