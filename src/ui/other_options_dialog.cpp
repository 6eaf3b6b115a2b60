#include "ui/other_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
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
    if (!found.empty()) return OtherOptionsDialog::tr("（%1 を使います）").arg(FromNativePath(found));
    QStringList names;
    for (std::string_view name : StandardPaintPrograms())
        names << QString::fromLatin1(name.data(), qsizetype(name.size()));
    return OtherOptionsDialog::tr("（%1 が見つかりません）").arg(names.join(QStringLiteral(", ")));
}

}  // namespace

OtherOptionsDialog::OtherOptionsDialog(QWidget* owner, WriteOptions& options)
    : QDialog(owner), options_(options) {
    setWindowTitle(tr("その他のオプション"));
    auto* top = new QVBoxLayout(this);

    auto* paint = new QGroupBox(tr("ペイントソフト"), this);
    auto* paintLayout = new QVBoxLayout(paint);
    standard_ = Named(new QCheckBox(tr("標準のペイントソフトを使う"), paint), 1039);
    standard_->setChecked(options_.UseStandardPaint != 0);
    paintLayout->addWidget(standard_);
    found_ = new QLabel(FoundProgramText(), paint);
    found_->setIndent(fontMetrics().horizontalAdvance(QStringLiteral("xxxx")));
    paintLayout->addWidget(found_);
    auto* otherRow = new QHBoxLayout;
    otherLabel_ = Named(new QLabel(tr("その他のソフト"), paint), 1040);
    other_ = Named(new QLineEdit(FromNativePath(options_.PaintProgramPath), paint), 1036);
    other_->setMaxLength(4096);
    other_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    browse_ = Named(new QPushButton(tr("参照..."), paint), 1037);
    otherRow->addWidget(otherLabel_);
    otherRow->addWidget(other_, 1);
    otherRow->addWidget(browse_);
    paintLayout->addLayout(otherRow);
    top->addWidget(paint);

    auto* optimize = Named(new QCheckBox(tr("サイズを最適化するとき透過色を使った最適化も行う"), this), 1038);
    optimize->setChecked(options_.OptimizeWithTransparency != 0);
    top->addWidget(optimize);

    top->addWidget(LanguageGroup());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = Named(buttons->addButton(tr("閉じる"), QDialogButtonBox::RejectRole), 2);
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

QWidget* OtherOptionsDialog::LanguageGroup() {
    auto* group = new QGroupBox(tr("表示言語"), this);
    auto* layout = new QHBoxLayout(group);
    auto* choice = new QComboBox(group);
    choice->setObjectName(QStringLiteral("language"));
    // Each language is named in itself, so that it can be found whatever the
    // interface speaks now.
    for (LanguageSetting setting : LanguageSettings()) {
        switch (setting) {
            case LanguageSetting::kAuto: choice->addItem(tr("自動（システムの設定）")); break;
            case LanguageSetting::kJapanese: choice->addItem(QStringLiteral("日本語")); break;
            case LanguageSetting::kEnglish: choice->addItem(QStringLiteral("English")); break;
        }
    }
    const std::span<const LanguageSetting> settings = LanguageSettings();
    const auto stored = std::find(settings.begin(), settings.end(), StoredLanguageSetting());
    choice->setCurrentIndex(stored == settings.end() ? 0 : int(stored - settings.begin()));
    connect(choice, qOverload<int>(&QComboBox::activated), this, [settings](int index) {
        if (index >= 0 && size_t(index) < settings.size()) SetStoredLanguageSetting(settings[size_t(index)]);
    });
    layout->addWidget(choice);
    // The windows are built in one language; a new one is taken at the next start.
    auto* note = new QLabel(tr("次回の起動から有効になります。"), group);
    note->setObjectName(QStringLiteral("languageNote"));
    layout->addWidget(note, 1);
    return group;
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
    QString chosen = QFileDialog::getOpenFileName(this, tr("ペイントソフトの選択"), start,
                                                  tr("アプリケーション (*)"));
    if (!chosen.isEmpty()) other_->setText(chosen);
}

void OtherOptionsDialog::Run(QWidget* owner, WriteOptions& options) {
    OtherOptionsDialog dialog(owner, options);
    dialog.exec();
}

}  // namespace kivo
