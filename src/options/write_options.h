// Process-wide write options, with their built-in defaults. The settings file
// loads them once at start and stores them at exit; option dialogs and
// kivo-cli's --set change them. Look-up by name serves both.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo {

extern int MaxColors;         // 8, 16, 32, 64, 128 or 256
extern int UnifyPalette;      // 1: reduce jointly into one global palette
extern int AlwaysDither;      // 1: quantize every frame; cleared after a successful save
extern int Interlace;         // 1: GIF first frame interlaced
extern int NoColorReduction;  // MNG: frames over 256 colours stay 24-bit
extern int JngOver256Only;    // MNG: such frames become JNG rather than truecolour PNG
extern int KeepPngPalette;    // frames read from indexed PNG keep palette and indices
extern int TransparentIndex;  // -1, or the transparent entry of a kept PNG palette
extern int JngQuality;        // MNG: JPEG quality of JNG frames, 1-100
extern int MhdrStrictProfile; // MNG: MHDR states the features the file uses (else profile 0)
extern int TermAlways;        // MNG: TERM always written, with the last frame's delay
extern int FramMayOmit;       // MNG: FRAM only where mode or delay changes
extern int DefiMayOmit;       // MNG: DEFI only where the placement changes
extern int JngAllFrames;      // MNG: every frame is JNG (no palette preparation)
extern int NoGlobalPalette;   // MNG: no global PLTE; frames carry their palettes
extern int MngShowOptionsOnSave;  // MNG option dialog before every MNG save
extern int ShowOptionsOnSave; // GIF option dialog before every GIF save
extern int UseStandardPaint;  // 1: frames are edited in the first paint program found
extern int OptimizeWithTransparency;  // size optimisation also turns repeated pixels transparent
// The paint program chosen instead of the standard one; empty = none.
extern std::string PaintProgramPath;

// 1 after the MNG reader or writer ran, 0 after the GIF codecs or AVI export.
extern int CodecIsMng;

// The option called name (as above), or nullptr.
int* FindWriteOption(std::string_view name);
// Sets an option by name from text; false with a reason for an unknown name or a
// value out of range.
bool SetWriteOption(std::string_view name, std::string_view value, std::string* why);
// An option as help texts show it.
struct WriteOptionInfo {
    std::string_view name;
    int defaultValue;
    std::string_view range;    // the values it takes, in words
    std::string_view meaning;  // one line
};
// The options a user chooses, in table order; CodecIsMng, which the codecs set
// for themselves, is not one of them.
std::vector<WriteOptionInfo> UserWriteOptions();

// Puts every option back to its default (tests, new sessions).
void ResetWriteOptions();

}  // namespace kivo
