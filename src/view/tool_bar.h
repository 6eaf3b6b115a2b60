// The tool bar above the panel: a row of owner-drawn buttons that run the
// commands of the menu, each enabled like its menu item, with a tip over the
// button the pointer rests on, timed by TooltipTimer.
#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QObject>
#include <vector>

#include "app/tooltip_timer.h"
#include "view/window_part.h"

class QLabel;
class QTimer;

namespace kivo {

class MainWindow;

// One slot of the bar. A gap is a slot that draws nothing and cannot be
// pressed, but still tells where the pointer is.
class ToolButton : public QAbstractButton {
    Q_OBJECT
public:
    ToolButton(int slot, QWidget* parent);
    int Slot() const { return slot_; }
    bool IsGap() const { return icon_.isNull(); }

signals:
    void PointerOn(int slot);
    void PointerLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Seen before QWidget drops mouse events of a disabled button: a greyed
    // button still tells what it would do.
    bool event(QEvent* event) override;

private:
    int slot_;
    QIcon icon_;
};

class ToolBar : public QObject, public WindowPart {
    Q_OBJECT
public:
    // The tick of the tip timing, in milliseconds.
    static constexpr int kTickMs = 50;

    explicit ToolBar(MainWindow& window);

    ToolButton* Button(int slot) const { return buttons_[size_t(slot)]; }
    // The tip while one is up, else null.
    const QLabel* Tip() const;
    // One tick of the tip timing, as the timer gives it.
    void Tick();

private:
    void PointerOn(int slot);
    void PointerLeft();
    void ShowTip();

    std::vector<ToolButton*> buttons_;
    TooltipTimer timing_;
    QTimer* ticker_ = nullptr;
    QLabel* tip_ = nullptr;
    int tipShown_ = -1;
    bool leaving_ = false;
};

}  // namespace kivo
