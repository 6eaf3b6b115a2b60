#include "view/screenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QDir>
#include <QEnterEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QElapsedTimer>
#include <QThread>

#include "app/command_table.h"
#include "app/panel_edits.h"
#include "doc/anim_doc.h"
#include "doc/selection.h"
#include "platform/progress.h"
#include "ui/blank_frame_dialog.h"
#include "ui/colour_dropper.h"
#include "ui/file_dialogs.h"
#include "ui/help_window.h"
#include "ui/options_dialog.h"
#include "ui/video_reading_dialog.h"
#include "ui/webp_options_dialog.h"
#include "ui/other_options_dialog.h"
#include "ui/paint_editing.h"
#include "ui/progress_dialog.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"
#include "ui/save_selected_dialog.h"
#include "ui/text_key_editor.h"
#include "view/canvas_view.h"
#include "view/frame_list_window.h"
#include "view/main_window.h"
#include "view/preview_window.h"
#include "view/timeline.h"
#include "view/tool_bar.h"

namespace kivo {

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

bool Save(QWidget& widget, const QDir& dir, const QString& name) {
    Settle();
    return widget.grab().save(dir.filePath(name + QStringLiteral(".png")));
}

// Until the timeline's thumbnails are in (they are made on a worker thread).
void WaitForThumbnails(const Timeline& timeline) {
    QElapsedTimer waited;
    waited.start();
    while (!timeline.Thumbnails().Complete() && waited.elapsed() < 5000) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

bool SaveShown(QWidget& widget, const QDir& dir, const QString& name) {
    widget.show();
    bool ok = Save(widget, dir, name);
    widget.hide();
    return ok;
}

// The main window, the MNG panel, the Edit menu, the preview and two dialogs in English:
// a window of their own, made once the English is installed, showing the same
// file. Pictures named NAME-en.png.
bool TakeEnglishScreenshots(MainWindow& japanese, const QDir& dir) {
    const Language was = InterfaceLanguage();
    if (!InstallLanguage(Language::kEnglish)) return false;
    bool ok = true;
    {
        MainWindow window(japanese.GetShell().FormatMode(), japanese.GetShell().Options());
        if (!japanese.GetShell().Doc().path.empty()) window.GetShell().OpenPath(japanese.GetShell().Doc().path);
        window.move(japanese.pos());
        window.show();
        ok = Save(window, dir, QStringLiteral("main-window-en")) && ok;
        const int mode = window.GetShell().FormatMode();
        window.GetShell().SetFormatMode(1);
        ok = Save(window, dir, QStringLiteral("main-window-mng-en")) && ok;
        window.GetShell().SetFormatMode(mode);
        if (QMenu* edit = window.EditMenu()) {
            window.UpdateCommands();
            edit->popup(window.mapToGlobal(QPoint(0, window.menuBar()->height())));
            ok = Save(*edit, dir, QStringLiteral("menu-2-en")) && ok;
            edit->hide();
        }
        window.RunCommand(kCmdView);
        if (PreviewPart* part = window.FindPart<PreviewPart>(); part && part->Window()) {
            part->Window()->Stop();
            ok = Save(*part->Window(), dir, QStringLiteral("preview-en")) && ok;
            window.RunCommand(kCmdView);
        }
        OptionsDialog options(&window, true, window.GetShell().Options());
        ok = SaveShown(options, dir, QStringLiteral("mng-options-en")) && ok;
        OtherOptionsDialog otherOptions(&window, window.GetShell().Options());
        ok = SaveShown(otherOptions, dir, QStringLiteral("other-options-en")) && ok;
        window.hide();
    }
    InstallLanguage(was);
    return ok;
}

// The canvas on the animation made smaller by size optimisation: the second
// frame composed as the animation shows it, its outline round the part that
// changed; zoomed in on it; the frame alone over the checkerboard, where its
// transparent pixels are; and the onion skin. The optimisation is undone after.
bool SaveCanvas(MainWindow& window, const QDir& dir) {
    Shell& shell = window.GetShell();
    if (shell.Doc().frameCount < 2) return true;
    shell.Optimize();
    window.RunCommand(kCmdFirstFrame);
    window.RunCommand(kCmdNextFrame);
    bool ok = Save(window, dir, QStringLiteral("canvas-optimised"));
    window.RunCommand(kCmdZoomIn);
    window.RunCommand(kCmdZoomIn);
    ok = Save(window, dir, QStringLiteral("canvas-zoomed")) && ok;
    window.RunCommand(kCmdZoomFit);
    window.RunCommand(kCmdComposedView);
    ok = Save(*window.Canvas(), dir, QStringLiteral("canvas-frame-alone")) && ok;
    window.RunCommand(kCmdComposedView);
    window.RunCommand(kCmdOnionSkin);
    ok = Save(*window.Canvas(), dir, QStringLiteral("canvas-onion-skin")) && ok;
    window.RunCommand(kCmdOnionSkin);
    if (shell.EditHistory().CanUndo()) shell.Undo();
    return ok;
}

}  // namespace

bool TakeScreenshots(MainWindow& window, const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) return false;
    Timeline* timeline = window.findChild<Timeline*>();
    if (timeline) WaitForThumbnails(*timeline);
    bool ok = Save(window, dir, QStringLiteral("main-window"));
    // The timeline up close, then running across the panel as a strip.
    if (timeline) {
        ok = Save(*timeline, dir, QStringLiteral("timeline")) && ok;
        window.RunCommand(kCmdTimelineAcross);
        WaitForThumbnails(*timeline);
        ok = Save(window, dir, QStringLiteral("main-window-timeline-across")) && ok;
        window.RunCommand(kCmdTimelineAcross);
    }
    // The same document in MNG mode, where the panel shows text keys.
    const int mode = window.GetShell().FormatMode();
    window.GetShell().SetFormatMode(1);
    ok = Save(window, dir, QStringLiteral("main-window-mng")) && ok;
    window.GetShell().SetFormatMode(mode);

