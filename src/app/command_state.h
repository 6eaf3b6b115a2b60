// Which commands the menu and the tool bar offer right now.
#pragma once

#include <string>
#include <string_view>

#include "doc/anim_doc.h"

namespace kivo {

struct CommandContext {
    const AnimDoc* doc = nullptr;
    bool clipboardHasPicture = false;  // a picture or our own frames to paste
    bool canUndo = false, canRedo = false;
};

// The frame commands follow whether the document has frames (size optimisation
// needs two); paste follows the clipboard, undo and redo the history; the
// others are always offered.
bool CommandEnabled(int id, const CommandContext& context);

// The undo or redo menu text: its label and, when there is one, the step it
// would apply ("元に戻す(&U): ウェイト").
std::string HistoryCommandText(std::string_view label, std::string_view step);

// Whether FormatMode's menu item carries the check mark.
bool CommandChecked(int id);

}  // namespace kivo
