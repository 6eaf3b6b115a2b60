// A BMP (or DIB) file as a frame: any depth the BMP reader accepts becomes the
// frame's 24-bit picture; a paletted file also hands its colour table to the frame
// as a local palette, so the colours it was drawn with stay first in line. A file
// with alpha gives the frame a transparent colour (see doc/alpha_key.h).
#pragma once

#include <string>

#include "doc/anim_doc.h"
#include "platform/platform.h"

namespace kivo {

// Fills an empty frame's dib, width, height and (for 1-8 bit files) localPalette;
// tempPalette is set, since the palette is rebuilt at every save. False, with the
// frame left without a picture, when the file cannot be read; of the reasons only
// a picture without pixels (a side of 0) is reported here.
bool ReadBmpFrame(OwnerWindow owner, const std::string& path, Frame& frame);

}  // namespace kivo
