#include "ui/paint_editing.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/paint_file.h"
#include "app/paint_program.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"

namespace kivo {

namespace {

constexpr const char* kWaitText =
    "現在ペイントツールでコマの編集中です。\r\r編集が終わったら\r上書き保管をしてペイントツールを閉じてください。"
    "\r\r中止ボタンで Kivo 通常操作に戻ります。";
constexpr int kPollMs = 100;

}  // namespace

PaintWaitDialog::PaintWaitDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(TranslatedMessage("Kivo ペイント編集中！"));
    auto* top = new QVBoxLayout(this);
    auto* text = new QLabel(ShownMessage(kWaitText), this);
    text->setAlignment(Qt::AlignCenter);
    top->addWidget(text);
    auto* buttons = new QDialogButtonBox(Qt::Horizontal, this);
    buttons->setCenterButtons(true);
    QPushButton* cancel = buttons->addButton(TranslatedMessage("中止"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("id2"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);
}

bool EditInPaintProgram(QWidget* owner, AnimDoc& doc, Frame& frame, const WriteOptions& options,
                        FrameKeeper* keeper) {
    const char* pathVariable = std::getenv("PATH");
    const PaintProgramChoice choice = ChoosePaintProgram(pathVariable ? pathVariable : "", options);
    if (!choice.problem.empty()) {
        ShowError(OwnerOf(owner), choice.problem);
        return false;
    }
    PaintFile file;
    if (!WritePaintFile(OwnerOf(owner), frame, file)) return false;

    qint64 pid = 0;
    if (!QProcess::startDetached(FromNativePath(choice.program), {FromNativePath(file.path)},
                                 FromNativePath(file.folder), &pid)) {
        RemovePaintFileIfSafe(file);
        ShowError(OwnerOf(owner), choice.program + "\rを起動できませんでした。");
        return false;
    }

    PaintWaitDialog dialog(owner);
    PaintWatch watch(file.written);
    QElapsedTimer clock;
    clock.start();
    bool reload = false;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        switch (watch.Tick(ProcessRunning(pid), StampOf(file.path), double(clock.elapsed()) / 1000.0)) {
            case PaintWaitAction::kWait: return;
            case PaintWaitAction::kReload: reload = true; [[fallthrough]];
            case PaintWaitAction::kDone: poll.stop(); dialog.accept(); return;
        }
    });
    poll.start();
    dialog.exec();
    poll.stop();

    // Read after the wait has closed, so that a message about the file does not
    // stand over a dialog still polling.
    const PaintReload result = reload ? ReloadPaintedFrame(OwnerOf(owner), doc, frame, file, keeper) : PaintReload::kUnchanged;
    // A program still running, or one that handed the file to another instance,
    // may still save into it: the file stays until the editor exits.
    if (ProcessRunning(pid) || watch.HandedOver()) KeepPaintFileForLater(file);
    else RemovePaintFileIfSafe(file);
    if (owner) {
        owner->raise();
        owner->activateWindow();
    }
    return result == PaintReload::kReplaced;
}

}  // namespace kivo
