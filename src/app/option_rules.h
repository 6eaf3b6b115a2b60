// The rules of the GIF and MNG write option dialogs, apart from their widgets:
// what a click changes, which JNG controls are usable, how typed numbers are
// read, and what Cancel puts back.
#pragma once

#include <string_view>

#include "options/write_options.h"

namespace kivo {

// Every option the two dialogs edit, as it was when a dialog opened. Cancel
// restores all of them, so a cancelled dialog never leaves a combination the
// user did not confirm (such as every-frame JNG together with
// JNG-above-256-colours).
class OptionSnapshot {
public:
    explicit OptionSnapshot(const WriteOptions& options);
    void Restore(WriteOptions& options) const;

private:
    WriteOptions opened_;
};

// The colour-count radios offer these budgets.
inline constexpr int kColorBudgets[] = {8, 16, 32, 64, 128, 256};

enum class JngChoice { kAllFrames, kOver256Only, kNone };

// Which JNG choice the dialog shows for the options.
JngChoice CurrentJngChoice(const WriteOptions& options);
// The JNG radios are usable only without colour reduction; the quality only
// when JNG is used at all.
bool JngRadiosEnabled(const WriteOptions& options);
bool JngQualityEnabled(const WriteOptions& options);

// A colour budget chosen. In the MNG dialog this also ends "no reduction" and
// with it JNG.
void ChooseMaxColors(WriteOptions& options, int budget, bool mngDialog);
// "減色しない" checked or cleared; checking it reduces to 256 nothing at all.
void ChooseNoColorReduction(WriteOptions& options, bool on);
void ChooseJng(WriteOptions& options, JngChoice choice);

// The typed JNG quality: its decimal value, brought into 1..100.
int ParseJngQuality(std::string_view text);
// The typed transparent index: empty is none (-1); a palette holds 256 entries,
// so a larger number is none as well.
int ParseTransparentIndex(std::string_view text);

}  // namespace kivo
