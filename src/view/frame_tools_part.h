// The frame tools of the menus: blank frames, saving the selected frames, the
// frame-list window and the other-options dialog; and editing a frame in the
// paint program, also by double-clicking the canvas.
#pragma once

#include <QObject>

#include "view/window_part.h"

namespace kivo {

struct Frame;

// Edits frame in the paint program with the preview paused; a changed frame
// refreshes the window and marks the document. For every place that offers
// editing (canvas, frame list, panel list).
bool EditFrameInPaint(MainWindow& window, Frame& frame);

class FrameToolsPart : public QObject, public WindowPart {
public:
    // Handles the blank frames, saving selected frames, the frame list and
    // the other-options dialog.
    explicit FrameToolsPart(MainWindow& window);
    void Closing() override;

    // The commands, for tests and the tool bar.
    void AddBlank(bool insert);
    void SaveSelected();
    // The frame-list window; a second open while one is showing is ignored.
    // True when frames were edited in it.
    bool ShowFrameList();

private:
    MainWindow& window_;
    bool listOpen_ = false;
};

}  // namespace kivo
