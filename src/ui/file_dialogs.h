// The four file choosers: open an animation, add picture files as frames, save
// the animation, save an AVI. Each starts in the folder last used for its
// purpose and remembers the folder chosen (LoadDir, KLoadDir, SaveDir).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <memory>

#include "app/file_choice.h"

class QFileDialog;
class QWidget;

namespace kivo {

// A chooser ready to show: filters, start folder, mode, preview pane, title.
// formatMode is the working mode (0 GIF, 1 MNG), which gives a saved
// animation its default extension.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, FileChooser chooser,
                                            const std::string& initialName = {}, int formatMode = 0);

std::optional<std::string> ChooseAnimationToOpen(QWidget* owner);
// Every chosen file, as full paths; empty when cancelled.
std::vector<std::string> ChooseFramesToAdd(QWidget* owner);
// A name typed without an extension receives the default one (GIF or MNG by
// the working mode, .avi for AVI) before the overwrite question is asked.
std::optional<std::string> ChooseAnimationSavePath(QWidget* owner, const std::string& initialName,
                                                   int formatMode);
std::optional<std::string> ChooseAviSavePath(QWidget* owner, const std::string& initialName);
// Where to export a video: MP4 or WebM, the suffix following the filter.
std::optional<std::string> ChooseVideoSavePath(QWidget* owner, const std::string& initialName);

}  // namespace kivo
