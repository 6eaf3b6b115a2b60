#include "ui/on_screen.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "app/window_position.h"

namespace kivo {

namespace {

// Moves the window's laid-out contents into a scroll area filling it, and
// makes the window as large as the room allows. Once per window.
void ScrollWhenTooLarge(QWidget* w, QSize room) {
    QLayout* contents = w->layout();
    if (!contents || w->property("kivoScrolled").toBool()) return;
    const QSize wanted = w->size();
    if (wanted.width() <= room.width() && wanted.height() <= room.height()) return;
    w->setProperty("kivoScrolled", true);
    auto* inner = new QWidget;
    inner->setLayout(contents);  // takes the layout and its widgets from w
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(inner);
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    auto* outer = new QVBoxLayout(w);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    w->resize(std::min(wanted.width() + bar, room.width()), std::min(wanted.height() + bar, room.height()));
}

class OnScreenKeeper : public QObject {
public:
    OnScreenKeeper() : QObject(qApp) {}
    void SetMainWindow(QWidget* mainWindow) { main_ = mainWindow; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show && event->type() != QEvent::Resize) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !w->isWindow() || !w->isVisible() || !Placed(w->windowType())) return false;
        const QScreen* screen = main_ ? main_->screen() : w->screen();
        if (!screen) return false;
        const QRect area = screen->availableGeometry();
        // A dialog of fixed size larger than the screen (at 2x scaling on a
        // small display) shows its contents in a scroll area instead.
        if (event->type() == QEvent::Show && w->minimumSize() == w->maximumSize()) {
            const QSize decoration = w->frameGeometry().size() - w->size();
            ScrollWhenTooLarge(w, area.size() - decoration);
        }
        // A window that may be resized and opens larger than the screen (a
        // file dialog sized for another display) is made to fit, frame included.
        if (event->type() == QEvent::Show && w->minimumSize() != w->maximumSize()) {
            const QSize decoration = w->frameGeometry().size() - w->size();
            const WindowSize fitted =
                RestoredWindowSize({w->width(), w->height()}, {w->width(), w->height()},
                                   {w->minimumWidth(), w->minimumHeight()},
                                   {area.width() - decoration.width(), area.height() - decoration.height()});
            if (fitted.width != w->width() || fitted.height != w->height()) w->resize(fitted.width, fitted.height);
        }
        // The frame, title bar included, once the window system has told it.
        const QRect frame = w->frameGeometry();
        const WindowRect at = PlacedOnScreen({frame.x(), frame.y(), frame.width(), frame.height()},
                                             {area.x(), area.y(), area.width(), area.height()});
        if (at.x != frame.x() || at.y != frame.y()) w->move(at.x, at.y);
        return false;
    }

private:
    static bool Placed(Qt::WindowType type) {
        return type == Qt::Window || type == Qt::Dialog || type == Qt::Tool || type == Qt::Sheet;
    }

    QPointer<QWidget> main_;
};

}  // namespace

void KeepWindowsOnScreen(QWidget* mainWindow) {
    static QPointer<OnScreenKeeper> keeper;
    if (!keeper) {
        keeper = new OnScreenKeeper;
        qApp->installEventFilter(keeper);
    }
    keeper->SetMainWindow(mainWindow);
}

}  // namespace kivo
