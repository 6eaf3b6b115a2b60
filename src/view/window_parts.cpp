#include "view/clipboard_part.h"
#include "view/frame_tools_part.h"
#include "view/main_window.h"
#include "view/window_part.h"

namespace kivo {

void AddWindowParts(MainWindow& window) {
    window.AddPart(new ClipboardPart(window));
    window.AddPart(new FrameToolsPart(window));
}

}  // namespace kivo
