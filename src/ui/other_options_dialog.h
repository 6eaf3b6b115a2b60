// "その他のオプション": which paint program edits frames, and whether size
// optimisation also uses transparency, in the options the dialog was given
// (the session's), and the interface's language (stored in the settings, taken
// at the next start). Every change takes effect at once;
// there is nothing to cancel, only "閉じる". Controls carry their ids as object
// names ("id1039"); the language choice is "language".
#pragma once

#include <QDialog>

#include "app/session_settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kivo {

class OtherOptionsDialog : public QDialog {
    Q_OBJECT
public:
    OtherOptionsDialog(QWidget* owner, WriteOptions& options);
    static void Run(QWidget* owner, WriteOptions& options);

private:
    QWidget* LanguageGroup();
    void ApplyEnabling();
    void Browse();

    WriteOptions& options_;
    QCheckBox* standard_ = nullptr;
    QLabel* found_ = nullptr;
    QLabel* otherLabel_ = nullptr;
    QLineEdit* other_ = nullptr;
    QPushButton* browse_ = nullptr;
};

}  // namespace kivo
