// The write options, with their built-in defaults, as one value. Whoever runs
// saves owns one: the editor's session (loaded from the settings file at start,
// stored at exit, changed by the option dialogs), kivo-cli for one run (the
// settings file plus --set), a test for one case. Writers and palette
// preparation take it as an argument. Look-up by name serves --set and help.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo {

// Fields keep the names the options have in --set, in help and in the option
// tables, so a name means one thing everywhere.
struct WriteOptions {
    int MaxColors = 256;         // 8, 16, 32, 64, 128 or 256
    int UnifyPalette = 1;        // 1: reduce jointly into one global palette
    int AlwaysDither = 0;        // 1: quantize every frame; cleared after a successful save
    int Interlace = 0;           // 1: GIF first frame interlaced
    int NoColorReduction = 0;    // MNG: frames over 256 colours stay 24-bit
    int JngOver256Only = 0;      // MNG: such frames become JNG rather than truecolour PNG
    int KeepPngPalette = 0;      // frames read from indexed PNG keep palette and indices
    int TransparentIndex = -1;   // -1, or the transparent entry of a kept PNG palette
    int JngQuality = 60;         // MNG: JPEG quality of JNG frames, 1-100
    int MhdrStrictProfile = 1;   // MNG: MHDR states the features the file uses (else profile 0)
    int TermAlways = 1;          // MNG: TERM always written, with the last frame's delay
    int FramMayOmit = 1;         // MNG: FRAM only where mode or delay changes
    int DefiMayOmit = 1;         // MNG: DEFI only where the placement changes
    int JngAllFrames = 0;        // MNG: every frame is JNG (no palette preparation)
    int NoGlobalPalette = 0;     // MNG: no global PLTE; frames carry their palettes
    int MngShowOptionsOnSave = 1;  // MNG option dialog before every MNG save
    int ShowOptionsOnSave = 1;     // GIF option dialog before every GIF save
    int UseStandardPaint = 1;      // 1: frames are edited in the first paint program found
    int OptimizeWithTransparency = 1;  // size optimisation also turns repeated pixels transparent
    int WebpLossless = 1;          // WebP: 1 lossless, 0 lossy
    int WebpQuality = 75;          // WebP: 0-100; lossy: picture quality, lossless: effort spent on size
    int WebpShowOptionsOnSave = 1; // WebP option dialog before every WebP save
    int Lossiness = 0;             // GIF: 0 exact coding; up to 200, how far pixels may move for size
    int TargetSize = 0;            // GIF: bytes a save should fit in by choosing lossiness and colours; 0 none
    // The paint program chosen instead of the standard one; empty = none.
    std::string PaintProgramPath;

    bool operator==(const WriteOptions&) const = default;
};

// The option of options called name (as above), or nullptr.
int* FindWriteOption(WriteOptions& options, std::string_view name);
// Sets an option by name from text; false with a reason for an unknown name or a
// value out of range, options then unchanged.
bool SetWriteOption(WriteOptions& options, std::string_view name, std::string_view value, std::string* why);
// An option as help texts show it.
struct WriteOptionInfo {
    std::string_view name;
    int defaultValue;
    std::string_view range;    // the values it takes, in words
    std::string_view meaning;  // one line
};
// The options a user chooses, in table order.
std::vector<WriteOptionInfo> UserWriteOptions();

}  // namespace kivo
