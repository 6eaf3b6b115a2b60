// The write options' keys of the settings file: GifWROpt, MngWROpt (with the
// working mode), MngWROpt2, OPT1, GifLossy and PaintSoft.
#pragma once

#include "options/write_options.h"
#include "platform/settings_file.h"

namespace kivo {

// Takes the options from the settings into options. Values missing at the end of a line
// leave their options as they are; flags count as 1 when not 0. Values the
// program cannot work with are brought into range: MaxColors to the nearest
// offered budget below it (8 at least, 256 at most), JngQuality to 1..100,
// Lossiness to 0..200, a negative TargetSize to 0;
// a working mode other than 0 or 1 and a TransparentIndex outside -1..255 are
// ignored. formatMode, when given, receives the working mode stored with them.
void LoadOptionSettings(const Settings& settings, WriteOptions& options, int* formatMode = nullptr);

// Puts options into the settings, in the keys' formats.
// formatMode is the session's working mode (0 GIF, 1 MNG), kept for the next run.
void StoreOptionSettings(Settings& settings, const WriteOptions& options, int formatMode);

}  // namespace kivo
