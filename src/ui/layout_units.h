// Layout units measured from a font, as dialog layouts have always used them.
#pragma once

#include <QFontMetrics>

namespace kivo {

// The mean advance of the 52 Latin letters. A CJK font's own "average width"
// counts its full-width glyphs and would make every layout twice as wide.
inline int CharWidthOf(const QFontMetrics& fm) {
    int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (width + 26) / 52;
}

// The font's height with its external leading, plus 4 pixels of air.
inline int LineHeightOf(const QFontMetrics& fm) { return fm.height() + fm.leading() + 4; }

}  // namespace kivo
