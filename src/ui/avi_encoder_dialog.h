// The choice of the video encoder for an AVI export, and the question after an
// encoder refused the pictures.
#pragma once

#include <optional>
#include <string>

class QWidget;

namespace kivo {

// The encoders FFmpeg offers for AVI, uncompressed first; the last choice of
// this run is preselected. nullopt when cancelled.
std::optional<std::string> ChooseAviEncoder(QWidget* owner);

// The refusal with OK (choose again) and Cancel (give up), captioned "error".
bool AskAviRetry(QWidget* owner, const std::string& message);

}  // namespace kivo
