#include "app/command_state.h"

#include "app/command_table.h"

namespace kivo {

namespace {

// Commands whose windows arrive with the preview, the clipboard and the frame
// tools; until then their menu items are shown greyed rather than doing nothing.
bool Available(int id) {
    switch (id) {
        case kCmdView:
            return false;
        default:
            return true;
    }
}

}  // namespace

bool CommandEnabled(int id, const CommandContext& context) {
    if (!Available(id)) return false;
    int frames = context.doc ? context.doc->frameCount : 0;
    switch (id) {
        case kCmdDelete:
        case kCmdCopy:
        case kCmdCut:
        case kCmdSelectAll:
        case kCmdSave:
        case kCmdSaveAs:
        case kCmdSaveAvi:
        case kCmdSaveSelected:
            return frames > 0;
        case kCmdOptimize:
            return frames > 1;
        case kCmdPasteAppend:
        case kCmdPasteInsert:
            return context.clipboardHasPicture;
        default:
            return true;
    }
}

bool CommandChecked(int id) {
    if (id == kCmdGifMode) return FormatMode == 0;
    if (id == kCmdMngMode) return FormatMode == 1;
    return false;
}

}  // namespace kivo
