// "コマリスト一覧": every frame of the document as a tile with its number and
// its picture at its place on the logical screen, as many tiles to a row as
// the window is wide. Double-clicking a tile edits that frame in the paint
// program; an edited frame's number gets a " *". The window is modal: the
// editor waits until it is closed and then learns whether frames changed.
#pragma once

#include <QDialog>
#include <functional>
#include <set>

#include "app/frame_list_layout.h"
#include "doc/anim_doc.h"

class QScrollBar;

namespace kivo {

class FrameListWindow : public QDialog {
    Q_OBJECT
public:
    // editFrame runs the paint program on a frame and says whether it changed it.
    using EditFrame = std::function<bool(Frame&)>;
    FrameListWindow(QWidget* owner, AnimDoc& doc, EditFrame editFrame);

    // Shows the window modally; true when at least one frame was edited.
    bool RunModal();
    bool Edited() const { return !edited_.empty(); }
    const FrameListLayout& Layout() const { return layout_; }
    // The widget the tiles are drawn on (client coordinates of the layout).
    QWidget* Tiles() const { return tiles_; }
    // "No.  3", with " *" after an edited frame's number.
    QString TileLabel(int index) const;

    // Edits the frame whose tile is at the point of the tile area; true when it changed.
    bool EditAt(QPoint point);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PaintTiles();
    void UpdateScrollBars();

    AnimDoc& doc_;
    EditFrame editFrame_;
    FrameListLayout layout_;
    QWidget* tiles_ = nullptr;
    QScrollBar* vertical_ = nullptr;
    QScrollBar* horizontal_ = nullptr;
    std::set<const Frame*> edited_;  // edited while this window was open
};

}  // namespace kivo
