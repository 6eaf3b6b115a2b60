#include "options/option_settings.h"

#include <algorithm>
#include <vector>

#include "options/write_options.h"
#include "doc/anim_doc.h"

namespace kivo {
namespace {

int Flag(int v) { return v != 0 ? 1 : 0; }

// 8, 16, ..., 256: the largest budget not above v.
int ColourBudget(int v) {
    int budget = 8;
    while (budget < 256 && budget * 2 <= v) budget *= 2;
    return budget;
}

// Each key's values in order, and how a read value becomes the option.
struct Slot {
    int* option;
    int (*accept)(int read, int current);
};

int AsFlag(int read, int) { return Flag(read); }
int AsBudget(int read, int) { return ColourBudget(read); }
int AsQuality(int read, int) { return std::clamp(read, 1, 100); }
int AsPercent(int read, int) { return std::clamp(read, 0, 100); }
int AsMode(int read, int current) { return read == 0 || read == 1 ? read : current; }
int AsIndex(int read, int current) { return read >= -1 && read <= 255 ? read : current; }
int AsLossiness(int read, int) { return std::clamp(read, 0, 200); }
int AsBytes(int read, int) { return std::max(read, 0); }

void Load(const Settings& settings, std::string_view key, std::initializer_list<Slot> slots) {
    const std::vector<int> values = SettingNumbers(settings, key);
    auto slot = slots.begin();
    for (size_t i = 0; i < values.size() && slot != slots.end(); ++i, ++slot)
        *slot->option = slot->accept(values[i], *slot->option);
}

void Store(Settings& settings, std::string_view key, std::initializer_list<int> values) {
    const std::vector<int> list(values);
    SetSettingNumbers(settings, key, list);
}

}  // namespace

void LoadOptionSettings(const Settings& settings, WriteOptions& o, int* formatMode) {
    int mode = formatMode ? *formatMode : 0;
    Load(settings, "GifWROpt",
         {{&o.MaxColors, AsBudget}, {&o.UnifyPalette, AsFlag}, {&o.ShowOptionsOnSave, AsFlag}, {&o.Interlace, AsFlag}});
    Load(settings, "MngWROpt",
         {{&o.NoColorReduction, AsFlag}, {&o.JngOver256Only, AsFlag}, {&o.JngQuality, AsQuality},
          {&o.MhdrStrictProfile, AsFlag}, {&o.TermAlways, AsFlag}, {&o.FramMayOmit, AsFlag}, {&o.DefiMayOmit, AsFlag},
          {&o.JngAllFrames, AsFlag}, {&o.NoGlobalPalette, AsFlag}, {&mode, AsMode}});
    if (formatMode) *formatMode = mode;
    Load(settings, "MngWROpt2", {{&o.KeepPngPalette, AsFlag}, {&o.TransparentIndex, AsIndex}});
    Load(settings, "OPT1", {{&o.UseStandardPaint, AsFlag}, {&o.OptimizeWithTransparency, AsFlag}});
    Load(settings, "WebpLossless", {{&o.WebpLossless, AsFlag}});
    Load(settings, "WebpQuality", {{&o.WebpQuality, AsPercent}});
    Load(settings, "WebpShowOptionsOnSave", {{&o.WebpShowOptionsOnSave, AsFlag}});
    Load(settings, "GifLossy", {{&o.Lossiness, AsLossiness}, {&o.TargetSize, AsBytes}});
    if (const std::string* paint = SettingText(settings, "PaintSoft")) o.PaintProgramPath = *paint;
}

void StoreOptionSettings(Settings& settings, const WriteOptions& o, int formatMode) {
    Store(settings, "GifWROpt", {o.MaxColors, o.UnifyPalette, o.ShowOptionsOnSave, o.Interlace});
    Store(settings, "MngWROpt",
          {Flag(o.NoColorReduction), Flag(o.JngOver256Only), o.JngQuality, Flag(o.MhdrStrictProfile), Flag(o.TermAlways),
           Flag(o.FramMayOmit), Flag(o.DefiMayOmit), Flag(o.JngAllFrames), Flag(o.NoGlobalPalette), formatMode});
    Store(settings, "MngWROpt2", {Flag(o.KeepPngPalette), o.TransparentIndex});
    Store(settings, "OPT1", {Flag(o.UseStandardPaint), Flag(o.OptimizeWithTransparency)});
    Store(settings, "WebpLossless", {Flag(o.WebpLossless)});
    Store(settings, "WebpQuality", {o.WebpQuality});
    Store(settings, "WebpShowOptionsOnSave", {Flag(o.WebpShowOptionsOnSave)});
    Store(settings, "GifLossy", {o.Lossiness, o.TargetSize});
    SetSettingText(settings, "PaintSoft", o.PaintProgramPath);
}

}  // namespace kivo
