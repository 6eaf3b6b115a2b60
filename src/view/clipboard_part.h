// Cut, copy and the two pastes on the system clipboard. Copy offers the first
// copied frame to other programs as PNG and BMP, drawn only when one asks, and
// keeps every copied frame whole in the clipboard's data object under a type
// of our own; pasting that object gives back all of them. A picture another
// program put there pastes as one frame.
#pragma once

#include <QMimeData>
#include <memory>

#include "app/clip_list.h"
#include "view/window_part.h"

namespace kivo {

// The type that marks our own copied frames on the clipboard.
inline constexpr const char* kClipFramesType = "application/x-kivo-frames";

class FrameClipData : public QMimeData {
    Q_OBJECT
public:
    explicit FrameClipData(std::shared_ptr<const ClipList> list);
    std::shared_ptr<const ClipList> List() const { return list_; }

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    std::shared_ptr<const ClipList> list_;
};

// A picture from the clipboard as a 24-bit DIB: empty when there is none.
// A picture of a size no frame can have is refused: *refusal says why.
Dib ClipboardPicture(const QMimeData* data, const char** refusal);

class ClipboardPart : public WindowPart {
public:
    // Handles cut, copy and the two pastes.
    explicit ClipboardPart(MainWindow& window);

    // Both true when done: copy when the frames are on the clipboard, paste
    // also when there was nothing to paste.
    bool Copy();
    bool Paste(bool insert);

private:
    MainWindow& window_;
};

}  // namespace kivo
