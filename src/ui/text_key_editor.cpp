#include "ui/text_key_editor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/platform.h"
#include "platform/stored_text.h"
#include "ui/qt_platform.h"

namespace kivo {

namespace {

constexpr char kDuplicate[] = "すでにそのキーは存在します。";

// Keeps the field within a PNG keyword's length however the text arrives
// (typed, pasted, or through an input method).
class KeyLengthValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        const QString cut = CutToKeyLength(input);
        if (cut.size() != input.size()) {
            input = cut;
            pos = std::min(pos, int(input.size()));
        }
        return Acceptable;
    }
};

QString Shown(const std::string& bytes) { return QString::fromStdString(StoredTextAsUtf8(bytes)); }

}  // namespace

QString CutToKeyLength(const QString& text) {
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const char32_t code = text.at(end).isHighSurrogate() && end + 1 < text.size()
                                  ? QChar::surrogateToUcs4(text.at(end), text.at(end + 1))
                                  : text.at(end).unicode();
        const int units = code > 0xFFFF ? 2 : 1;
        const int size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (bytes + size > kMaxKeyBytes) break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

TextKeyEditor::TextKeyEditor(QWidget* owner, TextKeyList& list, int frameNumber) : QDialog(owner), list_(list) {
    setWindowTitle(frameNumber == 0 ? tr("グローバルテキストのキー編集")
                                    : tr("コマ %1 のキー編集").arg(frameNumber));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("現在の KEY リスト"), this));
    listBox_ = new QListWidget(this);
    listBox_->setObjectName(QStringLiteral("id1027"));
    layout->addWidget(listBox_);
    delete_ = new QPushButton(tr("リストで選択したキーの削除"), this);
    delete_->setObjectName(QStringLiteral("id1028"));
    layout->addWidget(delete_);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(tr("新規キー"), this));
    newKey_ = new QLineEdit(this);
    newKey_->setObjectName(QStringLiteral("id1029"));
    newKey_->setValidator(new KeyLengthValidator(newKey_));
    layout->addWidget(newKey_);
    add_ = new QPushButton(tr("この新規キーを追加"), this);
    add_->setObjectName(QStringLiteral("id1030"));
    layout->addWidget(add_);
    layout->addSpacing(8);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* close = new QPushButton(tr("閉じる"), this);
    close->setObjectName(QStringLiteral("id1"));
    bottom->addWidget(close);
    layout->addLayout(bottom);
    for (QPushButton* b : {delete_, add_, close}) b->setAutoDefault(false);

    Fill();
    if (!list_.empty()) listBox_->setCurrentRow(0);
    delete_->setEnabled(!list_.empty());
    add_->setEnabled(false);
    // Opening the editor is almost always for adding a key: the name goes first.
    newKey_->setFocus();

    connect(listBox_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (list_.empty() || row < 0) return;
        selected_ = size_t(row);
        delete_->setEnabled(true);
    });
    connect(delete_, &QPushButton::clicked, this, &TextKeyEditor::DeleteSelected);
    connect(newKey_, &QLineEdit::textChanged, this, [this](const QString& text) {
        add_->setEnabled(!text.isEmpty());
    });
    // Enter in the field adds the key rather than closing the dialog with it unsaid.
    connect(newKey_, &QLineEdit::returnPressed, this, [this] {
        if (add_->isEnabled()) AddTyped();
    });
    connect(add_, &QPushButton::clicked, this, &TextKeyEditor::AddTyped);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void TextKeyEditor::Fill() {
    const QSignalBlocker quiet(listBox_);
    listBox_->clear();
    for (const TextKey& k : list_) listBox_->addItem(Shown(k.key));
}

void TextKeyEditor::DeleteSelected() {
    if (list_.empty()) return;
    if (selected_ >= list_.size()) selected_ = list_.size() - 1;
    RemoveKey(list_, selected_);
    changed_ = true;
    if (list_.empty()) {
        const QSignalBlocker quiet(listBox_);
        listBox_->clear();
        delete_->setEnabled(false);
        return;
    }
    {
        const QSignalBlocker quiet(listBox_);
        delete listBox_->takeItem(int(selected_));
    }
    if (selected_ >= list_.size()) selected_ = list_.size() - 1;
    listBox_->setCurrentRow(int(selected_));
}

void TextKeyEditor::AddTyped() {
    const QByteArray typed = CutToKeyLength(newKey_->text()).toUtf8();
    if (typed.isEmpty()) return;
    const std::string key(typed.constData(), size_t(typed.size()));
    for (const TextKey& k : list_) {
        if (k.key == key) {
            ShowError(OwnerOf(this), kDuplicate);
            return;
        }
    }
    if (!AddKey(list_, key, "")) {
        ShowError(OwnerOf(this), "メモリが足りません。");
        return;
    }
    selected_ = list_.size() - 1;
    Fill();
    listBox_->setCurrentRow(int(selected_));
    newKey_->clear();
    delete_->setEnabled(true);
    add_->setEnabled(false);
    listBox_->setFocus();
    changed_ = true;
}

bool EditTextKeys(QWidget* owner, TextKeyList& list, int frameNumber) {
    TextKeyEditor editor(owner, list, frameNumber);
    editor.exec();
    return editor.Changed();
}

}  // namespace kivo
