// Where the panel's controls sit in the main window, in the window's layout
// units: CharWidth (cw) and LineHeight (lh) of its font, and the client size.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo {

struct ControlPlace {
    std::string key;  // a control id ("101") or, for a label, its text
    int x, y, width, height;
};

// Every control of the panel for the working mode (0 GIF, 1 MNG), the tool-bar
// buttons excepted.
std::vector<ControlPlace> PanelLayout(int cw, int lh, int w, int h, int formatMode);
const ControlPlace* FindPlace(const std::vector<ControlPlace>& places, std::string_view key);

// The byte length of a label in code page 932, where check boxes measure their
// width: one byte for ASCII and half-width katakana, two for other characters.
int Cp932Length(std::string_view utf8);

}  // namespace kivo
