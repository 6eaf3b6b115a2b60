// Where windows open: the main window from the position stored at the last
// exit, every window fully on the screen.
#pragma once

#include <vector>

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

struct WindowSize {
    int width, height;
};

// The main window's size at start: the stored size (0 0 when none was stored:
// the designed size), never smaller than the minimum and never larger than the
// screen's usable area, so that a size saved on a larger display or at a
// smaller scale still opens whole. The screen wins over the minimum.
WindowSize RestoredWindowSize(WindowSize stored, WindowSize designed, WindowSize minimum, WindowSize screen);

// Two panes' stored sizes along a splitter of `total` pixels, each at least
// `least`: kept in proportion when they no longer add up to the total (the
// window opened at another size); {} when nothing usable was stored, for the
// caller's default.
std::vector<int> RestoredSplit(int first, int second, int total, int least);

}  // namespace kivo
