// The text key editor: adds keys to, and deletes keys from, the text key list
// of the document or of one frame (the MNG writer stores them as tEXt and zTXt
// chunks). The texts of the keys are edited in the panel.
#pragma once

#include <QDialog>
#include <QString>

#include "doc/anim_doc.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace kivo {

// A PNG keyword holds 1 to 79 bytes.
constexpr int kMaxKeyBytes = 79;

// text cut to the longest beginning of whole characters that fits kMaxKeyBytes
// of UTF-8.
QString CutToKeyLength(const QString& text);

class TextKeyEditor : public QDialog {
    Q_OBJECT
public:
    // frameNumber counts from 1; 0 edits the document's own list.
    TextKeyEditor(QWidget* owner, TextKeyList& list, int frameNumber);

    // Whether keys were added or deleted since the dialog opened.
    bool Changed() const { return changed_; }
    QListWidget* List() const { return listBox_; }
    QLineEdit* NewKey() const { return newKey_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* AddButton() const { return add_; }

private:
    void Fill();
    void DeleteSelected();
    void AddTyped();

    TextKeyList& list_;
    size_t selected_ = 0;
    bool changed_ = false;
    QListWidget* listBox_ = nullptr;
    QLineEdit* newKey_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* add_ = nullptr;
};

// Runs the editor modal to owner on list; true when keys were added or deleted.
bool EditTextKeys(QWidget* owner, TextKeyList& list, int frameNumber);

}  // namespace kivo