    // The tip over a tool-bar button once the pointer has rested on it.
    if (ToolBar* bar = window.FindPart<ToolBar>()) {
        QWidget* button = bar->Button(2);
        QPointF inside(14, 14);
        QEnterEvent enter(inside, inside, button->mapToGlobal(inside));
        QApplication::sendEvent(button, &enter);
        for (int i = 0; i < TooltipTimer::kShowTicks; ++i) bar->Tick();
        ok = Save(window, dir, QStringLiteral("tool-bar-tip")) && ok;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        Settle();
    }

    // One edit to take back: the undo button lit and the menu naming the step.
    Shell& shell = window.GetShell();
    const bool edited =
        shell.Edit(QT_TRANSLATE_NOOP("Edits", "ウェイト"),
                   [&shell](AnimDoc& d) { return d.currentFrame && SetDelay(d, shell.Selected(), 25); });
    window.RefreshPanel();
    ok = Save(window, dir, QStringLiteral("main-window-edited")) && ok;

    // Each menu column opened under the menu bar, showing enabled and greyed items.
    int column = 0;
    for (QAction* top : window.menuBar()->actions()) {
        QMenu* menu = top->menu();
        if (!menu) continue;
        window.UpdateCommands();
        menu->popup(window.mapToGlobal(window.menuBar()->actionGeometry(top).bottomLeft()));
        ok = Save(*menu, dir, QStringLiteral("menu-%1").arg(++column)) && ok;
        menu->hide();
    }
    if (edited) shell.Undo();

    for (bool mng : {false, true}) {
        OptionsDialog options(&window, mng, window.GetShell().Options());
        ok = SaveShown(options, dir, mng ? QStringLiteral("mng-options") : QStringLiteral("gif-options")) && ok;
    }
    WebpOptionsDialog webpOptions(&window, window.GetShell().Options());
    ok = SaveShown(webpOptions, dir, QStringLiteral("webp-options")) && ok;

    struct Chooser {
        FileChooser kind;
        const char* name;
    };
    for (Chooser c : {Chooser{FileChooser::kOpenAnimation, "open-dialog"},
                      Chooser{FileChooser::kOpenFrames, "add-frames-dialog"},
                      Chooser{FileChooser::kSaveAnimation, "save-dialog"},
                      Chooser{FileChooser::kSaveAvi, "save-avi-dialog"},
                      Chooser{FileChooser::kSaveVideo, "save-video-dialog"}}) {
        std::unique_ptr<QFileDialog> dialog = MakeFileDialog(&window, c.kind, window.GetShell().Doc().path, window.GetShell().FormatMode());
        dialog->resize(dialog->sizeHint().expandedTo(QSize(900, 500)));
        if (!window.GetShell().Doc().path.empty())
            dialog->selectFile(FromNativePath(window.GetShell().Doc().path));
        ok = SaveShown(*dialog, dir, QString::fromLatin1(c.name)) && ok;
    }

    // The question before a long clip: a minute of 640x480 at 25 a second.
    {
        const VideoProbe clip{640, 480, 60, 25, 1500, 1500 * (40 + 640 * 3 * 480), uint64_t(1) << 30};
        VideoReadingDialog reading(&window, "/clips/holiday.mp4", clip, ReadOptions{});
        ok = SaveShown(reading, dir, QStringLiteral("video-reading-dialog")) && ok;
    }

