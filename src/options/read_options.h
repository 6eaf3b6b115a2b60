// What a reader is asked to keep beyond the picture. The editor's session and
// kivo-cli derive it from their write options (the choice is stored among them
// in kivo.ini); a reader called without one keeps nothing extra.
#pragma once

#include "options/write_options.h"

namespace kivo {

struct ReadOptions {
    // An indexed PNG (a file, or a datastream in an MNG) keeps its palette and
    // index plane beside the 24-bit picture, so a save can write them back.
    bool keepPngPalette = false;
    // A video clip is read at this many pictures a second (0: as the clip has
    // them), from videoStart seconds on, for videoDuration seconds (0: to the
    // end), so that a long clip can be taken in part.
    double videoFps = 0;
    double videoStart = 0;
    double videoDuration = 0;
    // Every fully transparent pixel of an alpha PNG takes one transparent
    // colour that no opaque pixel has, as frames of an animation must for the
    // compositor; a picture otherwise keeps each clear pixel's own colour.
    bool oneClearColour = false;
};

inline ReadOptions ReadOptionsFrom(const WriteOptions& options) {
    ReadOptions read;
    read.keepPngPalette = options.KeepPngPalette != 0;
    return read;
}

}  // namespace kivo
