// The settings file as the editor uses it: read once at start (the write
// options take their values from it), kept in memory while the program runs,
// written once at exit with the windows' positions and the folders last used.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/language.h"
#include "app/window_position.h"
#include "options/write_options.h"
#include "platform/settings_file.h"

namespace kivo {

Settings& SessionSettings();
// Reads the settings file and the write options stored in it; returns the
// working mode the last run ended in (0 GIF, 1 MNG).
int LoadSessionSettings(WriteOptions& options);
// Stores the session's write options and working mode and writes the file;
// one warning when it cannot be written.
bool SaveSessionSettings(OwnerWindow owner, const WriteOptions& options, int formatMode);

// A stored "x y" pair (MainWinPos, ViewWinPos); nothing stored gives {-1, -1}.
WindowPoint StoredPoint(std::string_view key);
void SetStoredPoint(std::string_view key, WindowPoint point);

// The canvas's view choices kept from one run to the next: the zoom as a step
// of the ladder (ZoomSteps; -1 fits the view), the composed picture or the
// frame alone, and the onion skin.
struct CanvasChoices {
    int zoomStep = -1;
    bool composed = true, onionSkin = false;
    bool operator==(const CanvasChoices&) const = default;
};
// What "CanvasView" holds; anything missing or out of range is the default.
CanvasChoices StoredCanvasChoices();
void SetStoredCanvasChoices(const CanvasChoices& choices);

// The bytes the edit history may hold: UndoMemory in MiB, 512 when not set.
size_t UndoMemoryBytes();

// The interface language the user chose (Language: auto, ja or en); a file
// without the key leaves it to the system.
LanguageSetting StoredLanguageSetting();
void SetStoredLanguageSetting(LanguageSetting setting);
// Whether the frame list runs across the window as a strip rather than down
// it as a column (TimelineAcross, kept beside the documented keys).
bool TimelineAcross();
void SetTimelineAcross(bool across);

// A folder key (LoadDir, KLoadDir, SaveDir); empty when none was stored.
std::string StoredFolder(std::string_view key);
void SetStoredFolder(std::string_view key, const std::string& folder);

}  // namespace kivo
