// Before a long video clip is read: how many pictures a second and which part
// of it, with what the choice would take shown as it changes.
#pragma once

#include <string>

#include <QWidget>

#include "options/read_options.h"
#include "video/video_import.h"

namespace kivo {

// False when the user cancelled; otherwise the choice is in reading.
bool AskVideoReading(QWidget* owner, const std::string& path, const VideoProbe& probe, ReadOptions& reading);

}  // namespace kivo
