// Services the engine calls for everything that reaches the user: error messages,
// beeps and the progress dialog. The engine never talks to a window system; it calls
// these functions, which forward to the backend installed at start-up (Qt for the
// GUI, the terminal for kivo-cli, a recorder for tests).
#pragma once

#include <string>
#include <string_view>

namespace kivo {

// Opaque handle of the window that owns a message or the progress dialog.
// The GUI passes its QWidget*; the engine only hands it back to the backend.
using OwnerWindow = void*;

// What a front end provides. The progress state machine (cancel flag, range,
// open/closed) lives in progress.cpp, so every backend behaves the same way.
class PlatformBackend {
public:
    virtual ~PlatformBackend() = default;

    // Shows a warning with the caption "Error!" after a beep; returns when dismissed.
    virtual void ShowError(OwnerWindow owner, std::string_view text) = 0;
    virtual void Beep() {}

    virtual void ProgressDialogOpen(OwnerWindow /*owner*/) {}
    virtual void ProgressDialogClose(OwnerWindow /*owner*/) {}
    // Lets pending user-interface events run once, without waiting. Returns true
    // when the user pressed the cancel button since the last call; the state
    // machine only honours it while the button is enabled.
    virtual bool ProgressDialogPump() { return false; }
    virtual void ProgressDialogSetText(std::string_view /*text*/) {}
    virtual void ProgressDialogSetTitle(std::string_view /*text*/) {}
    // Empty label: button disabled.
    virtual void ProgressDialogSetCancel(std::string_view /*label*/, bool /*enabled*/) {}
    // visible false hides the bar; percent is 0..100 while visible.
    virtual void ProgressDialogSetBar(bool /*visible*/, int /*percent*/) {}
};

// Installs the backend used from now on (not owned). nullptr restores the default,
// which writes errors to stderr and never cancels.
void InstallPlatformBackend(PlatformBackend* backend);
PlatformBackend& CurrentPlatformBackend();

void ShowError(OwnerWindow owner, std::string_view text);
void Beep();

// Folder for temporary files, without a trailing separator.
std::string TempDir();
// Folder of the running executable, without a trailing separator.
std::string AppDir();

}  // namespace kivo
