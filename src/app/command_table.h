// The editor's commands: one row per menu item, with its id, label, tool-bar
// button and the shortcut Linux users expect. Menus, the tool bar and the
// right-click popup are all built from this one table.
#pragma once

#include <span>
#include <string_view>

namespace kivo {

enum CommandId : int {
    kCmdNew = 40003,
    kCmdOpen = 40001,
    kCmdSave = 40013,
    kCmdSaveAs = 40010,
    kCmdSaveSelected = 40024,
    kCmdAppendFrames = 40004,
    kCmdInsertFrames = 40005,
    kCmdSaveAvi = 40029,
    kCmdUndo = 40030,
    kCmdRedo = 40031,
    kCmdCut = 40014,
    kCmdCopy = 40009,
    kCmdPasteAppend = 40006,
    kCmdPasteInsert = 40007,
    kCmdDelete = 40008,
    kCmdSelectAll = 40015,
    kCmdBlankAppend = 40025,
    kCmdBlankInsert = 40026,
    kCmdOptimize = 40018,
    kCmdView = 40002,
    kCmdGifMode = 40020,
    kCmdMngMode = 40021,
    kCmdFrameList = 40022,
    kCmdGifOptions = 40012,
    kCmdMngOptions = 40019,
    kCmdOtherOptions = 40023,
    kCmdHelp = 40017,
    kCmdAbout = 40016,
    // Not a menu id of its own elsewhere: closing the window from the File menu.
    kCmdQuit = 40099,
};

// The menu bar's columns, in order.
enum class MenuColumn { kFile, kEdit, kView, kOptions, kHelp };

struct CommandInfo {
    CommandId id;
    std::string_view label;     // with its &mnemonic
    MenuColumn column;
    int button;                 // tool-bar button id, 0 = none
    // In QKeySequence's portable form, alternatives separated by "; "; empty = none.
    std::string_view shortcut;
    bool separatorBefore;       // a separator line above the item in its menu
};

// Every command in menu order.
std::span<const CommandInfo> Commands();
const CommandInfo* FindCommand(int id);
// The column's title in the menu bar ("編集(&E)" for the edit column).
std::string_view MenuColumnTitle(MenuColumn column);

}  // namespace kivo
