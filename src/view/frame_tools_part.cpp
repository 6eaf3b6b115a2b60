#include "view/frame_tools_part.h"

#include <QEvent>

#include "app/command_table.h"
#include "app/paint_file.h"
#include "frame_ops/blank_frame.h"
#include "ui/blank_frame_dialog.h"
#include "ui/layout_units.h"
#include "ui/other_options_dialog.h"
#include "ui/paint_editing.h"
#include "ui/qt_platform.h"
#include "ui/save_selected_dialog.h"
#include "view/frame_list_window.h"
#include "view/image_area.h"
#include "view/main_window.h"

namespace kivo {

namespace {

// Pauses the preview for a command's lifetime and resumes it when it had been playing.
class PausedPreview {
public:
    explicit PausedPreview(MainWindow& window) : window_(window), wasPlaying_(window.StopPreview()) {}
    ~PausedPreview() {
        if (wasPlaying_) window_.ResumePreview();
    }
    PausedPreview(const PausedPreview&) = delete;
    PausedPreview& operator=(const PausedPreview&) = delete;

private:
    MainWindow& window_;
    bool wasPlaying_;
};

constexpr std::string_view kPaintLabel = "ペイント編集";

// One frame through the paint program, as one step of the history.
bool PaintFrame(MainWindow& window, Frame& frame) {
    return window.GetShell().EditKeeping(kPaintLabel, [&](AnimDoc& doc, FrameKeeper& keeper) {
        return EditInPaintProgram(&window, doc, frame, &keeper);
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
    if (window.Image()) window.Image()->installEventFilter(this);
}

bool FrameToolsPart::RunCommand(int id) {
    switch (id) {
        case kCmdBlankAppend: AddBlank(false); return true;
        case kCmdBlankInsert: AddBlank(true); return true;
        case kCmdSaveSelected: SaveSelected(); return true;
        case kCmdFrameList: ShowFrameList(); return true;
        case kCmdOtherOptions: OtherOptionsDialog::Run(&window_); return true;
        default: return false;
    }
}

int FrameToolsPart::CommandEnabled(int id) const {
    switch (id) {
        case kCmdBlankAppend:
        case kCmdBlankInsert:
        case kCmdOtherOptions:
        case kCmdFrameList: return 1;
        case kCmdSaveSelected: return window_.GetShell().Doc().frameCount > 0 ? 1 : 0;
        default: return -1;
    }
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
    const bool added = window_.GetShell().Edit(insert ? "新規無地コマ挿入" : "新規無地コマ付け足し", [&](AnimDoc& d) {
        return AddBlankFrame(d, insert ? 1 : 0, size->width, size->height);
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
    SaveSelectedDialog::Run(&window_, doc);
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

bool FrameToolsPart::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == window_.Image()) {
        if (Frame* frame = window_.GetShell().Doc().currentFrame) EditFrameInPaint(window_, *frame);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kivo
