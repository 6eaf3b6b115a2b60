#include "view/tool_bar.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <utility>

#include "app/tool_bar_table.h"
#include "ui/qt_translation.h"
#include "view/main_window.h"

// The icons are compiled into this library; a static library's resources are
// only linked in when something refers to them.
static void LoadToolBarIcons() { Q_INIT_RESOURCE(toolbar); }

namespace kivo {

namespace {

// The tip sits just below its button, clear of the line under the bar.
constexpr int kTipBelowButton = 4;
const QColor kTipBackground(255, 255, 208);
// The frame around each button: the same dark grey whatever the theme.
const QColor kButtonFrame(64, 64, 64);

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

ToolButton::ToolButton(int slot, QWidget* parent) : QAbstractButton(parent), slot_(slot) {
    SlotRect r = ToolBarSlotRect(slot);
    setGeometry(r.x, r.y, r.width, r.height);
    setObjectName(QStringLiteral("toolSlot%1").arg(slot));
    // Pressing a button must leave the focus in the field being edited.
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    const ToolBarSlot& row = ToolBarSlots()[size_t(slot)];
    if (IsGapSlot(slot)) {
        setEnabled(false);
        return;
    }
    icon_ = QIcon(QStringLiteral(":/toolbar/%1.svg").arg(Utf8(row.icon)));
    setAccessibleName(Translated("Commands", row.tooltip));
}

void ToolButton::paintEvent(QPaintEvent*) {
    if (IsGap()) return;
    QPainter p(this);
    const int right = width() - 1, bottom = height() - 1;
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.setPen(kButtonFrame);
    p.drawRect(0, 0, right, bottom);
    // Drawn on the face colour, so the icons' transparent parts follow the theme;
    // QIcon's disabled mode greys and lightens the same drawing.
    icon_.paint(&p, QRect(2, 2, 24, 24), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    QColor light = palette().color(QPalette::Light);
    QColor shadow = palette().color(QPalette::Dark);
    if (isDown()) std::swap(light, shadow);
    p.setPen(light);
    p.drawLine(1, 1, right - 1, 1);
    p.drawLine(1, 1, 1, bottom - 1);
    p.setPen(shadow);
    p.drawLine(1, bottom - 1, right - 1, bottom - 1);
    p.drawLine(right - 1, 1, right - 1, bottom - 1);
}

bool ToolButton::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove: emit PointerOn(slot_); break;
        case QEvent::Leave: emit PointerLeft(); break;
        default: break;
    }
    return QAbstractButton::event(event);
}

ToolBar::ToolBar(MainWindow& window) {
    LoadToolBarIcons();
    QWidget* panel = window.PanelWidget();
    for (int slot = 0; slot < kToolBarSlotCount; ++slot) {
        auto* button = new ToolButton(slot, panel);
        buttons_.push_back(button);
        connect(button, &ToolButton::PointerOn, this, &ToolBar::PointerOn);
        connect(button, &ToolButton::PointerLeft, this, &ToolBar::PointerLeft);
        if (button->IsGap()) continue;
        int command = CommandForSlot(slot);
        connect(button, &QAbstractButton::clicked, this, [&window, command] { window.RunCommand(command); });
        // A button is offered exactly when its menu item is.
        if (QAction* action = window.Action(command)) {
            button->setEnabled(action->isEnabled());
            connect(action, &QAction::changed, button, [action, button] { button->setEnabled(action->isEnabled()); });
        }
    }

    tip_ = new QLabel(panel);
    tip_->setObjectName(QStringLiteral("toolTip"));
    tip_->setFrameStyle(QFrame::Box | QFrame::Plain);
    tip_->setLineWidth(1);
    tip_->setAlignment(Qt::AlignCenter);
    tip_->setAutoFillBackground(true);
    tip_->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The background is fixed, so the text and frame colour must be too: a dark
    // theme's light window text would vanish on it.
    QPalette colours = tip_->palette();
    colours.setColor(QPalette::Window, kTipBackground);
    colours.setColor(QPalette::WindowText, Qt::black);
    tip_->setPalette(colours);
    tip_->hide();

    // Ticks for as long as the window lives: the timing counts only while
    // something is pending, so an idle tick costs nothing.
    ticker_ = new QTimer(this);
    ticker_->setInterval(kTickMs);
    connect(ticker_, &QTimer::timeout, this, &ToolBar::Tick);
    ticker_->start();
}

const QLabel* ToolBar::Tip() const { return tipShown_ >= 0 ? tip_ : nullptr; }

void ToolBar::Tick() {
    timing_.Tick();
    ShowTip();
}

void ToolBar::PointerOn(int slot) {
    leaving_ = false;
    timing_.PointerOnSlot(slot);
    ShowTip();
}

// Qt sends the old button's Leave before the next slot's Enter, so whether the
// pointer left the bar is only known once both have been delivered.
void ToolBar::PointerLeft() {
    leaving_ = true;
    QTimer::singleShot(0, this, [this] {
        if (!leaving_) return;
        leaving_ = false;
        timing_.PointerOffBar();
        ShowTip();
    });
}

void ToolBar::ShowTip() {
    int slot = timing_.TipShown();
    if (slot == tipShown_) return;
    tipShown_ = slot;
    if (slot < 0) {
        tip_->hide();
        return;
    }
    QString text = QStringLiteral(" %1 ").arg(Translated("Commands", ToolBarSlots()[size_t(slot)].tooltip));
    tip_->setText(text);
    QFontMetrics fm(tip_->font());
    // The frame lies one pixel outside the text on every side.
    QSize size(fm.horizontalAdvance(text) + 2, fm.height() + 2);
    QRect button = buttons_[size_t(slot)]->geometry();
    QWidget* panel = tip_->parentWidget();
    int x = std::max(0, std::min(button.left(), panel->width() - size.width()));
    tip_->setGeometry(x, button.bottom() + 1 + kTipBelowButton, size.width(), size.height());
    tip_->raise();
    tip_->show();
}

}  // namespace kivo
