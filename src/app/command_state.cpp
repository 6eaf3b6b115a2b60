#include "app/command_state.h"

#include "app/command_table.h"

namespace kivo {

bool CommandEnabled(int id, const CommandContext& context) {
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
        case kCmdUndo:
            return context.canUndo;
        case kCmdRedo:
            return context.canRedo;
        case kCmdPasteAppend:
        case kCmdPasteInsert:
            return context.clipboardHasPicture;
        default:
            return true;
    }
}

std::string HistoryCommandText(std::string_view label, std::string_view step) {
    std::string text(label);
    if (!step.empty()) text.append(": ").append(step);
    return text;
}

bool CommandChecked(int id) {
    if (id == kCmdGifMode) return FormatMode == 0;
    if (id == kCmdMngMode) return FormatMode == 1;
    return false;
}

}  // namespace kivo
