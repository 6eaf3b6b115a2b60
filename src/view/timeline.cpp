#include "view/timeline.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "render/thumbnail.h"
#include "ui/qt_translation.h"
#include "view/canvas_view.h"

namespace kivo {

namespace {

// The dragged rows of one list, "3,4,9"; only the list they came from takes them.
constexpr const char* kRowsMimeType = "application/x-kivo-timeline-rows";
constexpr int kPad = 3;
// Lines of text beside a row's picture (down) and under a tile's (across).
constexpr int kLinesDown = 3, kLinesAcross = 4;

QString Text(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// A row's number and size, and its number alone, in the interface's language.
QString HeadText(const FrameListRow& row) { return TranslatedPattern("Panel", kFrameListPattern, row.head); }
QString NumberText(const FrameListRow& row) { return TranslatedPattern("Panel", kFrameNumberPattern, row.number); }

// The list's own text of a row, as the plain list showed it.
QString ItemText(const FrameListRow& row) { return HeadText(row) + QStringLiteral("  ") + Text(row.comment); }

QImage PictureOf(const Thumbnail& t) {
    // Borrows the cache's pixels: drawn at once, never kept.
    return QImage(reinterpret_cast<const uchar*>(t.pixels.data()), t.size.width, t.size.height,
                  qsizetype(t.size.width) * 4, QImage::Format_RGB32);
}

class TimelineDelegate : public QStyledItemDelegate {
public:
    explicit TimelineDelegate(Timeline& timeline) : QStyledItemDelegate(&timeline), timeline_(timeline) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const QFontMetrics& fm = option.fontMetrics;
        const int box = timeline_.ShownBox();
        if (timeline_.Across()) {
            const int text = std::max(fm.horizontalAdvance(QStringLiteral("0000コマ")),
                                      fm.horizontalAdvance(QStringLiteral("000 x 000")));
            return {std::max(box, text) + 2 * kPad, box + kLinesAcross * fm.height() + 3 * kPad};
        }
        return {timeline_.viewport()->width(), std::max(box, kLinesDown * fm.height()) + 2 * kPad};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

        const int box = timeline_.ShownBox();
        const QRect area = opt.rect.adjusted(kPad, kPad, -kPad, -kPad);
        const bool across = timeline_.Across();
        const FrameListRow* row = timeline_.Row(index.row());
        QStringList lines;
        if (row && across) lines = {NumberText(*row), Text(row->size), Text(row->delay)};
        if (row && !across) lines = {HeadText(*row).trimmed(), Text(row->delay)};
        if (row && !row->comment.empty()) lines << Text(row->comment);
        const int line = opt.fontMetrics.height();
        const int textHeight = int(lines.size()) * line;
        // Across, picture and text stand together in the middle of the tile,
        // however tall the strip is; down, the text stands beside the picture.
        const int top = across ? area.top() + std::max(0, (area.height() - box - kPad - textHeight) / 2)
                               : area.top() + (area.height() - box) / 2;
        const QRect cell = across ? QRect(area.left() + (area.width() - box) / 2, top, box, box)
                                  : QRect(area.left(), top, box, box);
        DrawPicture(*painter, cell, index.row(), opt.palette);
        if (!row) return;

        const bool selected = opt.state & QStyle::State_Selected;
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled,
                                          selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(opt.font);
        QRect text;
        Qt::Alignment align = Qt::AlignVCenter;
        if (across) {
            text = QRect(area.left(), cell.bottom() + 1 + kPad, area.width(), line);
            align |= Qt::AlignHCenter;
        } else {
            const int left = cell.right() + 1 + 2 * kPad;
            text = QRect(left, area.top() + (area.height() - textHeight) / 2, area.right() - left, line);
            align |= Qt::AlignLeft;
        }
        for (const QString& l : lines) {
            painter->drawText(text, int(align), opt.fontMetrics.elidedText(l, Qt::ElideRight, text.width()));
            text.translate(0, line);
        }
        if (opt.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(opt);
            focus.backgroundColor = opt.palette.color(selected ? QPalette::Highlight : QPalette::Base);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }
    }

private:
    // The thumbnail centred in its cell, no larger than it was made; a grey
    // box of its size while it is being made.
    void DrawPicture(QPainter& painter, QRect cell, int row, const QPalette& palette) const {
        const ThumbnailCache& cache = timeline_.Thumbnails();
        const Thumbnail* t = cache.Get(row);
        const ThumbnailSize made = t && t->size.width > 0 ? t->size : cache.Size();
        if (made.width <= 0) return;
        const double scale = std::min(1.0, double(cell.width()) / std::max(made.width, made.height));
        const QSize shown(std::max(1, int(made.width * scale + 0.5)), std::max(1, int(made.height * scale + 0.5)));
        const QRect target(cell.left() + (cell.width() - shown.width()) / 2,
                           cell.top() + (cell.height() - shown.height()) / 2, shown.width(), shown.height());
        if (t && !t->pixels.empty()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, shown != QSize(made.width, made.height));
            painter.drawImage(target, PictureOf(*t));
        } else {
            painter.fillRect(target, palette.color(QPalette::Midlight));
        }
        painter.setPen(palette.color(QPalette::Mid));
        painter.drawRect(target.adjusted(-1, -1, 0, 0));
    }

