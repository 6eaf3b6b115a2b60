#include "options/write_options.h"

#include <charconv>
#include <string>

namespace kivo {

int MaxColors = 256;
int UnifyPalette = 1;
int AlwaysDither = 0;
int Interlace = 0;
int NoColorReduction = 0;
int JngOver256Only = 0;
int KeepPngPalette = 0;
int TransparentIndex = -1;
int JngQuality = 60;
int MhdrStrictProfile = 1;
int TermAlways = 1;
int FramMayOmit = 1;
int DefiMayOmit = 1;
int JngAllFrames = 0;
int NoGlobalPalette = 0;
int MngShowOptionsOnSave = 1;
int ShowOptionsOnSave = 1;
int UseStandardPaint = 1;
int OptimizeWithTransparency = 1;
std::string PaintProgramPath;
int CodecIsMng = 0;

namespace {

enum class Range { kColors, kFlag, kIndex, kQuality };

struct OptionEntry {
    std::string_view name;
    int* value;
    int defaultValue;
    Range range;
    std::string_view meaning;  // empty: not a user's choice
};

// One table drives look-up, validation and reset, so a new option cannot be
// found by name yet forget its default.
const OptionEntry kOptions[] = {
    {"MaxColors", &MaxColors, 256, Range::kColors, "most colours in a palette"},
    {"UnifyPalette", &UnifyPalette, 1, Range::kFlag,
     "1: one global palette, shared as far as possible; 0: one per frame"},
    {"AlwaysDither", &AlwaysDither, 0, Range::kFlag,
     "1: reduce and dither every frame, also one that fits (one save)"},
    {"Interlace", &Interlace, 0, Range::kFlag, "1: the first frame is stored interlaced (GIF)"},
    {"NoColorReduction", &NoColorReduction, 0, Range::kFlag,
     "1: frames of more than 256 colours stay full colour (MNG)"},
    {"JngOver256Only", &JngOver256Only, 0, Range::kFlag,
     "1: only frames of more than 256 colours become JNG (MNG)"},
    {"KeepPngPalette", &KeepPngPalette, 0, Range::kFlag,
     "1: frames read from indexed PNG keep palette and indices (MNG)"},
    {"TransparentIndex", &TransparentIndex, -1, Range::kIndex,
     "transparent entry of a kept PNG palette, -1 for none (MNG)"},
    {"JngQuality", &JngQuality, 60, Range::kQuality, "JPEG quality of JNG frames (MNG)"},
    {"MhdrStrictProfile", &MhdrStrictProfile, 1, Range::kFlag,
     "1: MHDR states the features the file uses; 0: profile 0 (MNG)"},
    {"TermAlways", &TermAlways, 1, Range::kFlag,
     "1: TERM always written, holding the last frame's delay (MNG)"},
    {"FramMayOmit", &FramMayOmit, 1, Range::kFlag,
     "1: FRAM only where the framing mode or delay changes (MNG)"},
    {"DefiMayOmit", &DefiMayOmit, 1, Range::kFlag,
     "1: DEFI only where the placement changes (MNG)"},
    {"JngAllFrames", &JngAllFrames, 0, Range::kFlag, "1: every frame is stored as JNG (MNG)"},
    {"NoGlobalPalette", &NoGlobalPalette, 0, Range::kFlag,
     "1: no global palette; every frame carries its own (MNG)"},
    {"MngShowOptionsOnSave", &MngShowOptionsOnSave, 1, Range::kFlag,
     "1: the MNG option dialog opens before every MNG save"},
    {"ShowOptionsOnSave", &ShowOptionsOnSave, 1, Range::kFlag,
     "1: the GIF option dialog opens before every GIF save"},
    {"UseStandardPaint", &UseStandardPaint, 1, Range::kFlag,
     "1: frames are edited in the first paint program found; 0: in PaintProgramPath"},
    {"OptimizeWithTransparency", &OptimizeWithTransparency, 1, Range::kFlag,
     "1: optimising frame sizes also turns pixels that repeat the screen transparent"},
    {"CodecIsMng", &CodecIsMng, 0, Range::kFlag, ""},
};

const OptionEntry* FindEntry(std::string_view name) {
    for (const OptionEntry& e : kOptions)
        if (e.name == name) return &e;
    return nullptr;
}

bool InRange(Range range, int v) {
    switch (range) {
        case Range::kColors:
            // Only the budgets the option dialog offers: 8, 16, ..., 256.
            return v >= 8 && v <= 256 && (v & (v - 1)) == 0;
        case Range::kFlag:
            return v == 0 || v == 1;
        case Range::kIndex:
            return v >= -1 && v <= 255;
        case Range::kQuality:
            return v >= 1 && v <= 100;
    }
    return false;
}

const char* RangeText(Range range) {
    switch (range) {
        case Range::kColors: return "8, 16, 32, 64, 128 or 256";
        case Range::kFlag: return "0 or 1";
        case Range::kIndex: return "-1 to 255";
        case Range::kQuality: return "1 to 100";
    }
    return "";
}

}  // namespace

int* FindWriteOption(std::string_view name) {
    const OptionEntry* e = FindEntry(name);
    return e ? e->value : nullptr;
}

bool SetWriteOption(std::string_view name, std::string_view value, std::string* why) {
    const OptionEntry* e = FindEntry(name);
    if (!e) {
        if (why) *why = "unknown option " + std::string(name);
        return false;
    }
    int v = 0;
    const char* first = value.data();
    const char* last = value.data() + value.size();
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (value.empty() || ec != std::errc() || ptr != last || !InRange(e->range, v)) {
        if (why)
            *why = std::string(name) + " must be " + RangeText(e->range) + ", not \"" +
                   std::string(value) + "\"";
        return false;
    }
    *e->value = v;
    return true;
}

std::vector<WriteOptionInfo> UserWriteOptions() {
    std::vector<WriteOptionInfo> list;
    for (const OptionEntry& e : kOptions)
        if (!e.meaning.empty()) list.push_back({e.name, e.defaultValue, RangeText(e.range), e.meaning});
    return list;
}

void ResetWriteOptions() {
    for (const OptionEntry& e : kOptions) *e.value = e.defaultValue;
    PaintProgramPath.clear();
}

}  // namespace kivo
