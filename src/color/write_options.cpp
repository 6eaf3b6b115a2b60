#include "color/write_options.h"

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
int CodecIsMng = 0;

namespace {

enum class Range { kColors, kFlag, kIndex };

struct OptionEntry {
    std::string_view name;
    int* value;
    int defaultValue;
    Range range;
};

// One table drives look-up, validation and reset, so a new option cannot be
// found by name yet forget its default.
const OptionEntry kOptions[] = {
    {"MaxColors", &MaxColors, 256, Range::kColors},
    {"UnifyPalette", &UnifyPalette, 1, Range::kFlag},
    {"AlwaysDither", &AlwaysDither, 0, Range::kFlag},
    {"Interlace", &Interlace, 0, Range::kFlag},
    {"NoColorReduction", &NoColorReduction, 0, Range::kFlag},
    {"JngOver256Only", &JngOver256Only, 0, Range::kFlag},
    {"KeepPngPalette", &KeepPngPalette, 0, Range::kFlag},
    {"TransparentIndex", &TransparentIndex, -1, Range::kIndex},
    {"CodecIsMng", &CodecIsMng, 0, Range::kFlag},
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
    }
    return false;
}

const char* RangeText(Range range) {
    switch (range) {
        case Range::kColors: return "8, 16, 32, 64, 128 or 256";
        case Range::kFlag: return "0 or 1";
        case Range::kIndex: return "-1 to 255";
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

void ResetWriteOptions() {
    for (const OptionEntry& e : kOptions) *e.value = e.defaultValue;
}

}  // namespace kivo
