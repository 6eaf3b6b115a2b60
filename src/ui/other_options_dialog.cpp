#include "ui/other_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/paint_program.h"
#include "ui/qt_platform.h"

namespace kivo {

namespace {

template <typename T>
T* Named(T* widget, int id) {
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

// Which program "the standard paint program" stands for on this machine.
QString FoundProgramText() {
    const char* path = std::getenv("PATH");
    std::string found = FindStandardPaintProgram(path ? path : "");
    if (!found.empty()) return QStringLiteral("（%1 を使います）").arg(FromNativePath(found));
    QStringList names;
    for (std::string_view name : StandardPaintPrograms())
        names << QString::fromLatin1(name.data(), qsizetype(name.size()));
    return QStringLiteral("（%1 が見つかりません）").arg(names.join(QStringLiteral(", ")));
}

}  // namespace

OtherOptionsDialog::OtherOptionsDialog(QWidget* owner, WriteOptions& options)
    : QDialog(owner), options_(options) {
    setWindowTitle(QStringLiteral("その他のオプション"));
    auto* top = new QVBoxLayout(this);

    auto* paint = new QGroupBox(QStringLiteral("ペイントソフト"), this);
    auto* paintLayout = new QVBoxLayout(paint);
    standard_ = Named(new QCheckBox(QStringLiteral("標準のペイントソフトを使う"), paint), 1039);
    standard_->setChecked(options_.UseStandardPaint != 0);
    paintLayout->addWidget(standard_);
    found_ = new QLabel(FoundProgramText(), paint);
    found_->setIndent(fontMetrics().horizontalAdvance(QStringLiteral("xxxx")));
    paintLayout->addWidget(found_);
    auto* otherRow = new QHBoxLayout;
    otherLabel_ = Named(new QLabel(QStringLiteral("その他のソフト"), paint), 1040);
    other_ = Named(new QLineEdit(FromNativePath(options_.PaintProgramPath), paint), 1036);
    other_->setMaxLength(4096);
    other_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    browse_ = Named(new QPushButton(QStringLiteral("参照..."), paint), 1037);
    otherRow->addWidget(otherLabel_);
    otherRow->addWidget(other_, 1);
    otherRow->addWidget(browse_);
    paintLayout->addLayout(otherRow);
    top->addWidget(paint);

    auto* optimize = Named(new QCheckBox(QStringLiteral("サイズを最適化するとき透過色を使った最適化も行う"), this), 1038);
    optimize->setChecked(options_.OptimizeWithTransparency != 0);
    top->addWidget(optimize);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = Named(buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole), 2);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(standard_, &QCheckBox::toggled, this, [this](bool on) {
        options_.UseStandardPaint = on ? 1 : 0;
        ApplyEnabling();
    });
    connect(optimize, &QCheckBox::toggled, this, [this](bool on) { options_.OptimizeWithTransparency = on ? 1 : 0; });
    connect(other_, &QLineEdit::textChanged, this, [this](const QString& text) { options_.PaintProgramPath = NativePath(text); });
    connect(browse_, &QPushButton::clicked, this, &OtherOptionsDialog::Browse);
    ApplyEnabling();
}

void OtherOptionsDialog::ApplyEnabling() {
    const bool other = !standard_->isChecked();
    found_->setEnabled(!other);
    otherLabel_->setEnabled(other);
    other_->setEnabled(other);
    browse_->setEnabled(other);
}

void OtherOptionsDialog::Browse() {
    QString start = other_->text().isEmpty() ? QStringLiteral("/usr/bin") : other_->text();
    QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("ペイントソフトの選択"), start,
                                                  QStringLiteral("アプリケーション (*)"));
    if (!chosen.isEmpty()) other_->setText(chosen);
}

void OtherOptionsDialog::Run(QWidget* owner, WriteOptions& options) {
    OtherOptionsDialog dialog(owner, options);
    dialog.exec();
}

}  // namespace kivo
