#include "app/window_position.h"

namespace kivo {

WindowPoint RestoredWindowPosition(WindowPoint stored, int displayWidth, int displayHeight) {
    WindowPoint p = stored;
    if (p.x < 0 || p.x > displayWidth - 40) p.x = 100;
    if (p.y < 0 || p.y > displayHeight - 40) p.y = 100;
    return p;
}

}  // namespace kivo
