#include "app/command_table.h"

#include "app/shell.h"

namespace kivo {

namespace {

using C = MenuColumn;

// Menu order. Rows without .run are handled by a window part: the clipboard
// (cut, copy, pastes), the frame tools (saving selected frames, blank frames,
// the frame list, other options), the panel (select all, the timeline's
// direction), the preview (View)
// and the main window (help, about, quit).
constexpr CommandInfo kCommands[] = {
    {.id = kCmdNew, .label = "新規作成(&N)", .column = C::kFile, .shortcut = "Ctrl+N",
     .run = [](Shell& s) { s.New(); }, .tool = {0, "new", "新規作成"}},
    {.id = kCmdOpen, .label = "開く(&O)...", .column = C::kFile, .shortcut = "Ctrl+O",
     .run = [](Shell& s) { s.Open(); }, .tool = {1, "open", "開く"}},
    {.id = kCmdSave, .label = "上書き保存(&S)", .column = C::kFile, .shortcut = "Ctrl+S",
     .enabled = HasFrames, .run = [](Shell& s) { s.Save(); }, .tool = {2, "save", "上書き保存"}},
    {.id = kCmdSaveAs, .label = "名前を付けて保存(&A)...", .column = C::kFile, .shortcut = "Ctrl+Shift+S",
     .enabled = HasFrames, .run = [](Shell& s) { s.SaveAs(); }, .tool = {3, "save_as", "名前を付けて保存"}},
    {.id = kCmdSaveSelected, .label = "選択コマの保存...", .column = C::kFile, .separatorBefore = true,
     .enabled = HasFrames},
    {.id = kCmdAppendFrames, .label = "コマの付け足し(&P)...", .column = C::kFile, .separatorBefore = true,
     .run = [](Shell& s) { s.AddFrames(false); }, .tool = {4, "append_file", "ﾌｧｲﾙからｺﾏの付足し"}},
    {.id = kCmdInsertFrames, .label = "コマの挿入(&I)...", .column = C::kFile,
     .run = [](Shell& s) { s.AddFrames(true); }, .tool = {5, "insert_file", "ﾌｧｲﾙからｺﾏの挿入"}},
    {.id = kCmdSaveAvi, .label = "AVI 保存...", .column = C::kFile, .separatorBefore = true,
     .enabled = HasFrames, .run = [](Shell& s) { s.SaveAvi(); }},
    {.id = kCmdQuit, .label = "終了(&X)", .column = C::kFile, .separatorBefore = true, .shortcut = "Ctrl+Q"},

    {.id = kCmdUndo, .label = "元に戻す(&U)", .column = C::kEdit, .shortcut = "Ctrl+Z",
     .enabled = CanUndo, .run = [](Shell& s) { s.Undo(); }, .tool = {13, "undo", "元に戻す"}},
    {.id = kCmdRedo, .label = "やり直し(&R)", .column = C::kEdit, .shortcut = "Ctrl+Shift+Z; Ctrl+Y",
     .enabled = CanRedo, .run = [](Shell& s) { s.Redo(); }, .tool = {14, "redo", "やり直し"}},
    {.id = kCmdCut, .label = "切り取り(&T)", .column = C::kEdit, .separatorBefore = true, .shortcut = "Ctrl+X",
     .enabled = HasFrames, .tool = {8, "cut", "ｺﾏの切り取り"}},
    {.id = kCmdCopy, .label = "コピー(&C)", .column = C::kEdit, .shortcut = "Ctrl+C",
     .enabled = HasFrames, .tool = {7, "copy", "ｺﾏのコピー"}},
    {.id = kCmdPasteAppend, .label = "コマの付け足し貼付け(&P)", .column = C::kEdit, .shortcut = "Ctrl+V",
     .enabled = ClipboardHasPicture, .tool = {9, "append_paste", "ｺﾏの付足し貼り付け"}},
    {.id = kCmdPasteInsert, .label = "コマの挿入貼付け(&I)", .column = C::kEdit, .shortcut = "Ctrl+Shift+V",
     .enabled = ClipboardHasPicture, .tool = {10, "insert_paste", "ｺﾏの挿入貼り付け"}},
    {.id = kCmdDelete, .label = "選択コマの削除(&D)", .column = C::kEdit, .shortcut = "Del",
     .enabled = HasFrames, .run = [](Shell& s) { s.Delete(); }, .tool = {11, "delete", "選択ｺﾏの削除"}},
    {.id = kCmdSelectAll, .label = "すべて選択(&A)", .column = C::kEdit, .separatorBefore = true,
     .shortcut = "Ctrl+A", .enabled = HasFrames},
    {.id = kCmdBlankAppend, .label = "新規無地コマ付け足し", .column = C::kEdit, .separatorBefore = true},
    {.id = kCmdBlankInsert, .label = "新規無地コマ挿入", .column = C::kEdit},
    {.id = kCmdOptimize, .label = "各コマサイズの最適化", .column = C::kEdit, .separatorBefore = true,
     .enabled = HasTwoFrames, .run = [](Shell& s) { s.Optimize(); }, .tool = {16, "optimize", "各コマサイズの最適化"}},

    {.id = kCmdView, .label = "&View", .column = C::kView, .shortcut = "F5", .tool = {20, "view", "VIEW"}},
    {.id = kCmdFrameList, .label = "コマのリスト表示", .column = C::kView,
     .tool = {18, "frame_list", "コマのリスト表示"}},
    {.id = kCmdTimelineAcross, .label = "タイムラインを横に並べる", .column = C::kView, .separatorBefore = true,
     .toggled = [](const CommandContext& c) { return c.timelineAcross; }},

    {.id = kCmdGifMode, .label = "GIF 仕様", .column = C::kOptions,
     .checked = [](const CommandContext& c) { return c.formatMode == 0; }, .run = [](Shell& s) { s.SetFormatMode(0); }},
    {.id = kCmdMngMode, .label = "MNG仕様", .column = C::kOptions,
     .checked = [](const CommandContext& c) { return c.formatMode == 1; }, .run = [](Shell& s) { s.SetFormatMode(1); }},
    {.id = kCmdGifOptions, .label = "GIF書込みオプション", .column = C::kOptions, .separatorBefore = true,
     .run = [](Shell& s) { s.Ui().RunOptionsDialog(false); }},
    {.id = kCmdMngOptions, .label = "MNG書込みオプション", .column = C::kOptions,
     .run = [](Shell& s) { s.Ui().RunOptionsDialog(true); }},
    {.id = kCmdOtherOptions, .label = "その他のオプション", .column = C::kOptions},

    {.id = kCmdHelp, .label = "Kivoのヘルプ(&H)...", .column = C::kHelp, .shortcut = "F1"},
    {.id = kCmdAbout, .label = "バージョン情報(&V)...", .column = C::kHelp, .separatorBefore = true},
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
        case MenuColumn::kFile: return "ファイル(&F)";
        case MenuColumn::kEdit: return "編集(&E)";
        case MenuColumn::kView: return "表示(&V)";
        case MenuColumn::kOptions: return "オプション(&O)";
        case MenuColumn::kHelp: return "ヘルプ(&H)";
    }
    return "";
}

}  // namespace kivo
