// Pictures of every window and dialog as a user sees them, for anyone checking
// the interface without running it by hand (scripts/screenshots.sh).
#pragma once

#include <QString>

namespace kivo {

class MainWindow;

// Saves the main window, its menus and each dialog as PNG files into folder.
// False when a picture could not be written.
bool TakeScreenshots(MainWindow& window, const QString& folder);

}  // namespace kivo
