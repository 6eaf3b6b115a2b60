// "現在選択中のコマを個々に保存": folder, base name, format and the overwrite
// choice for writing each selected frame to a file of its own. OK without a
// usable folder is refused with the folder field focused; otherwise the frames
// are written and the dialog closes, success or not.
#pragma once

#include <QDialog>

#include "doc/anim_doc.h"
#include "doc/selection.h"
#include "options/write_options.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace kivo {

class SaveSelectedDialog : public QDialog {
    Q_OBJECT
public:
    // formatMode: the working mode, which picks the format offered first;
    // options: the session's, which the files are written with.
    SaveSelectedDialog(QWidget* owner, AnimDoc& doc, const Selection& selection, int formatMode,
                       WriteOptions& options);

    // Shows the dialog modally; true when files were written.
    static bool Run(QWidget* owner, AnimDoc& doc, const Selection& selection, int formatMode,
                    WriteOptions& options);
    bool Written() const { return written_; }

public slots:
    void accept() override;

private:
    void Browse();

    AnimDoc& doc_;
    const Selection& selection_;
    WriteOptions& options_;
    QLineEdit* folder_ = nullptr;
    QLineEdit* baseName_ = nullptr;
    QButtonGroup* format_ = nullptr;
    QCheckBox* overwrite_ = nullptr;
    // The overwrite box as the user last left it: on at first, kept while the
    // program runs, not stored.
    static inline bool overwriteChoice_ = true;
    bool written_ = false;
};

}  // namespace kivo
