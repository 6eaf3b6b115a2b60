// Where windows open: the main window from the position stored at the last
// exit, every window fully on the screen.
#pragma once

namespace kivo {

struct WindowPoint {
    int x, y;
};

// A stored coordinate that is negative or within 40 pixels of the display's far
// edge (a display that has since shrunk or gone) comes back at 100.
WindowPoint RestoredWindowPosition(WindowPoint stored, int displayWidth, int displayHeight);

struct WindowRect {
    int x, y, width, height;
};

// Where a window goes so that all of it is on the screen's usable area: moved
// in from whichever edge it crosses, its size kept. A window larger than the
// screen keeps its top-left corner on it, so its title bar stays reachable.
WindowRect PlacedOnScreen(WindowRect window, WindowRect screen);

}  // namespace kivo
