// The Qt backend of the engine's platform services: errors in a warning box
// captioned "Error!" after a beep, and the progress dialog with its pump.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/platform.h"

class QWidget;

namespace kivo {

class ProgressDialog;

class QtPlatformBackend : public PlatformBackend {
public:
    QtPlatformBackend();
    ~QtPlatformBackend() override;

    void ShowError(OwnerWindow owner, std::string_view text) override;
    void Beep() override;
    void ProgressDialogOpen(OwnerWindow owner) override;
    void ProgressDialogClose(OwnerWindow owner) override;
    bool ProgressDialogPump() override;
    void ProgressDialogSetText(std::string_view text) override;
    void ProgressDialogSetTitle(std::string_view text) override;
    void ProgressDialogSetCancel(std::string_view label, bool enabled) override;
    void ProgressDialogSetBar(bool visible, int percent) override;

    // The open dialog, for tests; nullptr while none is open.
    ProgressDialog* Dialog() { return dialog_.get(); }

private:
    std::unique_ptr<ProgressDialog> dialog_;
};

// The owner handle the engine passes back, as the widget it is.
inline QWidget* OwnerWidget(OwnerWindow owner) { return static_cast<QWidget*>(owner); }
inline OwnerWindow OwnerOf(QWidget* widget) { return widget; }

// Paths as the engine takes them (the file system's bytes) and back.
std::string NativePath(const QString& path);
QString FromNativePath(const std::string& path);

// An engine message as shown to the user: in the interface's language, with
// its line breaks.
QString ShownMessage(std::string_view text);

}  // namespace kivo
