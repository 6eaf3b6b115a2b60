#include "ui/file_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QGridLayout>
#include <QLineEdit>

#include "app/file_choice.h"
#include "app/session_settings.h"
#include "doc/anim_doc.h"
#include "ui/picture_preview.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"

namespace kivo {

namespace {

const char* FolderKey(FileChooser chooser) {
    switch (chooser) {
        case FileChooser::kOpenAnimation: return "LoadDir";
        case FileChooser::kOpenFrames: return "KLoadDir";
        case FileChooser::kSaveAnimation:
        case FileChooser::kSaveAvi:
        case FileChooser::kSaveVideo: return "SaveDir";
    }
    return "LoadDir";
}

QStringList QtFilters(FileChooser chooser) {
    QStringList filters;
    for (const FileFilter& f : FiltersOf(chooser)) {
        const std::string label = TranslatedUtf8("FileChooser", f.label);
        filters << QString::fromStdString(QtFilterText({label, f.extensions}));
    }
    return filters;
}

// A widget-based dialog: the preview pane and the type switch need its widgets.
void Prepare(QFileDialog& dialog, FileChooser chooser) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters = QtFilters(chooser);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    // Size, type and date fit their texts ("2 バイト", "GIF ファイル"), which Qt
    // would cut; the name takes the rest of the width.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    std::string folder = StoredFolder(FolderKey(chooser));
    if (!folder.empty()) dialog.setDirectory(FromNativePath(folder));
}

void AddPreview(QFileDialog& dialog) {
    auto* layout = qobject_cast<QGridLayout*>(dialog.layout());
    if (!layout) return;
    auto* preview = new PicturePreview(&dialog);
    layout->addWidget(preview, 0, layout->columnCount(), layout->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::ShowFile);
}

void RememberFolder(FileChooser chooser, const std::string& path) {
    SetStoredFolder(FolderKey(chooser), FolderOf(path));
}

std::optional<std::string> RunSaveDialog(QWidget* owner, FileChooser chooser,
                                         const std::string& initialName, int formatMode) {
    std::unique_ptr<QFileDialog> dialog = MakeFileDialog(owner, chooser, initialName, formatMode);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
    std::string path = WithDefaultExtension(NativePath(dialog->selectedFiles().first()), chooser, formatMode);
    RememberFolder(chooser, path);
    return path;
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, FileChooser chooser,
                                            const std::string& initialName, int formatMode) {
    auto dialog = std::make_unique<QFileDialog>(owner);
    Prepare(*dialog, chooser);
    switch (chooser) {
        case FileChooser::kOpenAnimation:
            dialog->setWindowTitle(QCoreApplication::translate("FileChooser", "開く"));
            dialog->setFileMode(QFileDialog::ExistingFile);
            AddPreview(*dialog);
            return dialog;
        case FileChooser::kOpenFrames:
            dialog->setWindowTitle(QCoreApplication::translate("FileChooser", "コマの付け足し"));
            dialog->setFileMode(QFileDialog::ExistingFiles);
            AddPreview(*dialog);
            return dialog;
        case FileChooser::kSaveAnimation:
        case FileChooser::kSaveAvi:
        case FileChooser::kSaveVideo:
            break;
    }
    QFileDialog* d = dialog.get();
    d->setAcceptMode(QFileDialog::AcceptSave);
    d->setFileMode(QFileDialog::AnyFile);
    // Qt adds the default suffix to a name without one before it asks whether
    // to replace an existing file, so that question names the file written.
    d->setDefaultSuffix(chooser == FileChooser::kSaveAvi     ? "avi"
                        : chooser == FileChooser::kSaveVideo ? "mp4"
                        : formatMode == 1                    ? "mng"
                                                             : "gif");
    d->setWindowTitle(chooser == FileChooser::kSaveAvi     ? QCoreApplication::translate("FileChooser", "AVI 保存")
                      : chooser == FileChooser::kSaveVideo ? QCoreApplication::translate("FileChooser", "動画書き出し")
                                                           : QCoreApplication::translate("FileChooser", "名前を付けて保存"));
    if (chooser == FileChooser::kSaveVideo) {
        // The suffix follows the kind chosen, so that the name says what is written.
        QObject::connect(d, &QFileDialog::filterSelected, d, [d](const QString& filter) {
            d->setDefaultSuffix(d->nameFilters().indexOf(filter) == 1 ? "webm" : "mp4");
        });
    }
    if (!initialName.empty()) d->selectFile(FromNativePath(initialName));
    if (chooser == FileChooser::kSaveAnimation) {
        QObject::connect(d, &QFileDialog::filterSelected, d, [d, formatMode](const QString& filter) {
            int index = int(d->nameFilters().indexOf(filter));
            if (auto* nameBox = d->findChild<QLineEdit*>("fileNameEdit")) {
                std::string name = NativePath(nameBox->text());
                nameBox->setText(FromNativePath(NameForFilter(name, FileChooser::kSaveAnimation, index)));
            }
            // The filters GIF, MNG and APNG name their suffix; the others the mode's.
            const char* const suffixes[] = {"gif", "mng", "png"};
            d->setDefaultSuffix(index >= 1 && index <= 3 ? suffixes[index - 1] : formatMode == 1 ? "mng" : "gif");
        });
    }
    return dialog;
}

std::optional<std::string> ChooseAnimationToOpen(QWidget* owner) {
    std::unique_ptr<QFileDialog> dialog = MakeFileDialog(owner, FileChooser::kOpenAnimation);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
    std::string path = NativePath(dialog->selectedFiles().first());
    RememberFolder(FileChooser::kOpenAnimation, path);
    return path;
}

std::vector<std::string> ChooseFramesToAdd(QWidget* owner) {
    std::unique_ptr<QFileDialog> dialog = MakeFileDialog(owner, FileChooser::kOpenFrames);
    std::vector<std::string> paths;
    if (dialog->exec() != QDialog::Accepted) return paths;
    for (const QString& file : dialog->selectedFiles()) paths.push_back(NativePath(file));
    if (!paths.empty()) RememberFolder(FileChooser::kOpenFrames, paths.front());
    return paths;
}

std::optional<std::string> ChooseAnimationSavePath(QWidget* owner, const std::string& initialName,
                                                   int formatMode) {
    return RunSaveDialog(owner, FileChooser::kSaveAnimation, initialName, formatMode);
}

std::optional<std::string> ChooseAviSavePath(QWidget* owner, const std::string& initialName) {
    return RunSaveDialog(owner, FileChooser::kSaveAvi, initialName, 0);
}

std::optional<std::string> ChooseVideoSavePath(QWidget* owner, const std::string& initialName) {
    return RunSaveDialog(owner, FileChooser::kSaveVideo, initialName, 0);
}

}  // namespace kivo
