#include "ui/save_selected_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/save_selected_form.h"
#include "doc/selection.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"

namespace kivo {

namespace {

// The folder last chosen in the browser, its start when the field is empty.
QString& LastBrowsedFolder() {
    static QString folder;
    return folder;
}

// A new document's name ("新規") in the interface's language.
std::string ShownBaseName(const AnimDoc& doc, const std::string& baseName) {
    const std::string shown = ShownDocumentName(doc.displayName);
    if (!doc.path.empty() || shown == doc.displayName) return baseName;
    return shown.substr(0, shown.find_last_of('.'));
}

template <typename T>
T* Named(T* widget, int id) {
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

}  // namespace

SaveSelectedDialog::SaveSelectedDialog(QWidget* owner, AnimDoc& doc, const Selection& selection, int formatMode,
                                       WriteOptions& options)
    : QDialog(owner), doc_(doc), selection_(selection), options_(options) {
    setWindowTitle(tr("現在選択中のコマを個々に保存"));
    const SaveSelectedRequest opening = OpeningRequest(doc, formatMode);
    auto* grid = new QGridLayout(this);

    const QString count = TranslatedPattern("SaveSelected", kSelectedCountPattern, SelectedCountText(selection.size()));
    grid->addWidget(Named(new QLabel(count, this), 1036), 0, 0, 1, 3);
    grid->addWidget(new QLabel(tr("フォルダ"), this), 1, 0);
    folder_ = Named(new QLineEdit(FromNativePath(opening.folder), this), 1041);
    folder_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    grid->addWidget(folder_, 1, 1);
    auto* browse = Named(new QPushButton(tr("参照"), this), 1042);
    connect(browse, &QPushButton::clicked, this, &SaveSelectedDialog::Browse);
    grid->addWidget(browse, 1, 2);
    grid->addWidget(new QLabel(tr("ファイル名"), this), 2, 0);
    baseName_ = Named(new QLineEdit(QString::fromStdString(ShownBaseName(doc, opening.baseName)), this), 1043);
    grid->addWidget(baseName_, 2, 1);

    auto* formats = new QGroupBox(tr("形式"), this);
    auto* formatRow = new QHBoxLayout(formats);
    format_ = new QButtonGroup(this);
    const char* const labels[] = {"BMP", "PNG", "GIF"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = Named(new QRadioButton(QString::fromLatin1(labels[i]), formats), 1044 + i);
        format_->addButton(radio, i);
        formatRow->addWidget(radio);
    }
    format_->button(int(opening.format))->setChecked(true);
    grid->addWidget(formats, 3, 0, 1, 2);
    overwrite_ = Named(new QCheckBox(tr("同名ファイルは\n上書きする"), this), 1037);
    overwrite_->setChecked(overwriteChoice_);
    connect(overwrite_, &QCheckBox::toggled, this, [](bool on) { overwriteChoice_ = on; });
    grid->addWidget(overwrite_, 3, 2);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = Named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), 1);
    ok->setDefault(true);
    Named(buttons->addButton(tr("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole), 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 4, 0, 1, 3);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void SaveSelectedDialog::Browse() {
    QString start = folder_->text().isEmpty() ? LastBrowsedFolder() : folder_->text();
    QString chosen = QFileDialog::getExistingDirectory(this, tr("コマを保存したいフォルダの選択"), start);
    if (chosen.isEmpty()) return;
    LastBrowsedFolder() = chosen;
    folder_->setText(chosen);
}

void SaveSelectedDialog::accept() {
    SaveSelectedRequest request;
    request.folder = NativePath(folder_->text());
    request.baseName = NativePath(baseName_->text());
    request.format = FrameFileFormat(std::max(format_->checkedId(), 0));
    request.overwrite = overwrite_->isChecked();
    if (const char* problem = RequestProblem(request)) {
        ShowError(OwnerOf(this), problem);
        folder_->setFocus();
        folder_->selectAll();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string failure = RunSaveSelected(OwnerOf(this), doc_, selection_, request, options_);
    QApplication::restoreOverrideCursor();
    written_ = failure.empty();
    if (!written_) ShowError(OwnerOf(this), failure);
    QDialog::accept();
}

bool SaveSelectedDialog::Run(QWidget* owner, AnimDoc& doc, const Selection& selection, int formatMode,
                             WriteOptions& options) {
    SaveSelectedDialog dialog(owner, doc, selection, formatMode, options);
    dialog.exec();
    return dialog.Written();
}

}  // namespace kivo
