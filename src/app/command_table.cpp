#include "app/command_table.h"

#include <array>

namespace kivo {

namespace {

using C = MenuColumn;

constexpr std::array kCommands = {
    CommandInfo{kCmdNew, "新規作成(&N)", C::kFile, 407, "Ctrl+N", false},
    CommandInfo{kCmdOpen, "開く(&O)...", C::kFile, 408, "Ctrl+O", false},
    CommandInfo{kCmdSave, "上書き保存(&S)", C::kFile, 409, "Ctrl+S", false},
    CommandInfo{kCmdSaveAs, "名前を付けて保存(&A)...", C::kFile, 410, "Ctrl+Shift+S", false},
    CommandInfo{kCmdSaveSelected, "選択コマの保存...", C::kFile, 0, "", true},
    CommandInfo{kCmdAppendFrames, "コマの付け足し(&P)...", C::kFile, 401, "", true},
    CommandInfo{kCmdInsertFrames, "コマの挿入(&I)...", C::kFile, 405, "", false},
    CommandInfo{kCmdSaveAvi, "AVI 保存...", C::kFile, 0, "", true},
    CommandInfo{kCmdQuit, "終了(&X)", C::kFile, 0, "Ctrl+Q", true},
    CommandInfo{kCmdUndo, "元に戻す(&U)", C::kEdit, 413, "Ctrl+Z", false},
    CommandInfo{kCmdRedo, "やり直し(&R)", C::kEdit, 414, "Ctrl+Shift+Z; Ctrl+Y", false},
    CommandInfo{kCmdCut, "切り取り(&T)", C::kEdit, 406, "Ctrl+X", true},
    CommandInfo{kCmdCopy, "コピー(&C)", C::kEdit, 402, "Ctrl+C", false},
    CommandInfo{kCmdPasteAppend, "コマの付け足し貼付け(&P)", C::kEdit, 400, "Ctrl+V", false},
    CommandInfo{kCmdPasteInsert, "コマの挿入貼付け(&I)", C::kEdit, 404, "Ctrl+Shift+V", false},
    CommandInfo{kCmdDelete, "選択コマの削除(&D)", C::kEdit, 403, "Del", false},
    CommandInfo{kCmdSelectAll, "すべて選択(&A)", C::kEdit, 0, "Ctrl+A", true},
    CommandInfo{kCmdBlankAppend, "新規無地コマ付け足し", C::kEdit, 0, "", true},
    CommandInfo{kCmdBlankInsert, "新規無地コマ挿入", C::kEdit, 0, "", false},
    CommandInfo{kCmdOptimize, "各コマサイズの最適化", C::kEdit, 412, "", true},
    CommandInfo{kCmdView, "&View", C::kView, 411, "F5", false},
    CommandInfo{kCmdFrameList, "コマのリスト表示", C::kView, 40022, "", false},
    CommandInfo{kCmdGifMode, "GIF 仕様", C::kOptions, 0, "", false},
    CommandInfo{kCmdMngMode, "MNG仕様", C::kOptions, 0, "", false},
    CommandInfo{kCmdGifOptions, "GIF書込みオプション", C::kOptions, 0, "", true},
    CommandInfo{kCmdMngOptions, "MNG書込みオプション", C::kOptions, 0, "", false},
    CommandInfo{kCmdOtherOptions, "その他のオプション", C::kOptions, 0, "", false},
    CommandInfo{kCmdHelp, "Kivoのヘルプ(&H)...", C::kHelp, 0, "F1", false},
    CommandInfo{kCmdAbout, "バージョン情報(&V)...", C::kHelp, 0, "", true},
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
