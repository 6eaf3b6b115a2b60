#include "app/command_state.h"

#include "app/command_table.h"

namespace kivo {

namespace {

int FrameCount(const CommandContext& context) { return context.doc ? context.doc->frameCount : 0; }

}  // namespace

bool HasFrames(const CommandContext& context) { return FrameCount(context) > 0; }
bool HasTwoFrames(const CommandContext& context) { return FrameCount(context) > 1; }
bool ClipboardHasPicture(const CommandContext& context) { return context.clipboardHasPicture; }
bool CanUndo(const CommandContext& context) { return context.canUndo; }
bool CanRedo(const CommandContext& context) { return context.canRedo; }

bool CommandEnabled(int id, const CommandContext& context) {
    const CommandInfo* command = FindCommand(id);
    return !command || !command->enabled || command->enabled(context);
}

std::string HistoryCommandText(std::string_view label, std::string_view step) {
    std::string text(label);
    if (!step.empty()) text.append(": ").append(step);
    return text;
}

}  // namespace kivo
