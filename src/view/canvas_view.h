// The main window's canvas: the logical screen, zoomed and scrolled, showing
// the current frame as the animation shows it (or the frame alone) over a
// checkerboard where nothing is drawn, with an outline round the frame and,
// when asked, the previous picture faintly over it. It decides nothing about
// the document: what to show comes from its part (CanvasPart), and what the
// user does with the pointer goes out as signals. Zoom and scroll follow
// CanvasViewState.
#pragma once

#include <QAbstractScrollArea>
#include <QStringList>

#include "app/canvas_composer.h"
#include "app/canvas_moves.h"
#include "app/canvas_view_state.h"

class QMimeData;

namespace kivo {

class CanvasView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CanvasView(QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Shows frame n of doc under rules (nothing without a document or frame),
    // composed or alone as chosen; ends what a drag showed.
    void ShowFrame(const AnimDoc* doc, int n, const CompositionRules& rules);
    // Playback moved on to frame n: drawn over the picture on show.
    void PlayFrame(const AnimDoc& doc, int n, const CompositionRules& rules);
    // While a drag holds the frame on show at position (ShowFrame ends it).
    void ShowHeld(const AnimDoc& doc, const CompositionRules& rules, FramePosition position);

    // The animation's picture (on) or the frame alone; the previous picture
    // faintly over it. They apply from the next ShowFrame.
    void SetComposed(bool on) { composed_ = on; }
    bool Composed() const { return composed_; }
    void SetOnionSkin(bool on) { onionSkin_ = on; }
    bool OnionSkin() const { return onionSkin_; }

    // The zoom commands, about the middle of the view.
    void ZoomIn();
    void ZoomOut();
    void ZoomToFit();
    void ZoomActual();
    // A scale of the ladder (the settings file's), or fitting.
    void SetZoom(double scale);
    const CanvasViewState& View() const { return view_; }
    const CanvasComposer& Composer() const { return composer_; }
    // The frame on show on the screen, where its outline is drawn.
    FrameArea ShownArea() const { return frameArea_; }

signals:
    void filesDropped(const QStringList& paths);
    void doubleClicked();
    // A left-button drag that began on the frame, by dx, dy screen pixels
    // since the press: moved, released, or given up (Escape).
    void frameDragged(int dx, int dy);
    void frameDropped(int dx, int dy);
    void frameDragCancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class Drag { kNone, kFrame, kPan };

    // The zoom or scroll changed: scroll bars and picture follow.
    void ViewChanged();
    void SetScreenSize(int width, int height);
    QPoint DragDistanceTo(QPointF at) const;
    void EndFrameDrag();
    void DrawScreen(QPainter& painter, const Composition& screen, qreal opacity);

    CanvasViewState view_;
    CanvasComposer composer_;
    Composition alone_, previousAlone_, held_;
    const Composition* shown_ = nullptr;     // the picture drawn
    const Composition* previous_ = nullptr;  // the onion skin's
    FrameArea frameArea_;                    // the outline, on the screen
    int index_ = -1;                         // the frame on show
    bool composed_ = true, onionSkin_ = false;
    bool syncing_ = false;                   // the scroll bars are being set

    Drag drag_ = Drag::kNone;
    QPointF pressAt_;
    QPoint lastDistance_;
    int panScrollX_ = 0, panScrollY_ = 0;
    int wheelAngle_ = 0;  // Ctrl+wheel turned short of a zoom step
};

// The local files of a drop, or none.
QStringList DroppedFiles(const QMimeData* data);

}  // namespace kivo