    Timeline& timeline_;
};

}  // namespace

Timeline::Timeline(DocumentSource document, QWidget* parent)
    : QListWidget(parent),
      document_(std::move(document)),
      cache_(std::make_unique<ThumbnailCache>([this] {
          // On the worker thread: only ask the UI thread to pump, once until it has.
          if (wakePosted_.exchange(true)) return;
          QMetaObject::invokeMethod(
              this,
              [this] {
                  wakePosted_ = false;
                  PumpThumbnails();
              },
              Qt::QueuedConnection);
      })) {
    setItemDelegate(new TimelineDelegate(*this));
    setUniformItemSizes(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(false);  // the gap line is drawn here
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    retry_.setSingleShot(true);
    retry_.setInterval(100);
    connect(&retry_, &QTimer::timeout, this, [this] { PumpThumbnails(); });
    SetAcross(false);
}

Timeline::~Timeline() {
    // The worker stops first, so that it never wakes a list being destroyed.
    cache_.reset();
}

void Timeline::SetAcross(bool across) {
    across_ = across;
    setFlow(across ? QListView::LeftToRight : QListView::TopToBottom);
    setWrapping(false);
    setHorizontalScrollBarPolicy(across ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(across ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    UpdateBox();
    doItemsLayout();
    if (QListWidgetItem* item = currentItem()) scrollToItem(item);
    UpdateVisibleRows();
    PumpThumbnails();
}

int Timeline::TextHeight() const {
    return (across_ ? kLinesAcross : kLinesDown) * fontMetrics().height() + 3 * kPad;
}

void Timeline::UpdateBox() {
    // The room with a scroll bar always counted, so that a bar coming or going
    // never changes the pictures' size and with it whether a bar is needed.
    const QRect room = contentsRect();
    const int box = ShownThumbnailBox(across_, room.width() - verticalScrollBar()->sizeHint().width(),
                                      room.height() - horizontalScrollBar()->sizeHint().height(),
                                      across_ ? TextHeight() : 0, ThumbnailCache::kDefaultBox);
    if (box == shownBox_) return;
    shownBox_ = box;
    scheduleDelayedItemsLayout();
}

void Timeline::ShowRows(const std::vector<FrameListRow>& rows, int formatMode) {
    formatMode_ = formatMode;
    bool same = count() == int(rows.size());
    for (int i = 0; same && i < count(); ++i) same = item(i)->text() == ItemText(rows[size_t(i)]);
    rows_ = rows;
    if (!same) {
        clear();
        for (const FrameListRow& row : rows_) addItem(ItemText(row));
    }
    viewport()->update();
    UpdateVisibleRows();
    UpdateThumbnails();
}

void Timeline::ShowRow(int index, const FrameListRow& row) {
    if (index < 0 || size_t(index) >= rows_.size()) return;
    rows_[size_t(index)] = row;
    if (QListWidgetItem* i = item(index)) {
        i->setText(ItemText(row));
        viewport()->update(visualItemRect(i));
    }
}

const FrameListRow* Timeline::Row(int index) const {
    return index >= 0 && size_t(index) < rows_.size() ? &rows_[size_t(index)] : nullptr;
}

void Timeline::UpdateThumbnails() { PumpThumbnails(); }

void Timeline::PumpThumbnails() {
    const AnimDoc* doc = document_ ? document_() : nullptr;
    if (!doc) {
        retry_.start();  // after the edit under way
        return;
    }
    const bool busy = cache_->Pump(*doc, ThumbnailRules(formatMode_));
    const QRect shown = viewport()->rect();
    for (int row : cache_->Changed()) {
        const QRect r = visualRect(model()->index(row, 0));
        if (r.intersects(shown)) viewport()->update(r);
    }
    if (busy) {
        complete_ = false;
        retry_.start();
    } else if (!complete_) {
        complete_ = true;
        emit thumbnailsComplete();
    }
}

void Timeline::UpdateVisibleRows() {
    const int rows = count();
    if (rows == 0) {
        cache_->SetVisible(0, 0);
        return;
    }
    const QRect r = viewport()->rect();
    const QModelIndex first = indexAt(r.topLeft() + QPoint(1, 1));
    const QModelIndex last = indexAt(across_ ? QPoint(r.right() - 1, r.top() + 1) : QPoint(r.left() + 1, r.bottom() - 1));
    const int begin = first.isValid() ? first.row() : 0;
    cache_->SetVisible(begin, last.isValid() ? last.row() + 1 : rows);
}

void Timeline::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    // Rows down the list are as wide as the viewport, which also narrows when
    // a scroll bar comes (the view's own resize reaches here then too).
    if (!across_ && event->size().width() != event->oldSize().width()) scheduleDelayedItemsLayout();
    UpdateBox();
    UpdateVisibleRows();
    PumpThumbnails();
}

void Timeline::scrollContentsBy(int dx, int dy) {
    QListWidget::scrollContentsBy(dx, dy);
    UpdateVisibleRows();
    PumpThumbnails();
}

QMimeData* Timeline::DragData() const {
    QStringList rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows << QString::number(index.row());
    if (rows.isEmpty()) return nullptr;
    std::sort(rows.begin(), rows.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kRowsMimeType), rows.join(QLatin1Char(',')).toLatin1());
    return data;
}

void Timeline::startDrag(Qt::DropActions) {
    QMimeData* data = DragData();
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const int first = data->data(QString::fromLatin1(kRowsMimeType)).split(',').first().toInt();
    if (const Thumbnail* t = cache_->Get(first); t && !t->pixels.empty())
        drag->setPixmap(QPixmap::fromImage(PictureOf(*t).copy()));
    // The frames move by the drop's edit; the drag itself removes nothing.
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

bool Timeline::Accepts(const QMimeData* data, bool fromHere) const {
    if (!data) return false;
    if (data->hasFormat(QString::fromLatin1(kRowsMimeType))) return fromHere;
    return !DroppedFiles(data).isEmpty();
}

TimelineDrop Timeline::PlaceOf(QPoint pos, bool files) const {
    const int rows = count();
    if (rows == 0) return DropPlace(-1, 0, 0, 0, files);
    // Only the position along the list counts: beside or under a row is that row.
    const QRect firstRow = visualRect(model()->index(0, 0));
    const QPoint along = across_ ? QPoint(pos.x(), firstRow.center().y()) : QPoint(firstRow.center().x(), pos.y());
    const QModelIndex index = indexAt(along);
    if (!index.isValid()) {
        // Before the first row (the list scrolled by pixels) is the first gap.
        const int start = across_ ? firstRow.left() : firstRow.top();
        if ((across_ ? pos.x() : pos.y()) < start) return DropPlace(0, 0, 1, rows, files);
        return DropPlace(-1, 0, 0, rows, files);
    }
    const QRect r = visualRect(index);
    return DropPlace(index.row(), across_ ? pos.x() - r.left() : pos.y() - r.top(), across_ ? r.width() : r.height(),
                     rows, files);
}

bool Timeline::Drop(const QMimeData* data, QPoint pos, bool fromHere) {
    if (!Accepts(data, fromHere)) return false;
    if (data->hasFormat(QString::fromLatin1(kRowsMimeType))) {
        QList<int> rows;
        for (const QByteArray& r : data->data(QString::fromLatin1(kRowsMimeType)).split(',')) rows << r.toInt();
        emit framesDropped(rows, PlaceOf(pos, false).before);
        return true;
    }
    emit filesDropped(DroppedFiles(data), PlaceOf(pos, true).before);
    return true;
}

void Timeline::dragEnterEvent(QDragEnterEvent* event) {
    const bool fromHere = event->source() == this;
    if (!Accepts(event->mimeData(), fromHere)) {
        event->ignore();
        return;
    }
    setState(DraggingState);
    if (fromHere) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
    ShowIndicator(PlaceOf(event->position().toPoint(), !fromHere));
}

void Timeline::dragMoveEvent(QDragMoveEvent* event) {
    // The view's own handling scrolls the list near its edges; whether the drop
    // is taken is decided here.
    QAbstractItemView::dragMoveEvent(event);
    const bool fromHere = event->source() == this;
    if (!Accepts(event->mimeData(), fromHere)) {
        event->ignore();
        ShowIndicator(std::nullopt);
        return;
    }
    if (fromHere) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
    ShowIndicator(PlaceOf(event->position().toPoint(), !fromHere));
}

void Timeline::dragLeaveEvent(QDragLeaveEvent* event) {
    QAbstractItemView::dragLeaveEvent(event);
    ShowIndicator(std::nullopt);
}

void Timeline::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(NoState);
    ShowIndicator(std::nullopt);
    const bool fromHere = event->source() == this;
    if (!Drop(event->mimeData(), event->position().toPoint(), fromHere)) {
        event->ignore();
        return;
    }
    if (fromHere) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}

void Timeline::ShowIndicator(std::optional<TimelineDrop> drop) {
    if (drop == indicator_) return;
    indicator_ = drop;
    viewport()->update();
}

void Timeline::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (!indicator_) return;
    QPainter painter(viewport());
    const QColor colour = palette().color(QPalette::Highlight);
    if (!indicator_->gap || count() == 0) {
        // Added at the end: the whole list is the target.
        painter.setPen(QPen(colour, 2, Qt::DashLine));
        painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
        return;
    }
    const bool end = indicator_->before >= count();
    const QRect r = visualRect(model()->index(end ? count() - 1 : indicator_->before, 0));
    const QRect line = across_ ? QRect((end ? r.right() + 1 : r.left()) - 1, r.top(), 3, r.height())
                               : QRect(r.left(), (end ? r.bottom() + 1 : r.top()) - 1, r.width(), 3);
    painter.fillRect(line, colour);
}

}  // namespace kivo
