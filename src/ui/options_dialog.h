// The GIF and MNG write option dialogs. Every click changes the options the
// dialog was given (the session's, which the saves take) at once; Cancel puts
// back what they were when the dialog opened. Controls carry their ids as object names ("id1002")
// so that tests can find them.
#pragma once

#include <QDialog>

#include "app/option_rules.h"
#include "app/session_settings.h"

class QAbstractButton;
class QBoxLayout;
class QLabel;
class QLineEdit;

namespace kivo {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(QWidget* owner, bool mng, WriteOptions& options);

    // Shows the dialog modally: true after OK, false after Cancel.
    static bool Run(QWidget* owner, bool mng, WriteOptions& options);

protected:
    void reject() override;

private:
    void BuildColorGroups(QBoxLayout* column);
    void BuildMngGroups(QBoxLayout* column);
    void BuildLossyGroup(QBoxLayout* column);
    void ApplyJngEnabling();
    void ShowJngChoice();
    QAbstractButton* Control(int id) const;

    bool mng_;
    WriteOptions& options_;
    OptionSnapshot opened_;
    QLabel* qualityLabel_ = nullptr;
    QLineEdit* quality_ = nullptr;
    QLineEdit* transparentIndex_ = nullptr;
};

}  // namespace kivo
