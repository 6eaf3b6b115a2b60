// What a command's enabling and check mark may depend on, and the rules the
// command table's rows name.
#pragma once

#include <string>
#include <string_view>

#include "doc/anim_doc.h"

namespace kivo {

struct CommandContext {
    const AnimDoc* doc = nullptr;
    bool clipboardHasPicture = false;  // a picture or our own frames to paste
    bool canUndo = false, canRedo = false;
    int formatMode = 0;  // the session's working mode: 0 GIF, 1 MNG
    // The canvas's view choices: the animation's picture or the frame alone,
    // and the previous picture faintly over it.
    bool composedView = true, onionSkin = false;
    bool timelineAcross = false;  // the frame list runs across as a strip
};

// The enable rules of the rows: the frame commands need frames (size
// optimisation needs two), paste a picture on the clipboard, undo and redo a
// step of the history. A row without a rule is always offered.
bool HasFrames(const CommandContext& context);
bool HasTwoFrames(const CommandContext& context);
bool ClipboardHasPicture(const CommandContext& context);
bool CanUndo(const CommandContext& context);
bool CanRedo(const CommandContext& context);

// The rule of command id's row; true for an id without a row.
bool CommandEnabled(int id, const CommandContext& context);

// The undo or redo menu text: its label and, when there is one, the step it
// would apply ("元に戻す(&U): ウェイト").
std::string HistoryCommandText(std::string_view label, std::string_view step);

}  // namespace kivo
