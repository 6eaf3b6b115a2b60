#include "ui/webp_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kivo {

WebpOptionsDialog::WebpOptionsDialog(QWidget* owner, WriteOptions& options)
    : QDialog(owner), options_(options), opened_(options) {
    setWindowTitle(tr("WebP 書き込みオプション"));
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    top->addLayout(left);

    auto* kind = new QGroupBox(tr("圧縮"), this);
    auto* kindLayout = new QVBoxLayout(kind);
    auto* lossless = new QRadioButton(tr("可逆 (画質そのまま)"), kind);
    auto* lossy = new QRadioButton(tr("非可逆 (小さいファイル)"), kind);
    lossless->setObjectName(QStringLiteral("webpLossless"));
    lossy->setObjectName(QStringLiteral("webpLossy"));
    (options_.WebpLossless ? lossless : lossy)->setChecked(true);
    kindLayout->addWidget(lossless);
    kindLayout->addWidget(lossy);
    connect(lossless, &QRadioButton::toggled, this, [this](bool on) {
        options_.WebpLossless = on ? 1 : 0;
        ShowQualityMeaning();
    });
    left->addWidget(kind);

    auto* row = new QHBoxLayout;
    qualityLabel_ = new QLabel(this);
    quality_ = new QSpinBox(this);
    quality_->setObjectName(QStringLiteral("webpQuality"));
    quality_->setRange(0, 100);
    quality_->setValue(options_.WebpQuality);
    connect(quality_, &QSpinBox::valueChanged, this, [this](int v) { options_.WebpQuality = v; });
    row->addWidget(qualityLabel_);
    row->addWidget(quality_);
    left->addLayout(row);

    auto* always = new QCheckBox(tr("保管時常に表示"), this);
    always->setObjectName(QStringLiteral("webpShowOnSave"));
    always->setChecked(options_.WebpShowOptionsOnSave != 0);
    connect(always, &QCheckBox::toggled, this, [this](bool on) { options_.WebpShowOptionsOnSave = on ? 1 : 0; });
    left->addWidget(always);
    left->addStretch();

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(tr("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons, 0, Qt::AlignTop);
    top->setSizeConstraint(QLayout::SetFixedSize);
    ShowQualityMeaning();
}

// The one number means picture quality when lossy and effort spent on a small
// file when lossless; the label says which.
void WebpOptionsDialog::ShowQualityMeaning() {
    qualityLabel_->setText(options_.WebpLossless ? tr("圧縮の努力 (0-100)") : tr("画質 (0-100)"));
}

void WebpOptionsDialog::reject() {
    opened_.Restore(options_);
    QDialog::reject();
}

bool WebpOptionsDialog::Run(QWidget* owner, WriteOptions& options) {
    WebpOptionsDialog dialog(owner, options);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kivo
