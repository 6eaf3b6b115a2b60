// Before a long video clip is read: how many pictures a second and which part
// of it, with what the choice would take shown as it changes. OK is refused
// while the choice would still take more than an import may.
#pragma once

#include <string>

#include <QDialog>

#include "options/read_options.h"
#include "video/video_import.h"

class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;

namespace kivo {

class VideoReadingDialog : public QDialog {
public:
    VideoReadingDialog(QWidget* owner, const std::string& path, const VideoProbe& probe, const ReadOptions& reading);
    // The fields as they stand, over the options the dialog was given.
    const ReadOptions& Chosen() const { return chosen_; }

private:
    void Update();

    VideoProbe probe_;
    ReadOptions chosen_;
    QDoubleSpinBox* fps_;
    QDoubleSpinBox* start_;
    QDoubleSpinBox* length_;
    QLabel* estimate_;
    QDialogButtonBox* buttons_;
};

// False when the user cancelled; otherwise the choice is in reading.
bool AskVideoReading(QWidget* owner, const std::string& path, const VideoProbe& probe, ReadOptions& reading);

}  // namespace kivo
