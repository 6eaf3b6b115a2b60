// "無地コマ": the size of a new white frame. A size that cannot be made is
// refused with its message, and the dialog stays open with the field at fault
// focused and selected. Controls carry their ids as object names ("id1041").
#pragma once

#include <QDialog>
#include <optional>

class QSpinBox;

namespace kivo {

struct FrameSize {
    int width = 0, height = 0;
};

class BlankFrameDialog : public QDialog {
    Q_OBJECT
public:
    // Opens with the given size (the logical screen's).
    BlankFrameDialog(QWidget* owner, int width, int height);
    FrameSize Size() const;

    // Shows the dialog modally; nullopt when cancelled.
    static std::optional<FrameSize> Ask(QWidget* owner, int width, int height);

public slots:
    void accept() override;

private:
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
};

}  // namespace kivo
