// The frame list as a timeline: every row a thumbnail of what the animation
// shows at that frame, its number, size, delay and the start of its comment,
// in a column (down) or a strip (across). Selected frames are dragged to
// another place; files dropped close to the gap between two frames go there,
// dropped elsewhere they are added at the end.
//
// It is a QListWidget whose items keep the list's texts, so selection, keys,
// double clicks and the panel's handling are a list's. It decides nothing: a
// drop becomes a signal with the rows and the place, which the panel turns
// into one edit of the shell. Thumbnails come from a ThumbnailCache, pumped on
// the UI thread whenever its worker has finished a frame or the document changed.
#pragma once

#include <QListWidget>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/panel_state.h"
#include "app/thumbnail_cache.h"
#include "app/timeline_layout.h"
#include "doc/anim_doc.h"

namespace kivo {

class Timeline : public QListWidget {
    Q_OBJECT
public:
    // The document the rows show, or nullptr while it must not be read (an
    // edit is under way; its refresh brings the timeline up to date after).
    using DocumentSource = std::function<const AnimDoc*()>;
    explicit Timeline(DocumentSource document, QWidget* parent = nullptr);
    ~Timeline() override;

    // A strip running across rather than a column running down.
    void SetAcross(bool across);
    bool Across() const { return across_; }
    // The rows for the document as it is: items are made again only when their
    // texts changed (so the list keeps its place), and the thumbnails follow.
    void ShowRows(const std::vector<FrameListRow>& rows, int formatMode);
    // One row's texts while its frame is being edited (typing in a field).
    void ShowRow(int index, const FrameListRow& row);
    // Brings the thumbnails up to the document after a change.
    void UpdateThumbnails();

    const FrameListRow* Row(int index) const;
    const ThumbnailCache& Thumbnails() const { return *cache_; }
    // The side of the box the pictures are drawn in now.
    int ShownBox() const { return shownBox_; }

    // What a drag of the selected rows carries, and the drop of such data at pos
    // (viewport coordinates) as dropEvent handles it; fromHere: the drag began
    // in this list. False when the data is neither rows of this list nor files.
    QMimeData* DragData() const;
    bool Drop(const QMimeData* data, QPoint pos, bool fromHere);
    // Where data dropped at pos would land.
    TimelineDrop PlaceOf(QPoint pos, bool files) const;

signals:
    // Rows (ascending) dragged to the gap before row `before` (the row count:
    // after the last).
    void framesDropped(const QList<int>& rows, int before);
    // Files dropped before row `before`; the row count means added at the end.
    void filesDropped(const QStringList& files, int before);
    // Every frame that should have a thumbnail has its current one.
    void thumbnailsComplete();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    bool Accepts(const QMimeData* data, bool fromHere) const;
    void ShowIndicator(std::optional<TimelineDrop> drop);
    void PumpThumbnails();
    void UpdateVisibleRows();
    void UpdateBox();
    int TextHeight() const;

    DocumentSource document_;
    std::unique_ptr<ThumbnailCache> cache_;
    std::atomic<bool> wakePosted_{false};
    QTimer retry_;  // pumps again should a wake never come
    std::vector<FrameListRow> rows_;
    int formatMode_ = 0;
    bool across_ = false;
    int shownBox_ = ThumbnailCache::kDefaultBox;
    bool complete_ = false;
    std::optional<TimelineDrop> indicator_;
};

}  // namespace kivo
