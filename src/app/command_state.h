// Which commands the menu and the tool bar offer right now.
#pragma once

#include "doc/anim_doc.h"

namespace kivo {

struct CommandContext {
    const AnimDoc* doc = nullptr;
    bool clipboardHasPicture = false;  // a picture or our own frames to paste
};

// The frame commands follow whether the document has frames (size optimisation
// needs two); paste follows the clipboard; the others are always offered.
bool CommandEnabled(int id, const CommandContext& context);

// Whether FormatMode's menu item carries the check mark.
bool CommandChecked(int id);

}  // namespace kivo
