// Where the main window reopens, from the position stored at the last exit.
#pragma once

namespace kivo {

struct WindowPoint {
    int x, y;
};

// A stored coordinate that is negative or within 40 pixels of the display's far
// edge (a display that has since shrunk or gone) comes back at 100.
WindowPoint RestoredWindowPosition(WindowPoint stored, int displayWidth, int displayHeight);

}  // namespace kivo
