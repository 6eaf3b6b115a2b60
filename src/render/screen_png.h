// A composed screen as a PNG file, for seeing outside the editor what the
// preview shows.
#pragma once

#include <string>

#include "platform/platform.h"
#include "render/compositor.h"

namespace kivo {

enum class ScreenPngError {
    kNone,
    kNoScreen,   // no pixels, or fewer than its size says
    kNoMemory,   // no memory to encode it
    kEncode,     // libpng could not encode it
    kWrite,      // the file could not be made, written or put in place
};
// The message the user is shown for an error ("" for kNone).
const char* ScreenPngMessage(ScreenPngError error);

// Writes the screen to path: 8-bit RGB when every pixel was drawn, else RGBA
// with the pixels nothing was drawn on fully transparent. The target is
// replaced only by a complete file.
ScreenPngError WriteScreenPng(const std::string& path, const Composition& screen);
// The same, showing the error's message; false after it.
bool WriteScreenPng(OwnerWindow owner, const std::string& path, const Composition& screen);

}  // namespace kivo
