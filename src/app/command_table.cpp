#include "app/command_table.h"

#include "app/shell.h"
#include "platform/translatable.h"

namespace kivo {

namespace {

using C = MenuColumn;

// Menu order. Rows without .run are handled by a window part: the clipboard
// (cut, copy, pastes), the frame tools (saving selected frames, blank frames,
// the frame list, other options), the panel (select all, the timeline's
// direction), the preview (View), the canvas (zoom, its view choices, playback
// and stepping) and the main window (help, about, quit). Labels, tips and the
// columns' titles are marked for translation in the context "Commands", where
// the menus and the tool bar look them up.
constexpr CommandInfo kCommands[] = {
    {.id = kCmdNew, .label = KIVO_TR_NOOP("Commands", "新規作成(&N)"), .column = C::kFile, .shortcut = "Ctrl+N",
     .run = [](Shell& s) { s.New(); }, .tool = {0, "new", KIVO_TR_NOOP("Commands", "新規作成")}},
    {.id = kCmdOpen, .label = KIVO_TR_NOOP("Commands", "開く(&O)..."), .column = C::kFile, .shortcut = "Ctrl+O",
     .run = [](Shell& s) { s.Open(); }, .tool = {1, "open", KIVO_TR_NOOP("Commands", "開く")}},
    {.id = kCmdSave, .label = KIVO_TR_NOOP("Commands", "上書き保存(&S)"), .column = C::kFile, .shortcut = "Ctrl+S",
     .enabled = HasFrames, .run = [](Shell& s) { s.Save(); },
     .tool = {2, "save", KIVO_TR_NOOP("Commands", "上書き保存")}},
    {.id = kCmdSaveAs, .label = KIVO_TR_NOOP("Commands", "名前を付けて保存(&A)..."), .column = C::kFile,
     .shortcut = "Ctrl+Shift+S", .enabled = HasFrames, .run = [](Shell& s) { s.SaveAs(); },
     .tool = {3, "save_as", KIVO_TR_NOOP("Commands", "名前を付けて保存")}},
    {.id = kCmdSaveSelected, .label = KIVO_TR_NOOP("Commands", "選択コマの保存..."), .column = C::kFile,
     .separatorBefore = true, .enabled = HasFrames},
    {.id = kCmdAppendFrames, .label = KIVO_TR_NOOP("Commands", "コマの付け足し(&P)..."), .column = C::kFile,
     .separatorBefore = true, .run = [](Shell& s) { s.AddFrames(false); },
     .tool = {4, "append_file", KIVO_TR_NOOP("Commands", "ﾌｧｲﾙからｺﾏの付足し")}},
    {.id = kCmdInsertFrames, .label = KIVO_TR_NOOP("Commands", "コマの挿入(&I)..."), .column = C::kFile,
     .run = [](Shell& s) { s.AddFrames(true); },
     .tool = {5, "insert_file", KIVO_TR_NOOP("Commands", "ﾌｧｲﾙからｺﾏの挿入")}},
    {.id = kCmdSaveAvi, .label = KIVO_TR_NOOP("Commands", "AVI 保存..."), .column = C::kFile, .separatorBefore = true,
     .enabled = HasFrames, .run = [](Shell& s) { s.SaveAvi(); }},
    {.id = kCmdSaveVideo, .label = KIVO_TR_NOOP("Commands", "動画書き出し (MP4/WebM)..."), .column = C::kFile,
     .enabled = HasFrames, .run = [](Shell& s) { s.SaveVideo(); }},
    {.id = kCmdQuit, .label = KIVO_TR_NOOP("Commands", "終了(&X)"), .column = C::kFile, .separatorBefore = true,
     .shortcut = "Ctrl+Q"},

    {.id = kCmdUndo, .label = KIVO_TR_NOOP("Commands", "元に戻す(&U)"), .column = C::kEdit, .shortcut = "Ctrl+Z",
     .enabled = CanUndo, .run = [](Shell& s) { s.Undo(); }, .tool = {13, "undo", KIVO_TR_NOOP("Commands", "元に戻す")}},
    {.id = kCmdRedo, .label = KIVO_TR_NOOP("Commands", "やり直し(&R)"), .column = C::kEdit,
     .shortcut = "Ctrl+Shift+Z; Ctrl+Y", .enabled = CanRedo, .run = [](Shell& s) { s.Redo(); },
     .tool = {14, "redo", KIVO_TR_NOOP("Commands", "やり直し")}},
    {.id = kCmdCut, .label = KIVO_TR_NOOP("Commands", "切り取り(&T)"), .column = C::kEdit, .separatorBefore = true,
     .shortcut = "Ctrl+X", .enabled = HasFrames, .tool = {8, "cut", KIVO_TR_NOOP("Commands", "ｺﾏの切り取り")}},
    {.id = kCmdCopy, .label = KIVO_TR_NOOP("Commands", "コピー(&C)"), .column = C::kEdit, .shortcut = "Ctrl+C",
     .enabled = HasFrames, .tool = {7, "copy", KIVO_TR_NOOP("Commands", "ｺﾏのコピー")}},
    {.id = kCmdPasteAppend, .label = KIVO_TR_NOOP("Commands", "コマの付け足し貼付け(&P)"), .column = C::kEdit,
     .shortcut = "Ctrl+V", .enabled = ClipboardHasPicture,
     .tool = {9, "append_paste", KIVO_TR_NOOP("Commands", "ｺﾏの付足し貼り付け")}},
    {.id = kCmdPasteInsert, .label = KIVO_TR_NOOP("Commands", "コマの挿入貼付け(&I)"), .column = C::kEdit,
     .shortcut = "Ctrl+Shift+V", .enabled = ClipboardHasPicture,
     .tool = {10, "insert_paste", KIVO_TR_NOOP("Commands", "ｺﾏの挿入貼り付け")}},
    {.id = kCmdDelete, .label = KIVO_TR_NOOP("Commands", "選択コマの削除(&D)"), .column = C::kEdit, .shortcut = "Del",
     .enabled = HasFrames, .run = [](Shell& s) { s.Delete(); },
     .tool = {11, "delete", KIVO_TR_NOOP("Commands", "選択ｺﾏの削除")}},
    {.id = kCmdSelectAll, .label = KIVO_TR_NOOP("Commands", "すべて選択(&A)"), .column = C::kEdit,
     .separatorBefore = true, .shortcut = "Ctrl+A", .enabled = HasFrames},
    {.id = kCmdBlankAppend, .label = KIVO_TR_NOOP("Commands", "新規無地コマ付け足し"), .column = C::kEdit,
     .separatorBefore = true},
    {.id = kCmdBlankInsert, .label = KIVO_TR_NOOP("Commands", "新規無地コマ挿入"), .column = C::kEdit},
    {.id = kCmdOptimize, .label = KIVO_TR_NOOP("Commands", "各コマサイズの最適化"), .column = C::kEdit,
     .separatorBefore = true, .enabled = HasTwoFrames, .run = [](Shell& s) { s.Optimize(); },
     .tool = {16, "optimize", KIVO_TR_NOOP("Commands", "各コマサイズの最適化")}},

    {.id = kCmdView, .label = KIVO_TR_NOOP("Commands", "&View"), .column = C::kView, .shortcut = "F5",
     .tool = {20, "view", KIVO_TR_NOOP("Commands", "VIEW")}},
    {.id = kCmdFrameList, .label = KIVO_TR_NOOP("Commands", "コマのリスト表示"), .column = C::kView,
     .tool = {18, "frame_list", KIVO_TR_NOOP("Commands", "コマのリスト表示")}},
    {.id = kCmdZoomIn, .label = KIVO_TR_NOOP("Commands", "ズームイン"), .column = C::kView, .separatorBefore = true,
     .shortcut = "Ctrl++; Ctrl+="},
    {.id = kCmdZoomOut, .label = KIVO_TR_NOOP("Commands", "ズームアウト"), .column = C::kView, .shortcut = "Ctrl+-"},
    {.id = kCmdZoomFit, .label = KIVO_TR_NOOP("Commands", "全体を表示"), .column = C::kView, .shortcut = "Ctrl+0"},
    {.id = kCmdZoomActual, .label = KIVO_TR_NOOP("Commands", "等倍表示"), .column = C::kView, .shortcut = "Ctrl+1"},
    {.id = kCmdComposedView, .label = KIVO_TR_NOOP("Commands", "合成して表示"), .column = C::kView, .separatorBefore = true,
     .checked = [](const CommandContext& c) { return c.composedView; }, .toggle = true},
    {.id = kCmdOnionSkin, .label = KIVO_TR_NOOP("Commands", "オニオンスキン"), .column = C::kView,
     .checked = [](const CommandContext& c) { return c.onionSkin; }, .toggle = true},
    {.id = kCmdPlayPause, .label = KIVO_TR_NOOP("Commands", "再生/停止"), .column = C::kView, .separatorBefore = true, .shortcut = "Space",
     .frameKeys = true, .enabled = HasTwoFrames},
    {.id = kCmdPreviousFrame, .label = KIVO_TR_NOOP("Commands", "前のコマ"), .column = C::kView, .shortcut = "Left", .frameKeys = true,
     .enabled = HasFrames},
    {.id = kCmdNextFrame, .label = KIVO_TR_NOOP("Commands", "次のコマ"), .column = C::kView, .shortcut = "Right", .frameKeys = true,
     .enabled = HasFrames},
    {.id = kCmdFirstFrame, .label = KIVO_TR_NOOP("Commands", "最初のコマ"), .column = C::kView, .shortcut = "Home", .frameKeys = true,
     .enabled = HasFrames},
    {.id = kCmdLastFrame, .label = KIVO_TR_NOOP("Commands", "最後のコマ"), .column = C::kView, .shortcut = "End", .frameKeys = true,
     .enabled = HasFrames},
    {.id = kCmdTimelineAcross, .label = KIVO_TR_NOOP("Commands", "タイムラインを横に並べる"), .column = C::kView,
     .separatorBefore = true, .checked = [](const CommandContext& c) { return c.timelineAcross; }, .toggle = true},

    {.id = kCmdGifMode, .label = KIVO_TR_NOOP("Commands", "GIF 仕様"), .column = C::kOptions,
     .checked = [](const CommandContext& c) { return c.formatMode == 0; }, .run = [](Shell& s) { s.SetFormatMode(0); }},
    {.id = kCmdMngMode, .label = KIVO_TR_NOOP("Commands", "MNG仕様"), .column = C::kOptions,
     .checked = [](const CommandContext& c) { return c.formatMode == 1; }, .run = [](Shell& s) { s.SetFormatMode(1); }},
    {.id = kCmdGifOptions, .label = KIVO_TR_NOOP("Commands", "GIF書込みオプション"), .column = C::kOptions,
     .separatorBefore = true, .run = [](Shell& s) { s.Ui().RunOptionsDialog(false); }},
    {.id = kCmdMngOptions, .label = KIVO_TR_NOOP("Commands", "MNG書込みオプション"), .column = C::kOptions,
     .run = [](Shell& s) { s.Ui().RunOptionsDialog(true); }},
    {.id = kCmdOtherOptions, .label = KIVO_TR_NOOP("Commands", "その他のオプション"), .column = C::kOptions},

    {.id = kCmdHelp, .label = KIVO_TR_NOOP("Commands", "Kivoのヘルプ(&H)..."), .column = C::kHelp, .shortcut = "F1"},
    {.id = kCmdAbout, .label = KIVO_TR_NOOP("Commands", "バージョン情報(&V)..."), .column = C::kHelp,
     .separatorBefore = true},
};

}  // namespace

std::span<const CommandInfo> Commands() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

std::string_view MenuColumnTitle(MenuColumn column) {
    switch (column) {
        case MenuColumn::kFile: return KIVO_TR_NOOP("Commands", "ファイル(&F)");
        case MenuColumn::kEdit: return KIVO_TR_NOOP("Commands", "編集(&E)");
        case MenuColumn::kView: return KIVO_TR_NOOP("Commands", "表示(&V)");
        case MenuColumn::kOptions: return KIVO_TR_NOOP("Commands", "オプション(&O)");
        case MenuColumn::kHelp: return KIVO_TR_NOOP("Commands", "ヘルプ(&H)");
    }
    return "";
}

}  // namespace kivo
