#include "ui/progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/layout_units.h"
#include "ui/qt_translation.h"

namespace kivo {

ProgressDialog::ProgressDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(TranslatedMessage("Kivo 保存中..."));
    setWindowModality(Qt::ApplicationModal);
    auto* fixed = new QLabel(TranslatedMessage("少々お待ちください"), this);
    fixed->setAlignment(Qt::AlignCenter);
    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    message_->setMinimumWidth(CharWidthOf(fontMetrics()) * 40);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    bar_->hide();
    cancel_ = new QPushButton(TranslatedMessage("中止"), this);
    cancel_->setEnabled(false);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fixed);
    layout->addWidget(message_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressDialog::SetMessage(const QString& text) {
    // A "\r" in an engine message starts a new line.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    message_->setText(shown);
}

void ProgressDialog::SetCancelButton(const QString& label, bool enabled) {
    if (!label.isEmpty()) cancel_->setText(label);
    cancel_->setEnabled(enabled);
}

void ProgressDialog::SetBar(bool visible, int percent) {
    bar_->setVisible(visible);
    if (visible) bar_->setValue(percent);
}

bool ProgressDialog::TakeCancelRequest() {
    bool requested = cancelRequested_;
    cancelRequested_ = false;
    return requested;
}

void ProgressDialog::reject() {
    if (cancel_->isEnabled()) cancelRequested_ = true;
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    // The window's close box counts as the cancel button, never as closing:
    // only the operation itself may end its dialog.
    if (cancel_->isEnabled()) cancelRequested_ = true;
    event->ignore();
}

}  // namespace kivo
