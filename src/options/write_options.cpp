#include "options/write_options.h"

#include <charconv>
#include <string>

namespace kivo {

namespace {

enum class Range { kColors, kFlag, kIndex, kQuality, kPercent, kLossiness, kBytes };

struct OptionEntry {
    std::string_view name;
    int WriteOptions::*value;
    Range range;
    std::string_view meaning;
};

// One table drives look-up, validation and help; the defaults are the
// struct's own, so the two cannot disagree.
const OptionEntry kOptions[] = {
    {"MaxColors", &WriteOptions::MaxColors, Range::kColors, "most colours in a palette"},
    {"UnifyPalette", &WriteOptions::UnifyPalette, Range::kFlag,
     "1: one global palette, shared as far as possible; 0: one per frame"},
    {"AlwaysDither", &WriteOptions::AlwaysDither, Range::kFlag,
     "1: reduce and dither every frame, also one that fits (one save)"},
    {"Interlace", &WriteOptions::Interlace, Range::kFlag, "1: the first frame is stored interlaced (GIF)"},
    {"NoColorReduction", &WriteOptions::NoColorReduction, Range::kFlag,
     "1: frames of more than 256 colours stay full colour (MNG)"},
    {"JngOver256Only", &WriteOptions::JngOver256Only, Range::kFlag,
     "1: only frames of more than 256 colours become JNG (MNG)"},
    {"KeepPngPalette", &WriteOptions::KeepPngPalette, Range::kFlag,
     "1: frames read from indexed PNG keep palette and indices (MNG)"},
    {"TransparentIndex", &WriteOptions::TransparentIndex, Range::kIndex,
     "transparent entry of a kept PNG palette, -1 for none (MNG)"},
    {"JngQuality", &WriteOptions::JngQuality, Range::kQuality, "JPEG quality of JNG frames (MNG)"},
    {"MhdrStrictProfile", &WriteOptions::MhdrStrictProfile, Range::kFlag,
     "1: MHDR states the features the file uses; 0: profile 0 (MNG)"},
    {"TermAlways", &WriteOptions::TermAlways, Range::kFlag,
     "1: TERM always written, holding the last frame's delay (MNG)"},
    {"FramMayOmit", &WriteOptions::FramMayOmit, Range::kFlag,
     "1: FRAM only where the framing mode or delay changes (MNG)"},
    {"DefiMayOmit", &WriteOptions::DefiMayOmit, Range::kFlag,
     "1: DEFI only where the placement changes (MNG)"},
    {"JngAllFrames", &WriteOptions::JngAllFrames, Range::kFlag, "1: every frame is stored as JNG (MNG)"},
    {"NoGlobalPalette", &WriteOptions::NoGlobalPalette, Range::kFlag,
     "1: no global palette; every frame carries its own (MNG)"},
    {"MngShowOptionsOnSave", &WriteOptions::MngShowOptionsOnSave, Range::kFlag,
     "1: the MNG option dialog opens before every MNG save"},
    {"ShowOptionsOnSave", &WriteOptions::ShowOptionsOnSave, Range::kFlag,
     "1: the GIF option dialog opens before every GIF save"},
    {"UseStandardPaint", &WriteOptions::UseStandardPaint, Range::kFlag,
     "1: frames are edited in the first paint program found; 0: in PaintProgramPath"},
    {"OptimizeWithTransparency", &WriteOptions::OptimizeWithTransparency, Range::kFlag,
     "1: optimising frame sizes also turns pixels that repeat the screen transparent"},
    {"WebpLossless", &WriteOptions::WebpLossless, Range::kFlag, "1: WebP frames are lossless; 0: lossy"},
    {"WebpQuality", &WriteOptions::WebpQuality, Range::kPercent,
     "WebP quality when lossy; effort spent on size when lossless"},
    {"WebpShowOptionsOnSave", &WriteOptions::WebpShowOptionsOnSave, Range::kFlag,
     "1: the WebP option dialog opens before every WebP save"},
    {"Lossiness", &WriteOptions::Lossiness, Range::kLossiness,
     "GIF: how far pixel colours may move to make the file smaller; 0: exact"},
    {"TargetSize", &WriteOptions::TargetSize, Range::kBytes,
     "GIF: bytes the file should fit in, reached by lossiness, then fewer colours; 0: none"},
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
        case Range::kPercent:
            return v >= 0 && v <= 100;
        case Range::kLossiness:
            return v >= 0 && v <= 200;
        case Range::kBytes:
            return v >= 0;
    }
    return false;
}

const char* RangeText(Range range) {
    switch (range) {
        case Range::kColors: return "8, 16, 32, 64, 128 or 256";
        case Range::kFlag: return "0 or 1";
        case Range::kIndex: return "-1 to 255";
        case Range::kQuality: return "1 to 100";
        case Range::kPercent: return "0 to 100";
        case Range::kLossiness: return "0 to 200";
        case Range::kBytes: return "0 or a number of bytes";
    }
    return "";
}

}  // namespace

int* FindWriteOption(WriteOptions& options, std::string_view name) {
    const OptionEntry* e = FindEntry(name);
    return e ? &(options.*e->value) : nullptr;
}

bool SetWriteOption(WriteOptions& options, std::string_view name, std::string_view value, std::string* why) {
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
    options.*e->value = v;
    return true;
}

std::vector<WriteOptionInfo> UserWriteOptions() {
    static const WriteOptions defaults;
    std::vector<WriteOptionInfo> list;
    for (const OptionEntry& e : kOptions)
        list.push_back({e.name, defaults.*e.value, RangeText(e.range), e.meaning});
    return list;
}

}  // namespace kivo
