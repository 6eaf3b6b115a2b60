// Editing a frame in an outside paint program: the frame goes out as a BMP
// file, the program is started on it, and a small dialog waits, with "中止",
// until the program is done; a changed picture comes back into the frame.
#pragma once

#include <QDialog>

#include "doc/anim_doc.h"
#include "options/write_options.h"

namespace kivo {

// What the user sees meanwhile: a wait with one way out.
class PaintWaitDialog : public QDialog {
    Q_OBJECT
public:
    explicit PaintWaitDialog(QWidget* owner);
};

// The program is the one chosen in the other-options dialog, or the first
// standard paint program on PATH. True when the frame's picture was replaced;
// the caller refreshes the views. The old picture goes to the keeper when one
// is given. The program is never stopped, also not by "中止".
bool EditInPaintProgram(QWidget* owner, AnimDoc& doc, Frame& frame, const WriteOptions& options,
                        FrameKeeper* keeper = nullptr);

}  // namespace kivo
