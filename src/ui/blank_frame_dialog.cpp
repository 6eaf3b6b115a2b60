#include "ui/blank_frame_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/frame_size.h"
#include "platform/platform.h"
#include "ui/qt_platform.h"

namespace kivo {

namespace {

// An edit field with its up-down arrows; 0 can be typed so that the dialog
// can say why it will not do, anything above the largest side cannot.
QSpinBox* SizeField(QWidget* parent, int id, int value) {
    auto* field = new QSpinBox(parent);
    field->setObjectName(QStringLiteral("id%1").arg(id));
    field->setRange(0, int(kMaxFrameSide));
    field->setValue(std::clamp(value, 0, int(kMaxFrameSide)));
    field->setAccelerated(true);
    return field;
}

}  // namespace

BlankFrameDialog::BlankFrameDialog(QWidget* owner, int width, int height) : QDialog(owner) {
    setWindowTitle(tr("無地コマ"));
    auto* top = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    width_ = SizeField(this, 1041, width);
    height_ = SizeField(this, 1043, height);
    form->addRow(tr("コマの幅"), width_);
    form->addRow(tr("コマの高さ"), height_);
    top->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("id1"));
    ok->setDefault(true);
    buttons->addButton(tr("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("id2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);
    width_->setFocus();
    width_->selectAll();
}

FrameSize BlankFrameDialog::Size() const { return {width_->value(), height_->value()}; }

void BlankFrameDialog::accept() {
    // What is typed counts even before the field has taken it.
    width_->interpretText();
    height_->interpretText();
    const FrameSize size = Size();
    const FrameSizeFault fault = CheckFrameSize(size.width, size.height);
    if (fault == FrameSizeFault::kNone) {
        QDialog::accept();
        return;
    }
    ShowError(OwnerOf(this), BlankFrameSizeMessage(fault, size.width, size.height));
    QSpinBox* field = fault == FrameSizeFault::kHeight ? height_ : width_;
    field->setFocus();
    field->selectAll();
}

std::optional<FrameSize> BlankFrameDialog::Ask(QWidget* owner, int width, int height) {
    BlankFrameDialog dialog(owner, width, height);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Size();
}

}  // namespace kivo
