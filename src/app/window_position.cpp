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

WindowSize RestoredWindowSize(WindowSize stored, WindowSize designed, WindowSize minimum, WindowSize screen) {
    WindowSize size = stored.width > 0 && stored.height > 0 ? stored : designed;
    auto fit = [](int value, int least, int most) {
        if (value < least) value = least;
        return value > most ? most : value;
    };
    size.width = fit(size.width, minimum.width, screen.width);
    size.height = fit(size.height, minimum.height, screen.height);
    return size;
}

std::vector<int> RestoredSplit(int first, int second, int total, int least) {
    if (first <= 0 || second <= 0 || total < 2 * least) return {};
    // In 64 bits: stored values come from a file and may be anything.
    const long long sum = (long long)first + second;
    int a = int((long long)first * total / sum);
    if (a < least) a = least;
    if (a > total - least) a = total - least;
    return {a, total - a};
}

}  // namespace kivo
