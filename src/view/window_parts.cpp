#include "view/main_window.h"
#include "view/window_part.h"

namespace kivo {

void AddWindowParts(MainWindow& window) {
    (void)window;
}

}  // namespace kivo
