#include "ui/on_screen.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "app/window_position.h"

namespace kivo {

namespace {

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
