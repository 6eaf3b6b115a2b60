#include "app/option_rules.h"

#include <charconv>

namespace kivo {

namespace {

// The options the two dialogs edit; the other options dialog's (paint
// program, optimisation) are not theirs to put back.
int WriteOptions::* const kEdited[] = {
    &WriteOptions::MaxColors,         &WriteOptions::UnifyPalette,   &WriteOptions::ShowOptionsOnSave,
    &WriteOptions::MngShowOptionsOnSave, &WriteOptions::AlwaysDither, &WriteOptions::Interlace,
    &WriteOptions::NoColorReduction,  &WriteOptions::JngAllFrames,   &WriteOptions::JngOver256Only,
    &WriteOptions::JngQuality,        &WriteOptions::MhdrStrictProfile, &WriteOptions::TermAlways,
    &WriteOptions::FramMayOmit,       &WriteOptions::DefiMayOmit,    &WriteOptions::NoGlobalPalette,
    &WriteOptions::KeepPngPalette,    &WriteOptions::TransparentIndex,  &WriteOptions::WebpLossless,
    &WriteOptions::WebpQuality,       &WriteOptions::WebpShowOptionsOnSave, &WriteOptions::Lossiness,
    &WriteOptions::TargetSize,
};

// The leading decimal number of text (at most nine characters read), else 0.
long LeadingNumber(std::string_view text) {
    text = text.substr(0, 9);
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    long value = 0;
    std::from_chars(text.data() + start, text.data() + text.size(), value);
    return value;
}

}  // namespace

OptionSnapshot::OptionSnapshot(const WriteOptions& options) : opened_(options) {}

void OptionSnapshot::Restore(WriteOptions& options) const {
    for (int WriteOptions::*option : kEdited) options.*option = opened_.*option;
}

JngChoice CurrentJngChoice(const WriteOptions& o) {
    if (o.JngOver256Only) return JngChoice::kOver256Only;
    if (o.JngAllFrames) return JngChoice::kAllFrames;
    return JngChoice::kNone;
}

bool JngRadiosEnabled(const WriteOptions& o) { return o.NoColorReduction != 0; }

bool JngQualityEnabled(const WriteOptions& o) { return o.NoColorReduction && (o.JngOver256Only || o.JngAllFrames); }

void ChooseMaxColors(WriteOptions& o, int budget, bool mngDialog) {
    o.MaxColors = budget;
    if (mngDialog) {
        o.NoColorReduction = 0;
        o.JngOver256Only = 0;
        o.JngAllFrames = 0;
    }
}

void ChooseNoColorReduction(WriteOptions& o, bool on) {
    o.NoColorReduction = on ? 1 : 0;
    if (on) o.MaxColors = 256;
}

void ChooseJng(WriteOptions& o, JngChoice choice) {
    o.JngAllFrames = choice == JngChoice::kAllFrames;
    o.JngOver256Only = choice == JngChoice::kOver256Only;
}

int ParseJngQuality(std::string_view text) {
    long q = LeadingNumber(text);
    return q < 1 ? 1 : q > 100 ? 100 : int(q);
}

int ParseTransparentIndex(std::string_view text) {
    if (text.find_first_not_of(' ') == std::string_view::npos) return -1;
    long index = LeadingNumber(text);
    return index < 0 || index > 255 ? -1 : int(index);
}

}  // namespace kivo
