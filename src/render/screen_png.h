// A composed screen as a PNG file, for seeing outside the editor what the
// preview shows.
#pragma once

#include <string>

#include "platform/platform.h"
#include "render/compositor.h"

namespace kivo {

// Writes the screen to path: 8-bit RGB when every pixel was drawn, else RGBA
// with the pixels nothing was drawn on fully transparent. The target is
// replaced only by a complete file. False after the failure has been shown.
bool WriteScreenPng(OwnerWindow owner, const std::string& path, const Composition& screen);

}  // namespace kivo
