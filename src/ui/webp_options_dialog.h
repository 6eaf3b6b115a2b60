// The WebP write option dialog: lossless or lossy, the quality, and whether it
// opens before every WebP save. Like the GIF and MNG dialogs, every change goes
// to the session's options at once and Cancel puts back what they were.
#pragma once

#include <QDialog>

#include "app/option_rules.h"
#include "options/write_options.h"

class QLabel;
class QSpinBox;

namespace kivo {

class WebpOptionsDialog : public QDialog {
    Q_OBJECT
public:
    WebpOptionsDialog(QWidget* owner, WriteOptions& options);
    // Shows the dialog modally: true after OK, false after Cancel.
    static bool Run(QWidget* owner, WriteOptions& options);

protected:
    void reject() override;

private:
    void ShowQualityMeaning();

    WriteOptions& options_;
    OptionSnapshot opened_;
    QLabel* qualityLabel_ = nullptr;
    QSpinBox* quality_ = nullptr;
};

}  // namespace kivo
