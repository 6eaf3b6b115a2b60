// Every top-level window of the editor opens fully on the screen that holds
// the main window: a stored position from a larger display, a window placed
// beside another near the edge, or a preview grown for a larger animation
// would otherwise put buttons out of reach.
#pragma once

class QWidget;

namespace kivo {

// From now on, whenever a window, dialog or tool window is shown or resized it
// is moved inside the usable area of mainWindow's screen (of its own screen
// before the main window exists). One that is larger than that area is made
// to fit: a resizable window is resized, a dialog of fixed size shows its
// contents in a scroll area. Menus, tooltips and other popups are left alone.
void KeepWindowsOnScreen(QWidget* mainWindow);

}  // namespace kivo
