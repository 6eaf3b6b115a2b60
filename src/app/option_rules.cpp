#include "app/option_rules.h"

#include <charconv>

#include "options/write_options.h"

namespace kivo {

namespace {

// The options the two dialogs edit.
int* const kEdited[] = {
    &MaxColors,      &UnifyPalette,      &ShowOptionsOnSave, &MngShowOptionsOnSave,
    &AlwaysDither,   &Interlace,         &NoColorReduction,  &JngAllFrames,
    &JngOver256Only, &JngQuality,        &MhdrStrictProfile, &TermAlways,
    &FramMayOmit,    &DefiMayOmit,       &NoGlobalPalette,   &KeepPngPalette,
    &TransparentIndex,
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

OptionSnapshot::OptionSnapshot() {
    for (int* option : kEdited) values_.push_back(*option);
}

void OptionSnapshot::Restore() const {
    for (size_t i = 0; i < values_.size(); ++i) *kEdited[i] = values_[i];
}

JngChoice CurrentJngChoice() {
    if (JngOver256Only) return JngChoice::kOver256Only;
    if (JngAllFrames) return JngChoice::kAllFrames;
    return JngChoice::kNone;
}

bool JngRadiosEnabled() { return NoColorReduction != 0; }

bool JngQualityEnabled() { return NoColorReduction && (JngOver256Only || JngAllFrames); }

void ChooseMaxColors(int budget, bool mngDialog) {
    MaxColors = budget;
    if (mngDialog) {
        NoColorReduction = 0;
        JngOver256Only = 0;
        JngAllFrames = 0;
    }
}

void ChooseNoColorReduction(bool on) {
    NoColorReduction = on ? 1 : 0;
    if (on) MaxColors = 256;
}

void ChooseJng(JngChoice choice) {
    JngAllFrames = choice == JngChoice::kAllFrames;
    JngOver256Only = choice == JngChoice::kOver256Only;
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
