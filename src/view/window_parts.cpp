#include "view/canvas_part.h"
#include "view/clipboard_part.h"
#include "view/frame_tools_part.h"
#include "view/main_window.h"
#include "view/panel.h"
#include "view/preview_window.h"
#include "view/tool_bar.h"
#include "view/window_part.h"

namespace kivo {

void AddWindowParts(MainWindow& window) {
    window.AddPart(new ClipboardPart(window));
    window.AddPart(new FrameToolsPart(window));
    window.AddPart(new ToolBar(window));
    window.AddPart(new Panel(window));
    window.AddPart(new PreviewPart(window));
    window.AddPart(new CanvasPart(window));
}

}  // namespace kivo
