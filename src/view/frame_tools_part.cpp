#include "view/frame_tools_part.h"

#include "app/command_table.h"
#include "app/paint_file.h"
#include "frame_ops/blank_frame.h"
#include "ui/blank_frame_dialog.h"
#include "ui/layout_units.h"
#include "ui/other_options_dialog.h"
#include "ui/paint_editing.h"
#include "ui/qt_platform.h"
#include "ui/save_selected_dialog.h"
#include "view/canvas_view.h"
#include "view/frame_list_window.h"
#include "view/main_window.h"

namespace kivo {

namespace {

constexpr std::string_view kPaintLabel = QT_TRANSLATE_NOOP("Edits", "ペイント編集");

// One frame through the paint program, as one step of the history.
bool PaintFrame(MainWindow& window, Frame& frame) {
    return window.GetShell().EditKeeping(kPaintLabel, [&](AnimDoc& doc, FrameKeeper& keeper) {
        return EditInPaintProgram(&window, doc, frame, window.GetShell().Options(), &keeper);
    });
}

}  // namespace

bool EditFrameInPaint(MainWindow& window, Frame& frame) {
    PausedPreview paused(window);
    if (!PaintFrame(window, frame)) return false;
    window.RefreshPanel();
    return true;
}

FrameToolsPart::FrameToolsPart(MainWindow& window) : window_(window) {
    connect(window.Canvas(), &CanvasView::doubleClicked, this, [this] {
        if (Frame* frame = window_.GetShell().Doc().currentFrame) EditFrameInPaint(window_, *frame);
    });
    window.OnCommand(kCmdBlankAppend, [this] { AddBlank(false); });
    window.OnCommand(kCmdBlankInsert, [this] { AddBlank(true); });
    window.OnCommand(kCmdSaveSelected, [this] { SaveSelected(); });
    window.OnCommand(kCmdFrameList, [this] { ShowFrameList(); });
    window.OnCommand(kCmdOtherOptions, [this] { OtherOptionsDialog::Run(&window_, window_.GetShell().Options()); });
}

void FrameToolsPart::Closing() {
    // Edited files whose program was still running when the wait ended.
    RemoveKeptPaintFiles();
}

void FrameToolsPart::AddBlank(bool insert) {
    AnimDoc& doc = window_.GetShell().Doc();
    PausedPreview paused(window_);
    const std::optional<FrameSize> size = BlankFrameDialog::Ask(&window_, doc.screenWidth, doc.screenHeight);
    if (!size) return;
    const char* label =
        insert ? QT_TRANSLATE_NOOP("Edits", "新規無地コマ挿入") : QT_TRANSLATE_NOOP("Edits", "新規無地コマ付け足し");
    const bool added = window_.GetShell().Edit(label, [&](AnimDoc& d) {
        return AddBlankFrame(d, window_.GetShell().Selected(), insert ? 1 : 0, size->width, size->height);
    });
    if (!added) {
        ShowError(OwnerOf(&window_), "メモリが足りません。");
        return;
    }
    window_.RefreshPanel();
}

void FrameToolsPart::SaveSelected() {
    AnimDoc& doc = window_.GetShell().Doc();
    if (doc.frameCount < 1) return;
    // The writers work on the frames' saving fields, which playback must not see.
    PausedPreview paused(window_);
    SaveSelectedDialog::Run(&window_, doc, window_.GetShell().Selected(), window_.GetShell().FormatMode(),
                            window_.GetShell().Options());
}

bool FrameToolsPart::ShowFrameList() {
    if (listOpen_) return false;
    listOpen_ = true;
    PausedPreview paused(window_);
    FrameListWindow list(&window_, window_.GetShell().Doc(), [this](Frame& frame) { return PaintFrame(window_, frame); });
    list.move(window_.geometry().topLeft() + QPoint(10 * window_.CharWidth(), 5 * window_.LineHeight()));
    const bool edited = list.RunModal();
    listOpen_ = false;
    window_.raise();
    window_.activateWindow();
    if (edited) window_.RefreshPanel();
    return edited;
}


}  // namespace kivo
