#include "app/window_position.h"

namespace kivo {

WindowPoint RestoredWindowPosition(WindowPoint stored, int displayWidth, int displayHeight) {
    WindowPoint p = stored;
    if (p.x < 0 || p.x > displayWidth - 40) p.x = 100;
    if (p.y < 0 || p.y > displayHeight - 40) p.y = 100;
    return p;
}

WindowRect PlacedOnScreen(WindowRect window, WindowRect screen) {
    auto inside = [](int at, int size, int start, int length) {
        // The far edge first, then the near one, which wins when the window is too large.
        if (at > start + length - size) at = start + length - size;
        return at < start ? start : at;
    };
    window.x = inside(window.x, window.width, screen.x, screen.width);
    window.y = inside(window.y, window.height, screen.y, screen.height);
    return window;
}

}  // namespace kivo
