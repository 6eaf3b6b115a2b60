// The editor's commands: one row each, holding everything about it — its id,
// menu place and label, shortcut, enable rule, what it does and its tool-bar
// button. The menus, the shortcuts, the tool bar and the right-click popup are
// all built from this one table, and every one of them runs a command the same
// way (MainWindow::RunCommand). How to add one: src/app/README.md.
#pragma once

#include <span>
#include <string_view>

#include "app/command_state.h"

namespace kivo {

class Shell;

// The ids also name the window's actions ("cmd40003"), which tests look up.
enum CommandId : int {
    kCmdNew = 40003,
    kCmdOpen = 40001,
    kCmdSave = 40013,
    kCmdSaveAs = 40010,
    kCmdSaveSelected = 40024,
    kCmdAppendFrames = 40004,
    kCmdInsertFrames = 40005,
    kCmdSaveAvi = 40029,
    kCmdSaveVideo = 40033,
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
    kCmdZoomIn = 40040,
    kCmdZoomOut = 40041,
    kCmdZoomFit = 40042,
    kCmdZoomActual = 40043,
    kCmdComposedView = 40044,
    kCmdOnionSkin = 40045,
    kCmdPlayPause = 40046,
    kCmdPreviousFrame = 40047,
    kCmdNextFrame = 40048,
    kCmdFirstFrame = 40049,
    kCmdLastFrame = 40050,
    kCmdTimelineAcross = 40032,
    kCmdGifOptions = 40012,
    kCmdMngOptions = 40019,
    kCmdOtherOptions = 40023,
    kCmdHelp = 40017,
    kCmdAbout = 40016,
    kCmdQuit = 40099,
};

// The menu bar's columns, in order.
enum class MenuColumn { kFile, kEdit, kView, kOptions, kHelp };

// A command's button on the tool bar. Slots count from the left edge, gaps
// included: a slot no command claims is a narrow gap between two groups.
struct ToolBarButton {
    int slot = -1;             // -1: no button
    std::string_view icon = {};     // base name of assets/toolbar/NAME.svg
    std::string_view tooltip = {};  // shown as " %s "
};

struct CommandInfo {
    CommandId id;
    std::string_view label;  // with its &mnemonic
    MenuColumn column;
    bool separatorBefore = false;  // a separator line above the item in its menu
    // In QKeySequence's portable form, alternatives separated by "; "; empty = none.
    std::string_view shortcut = {};
    // The shortcut acts only while the canvas or the frame list has the focus:
    // keys a text field or a check box uses for itself (Space, the arrows,
    // Home, End) stay theirs everywhere else.
    bool frameKeys = false;
    // Whether the menu item and its button are offered; none = always.
    bool (*enabled)(const CommandContext&) = nullptr;
    // A radio item: checked when this says so. The rows that have one form
    // one exclusive group.
    bool (*checked)(const CommandContext&) = nullptr;
    // A checked row that is an on/off item of its own, not one of the group.
    bool toggle = false;
    // What the command does through the command logic. None: it needs the
    // window itself (a dialog, the clipboard, the preview), and the window
    // part that owns that registers the handler (MainWindow::OnCommand).
    void (*run)(Shell&) = nullptr;
    ToolBarButton tool = {};
};

// Every command in menu order.
std::span<const CommandInfo> Commands();
const CommandInfo* FindCommand(int id);
// The column's title in the menu bar ("編集(&E)" for the edit column).
std::string_view MenuColumnTitle(MenuColumn column);

}  // namespace kivo