    // The progress dialog as a save shows it, half way.
    ProgressOpen(&window);
    ProgressSetText("GIF 書き込み中...\r   5 /   10 コマ");
    ProgressSetRange(0, 10);
    ProgressSetCancel("中止");
    ProgressSetPos(5);
    if (auto* backend = dynamic_cast<QtPlatformBackend*>(&CurrentPlatformBackend()); backend && backend->Dialog())
        ok = Save(*backend->Dialog(), dir, QStringLiteral("progress")) && ok;
    ProgressClose(&window);

    std::unique_ptr<QDialog> about = MakeAboutBox(&window);
    ok = SaveShown(*about, dir, QStringLiteral("about")) && ok;
    if (QWidget* help = ShowHelp(&window)) {
        ok = Save(*help, dir, QStringLiteral("help")) && ok;
        help->close();
    }

    QMessageBox question(QMessageBox::Warning, QCoreApplication::translate("kivo::MainWindow", "確認"),
                         ShownMessage(window.GetShell().Doc().displayName +
                                      " は、変更されています。\r上書き保管をしますか?"),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &window);
    ok = SaveShown(question, dir, QStringLiteral("confirm-save")) && ok;
    // The frame tools: blank frame size, saving selected frames, the other
    // options (the program field greyed while the standard program is used),
    // the wait for the paint program and the frame-list window.
    AnimDoc& doc = window.GetShell().Doc();
    BlankFrameDialog blank(&window, doc.screenWidth, doc.screenHeight);
    ok = SaveShown(blank, dir, QStringLiteral("blank-frame")) && ok;
    SaveSelectedDialog saveSelected(&window, doc, window.GetShell().Selected(), window.GetShell().FormatMode(),
                                    window.GetShell().Options());
    ok = SaveShown(saveSelected, dir, QStringLiteral("save-selected")) && ok;
    OtherOptionsDialog otherOptions(&window, window.GetShell().Options());
    ok = SaveShown(otherOptions, dir, QStringLiteral("other-options")) && ok;
    PaintWaitDialog paintWait(&window);
    ok = SaveShown(paintWait, dir, QStringLiteral("paint-wait")) && ok;
    FrameListWindow frameList(&window, doc, {});
    ok = SaveShown(frameList, dir, QStringLiteral("frame-list")) && ok;

    // The preview playing in GIF mode, then stopped in MNG mode (the other
    // button greyed each time); the colour dropper at x 4 and the key editor.
    window.RunCommand(kCmdView);
    if (PreviewPart* part = window.FindPart<PreviewPart>(); part && part->Window()) {
        PreviewWindow& preview = *part->Window();
        ok = Save(preview, dir, QStringLiteral("preview")) && ok;
        const int mode = window.GetShell().FormatMode();
        preview.Stop();
        window.GetShell().SetFormatMode(1);
        ok = Save(preview, dir, QStringLiteral("preview-stopped-mng")) && ok;
        window.GetShell().SetFormatMode(mode);
        // The whole screen once the preview, sitting near the screen's corner,
        // grew for a larger animation: it is moved back fully onto the screen.
        const QRect area = preview.screen()->availableGeometry();
        preview.move(area.right() - preview.width() - 10, area.bottom() - preview.height() - 10);
        const int width = doc.screenWidth, height = doc.screenHeight;
        doc.screenWidth = 800;
        doc.screenHeight = 600;
        window.RefreshPanel();
        Settle();
        ok = preview.screen()->grabWindow(0).save(dir.filePath(QStringLiteral("preview-on-screen.png"))) && ok;
        doc.screenWidth = width;
        doc.screenHeight = height;
        window.RefreshPanel();
        window.RunCommand(kCmdView);
    }
    if (doc.firstFrame) {
        ColourDropper dropper(&window, *doc.firstFrame);
        if (auto* x4 = dropper.findChild<QAbstractButton*>(QStringLiteral("id1002"))) x4->click();
        ok = SaveShown(dropper, dir, QStringLiteral("colour-dropper")) && ok;
        if (auto* x1 = dropper.findChild<QAbstractButton*>(QStringLiteral("id1000"))) x1->click();
    }
    TextKeyList keys;
    AddKey(keys, "Title", "");
    AddKey(keys, "作者", "");
    TextKeyEditor keyEditor(&window, keys, 1);
    ok = SaveShown(keyEditor, dir, QStringLiteral("key-editor")) && ok;

    ok = SaveCanvas(window, dir) && ok;

    QMessageBox error(QMessageBox::Warning, QStringLiteral("Error!"), ShownMessage("オープンに失敗しました。"),
                      QMessageBox::Ok, &window);
    ok = SaveShown(error, dir, QStringLiteral("error")) && ok;
    return TakeEnglishScreenshots(window, dir) && ok;
}

}  // namespace kivo
