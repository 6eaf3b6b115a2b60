// A frame's packed DIB as a QImage for drawing.
#pragma once

#include <QImage>

#include "doc/types.h"

namespace kivo {

// Any valid DIB (24-bit as the frames keep them, or a BMP's own depth as the
// preview loads it); a null image for an invalid one.
QImage DibToImage(const Dib& dib);

}  // namespace kivo
