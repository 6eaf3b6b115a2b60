// kivo.ini: the program's options, window positions, folders and colours, as
// key=value lines in one section. The file is read once at start and written
// once at exit; what lies between is a key/value store whose typed accessors
// know each key's value format. Every part of the program reads and writes its
// own keys through it (the write options through options/option_settings.h, the
// windows and dialogs theirs).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace kivo {

constexpr std::string_view kSettingsSection = "VezIreze by Pendrake";

// How a key's numbers are written, and read back as printf-style scanning of
// that format reads them: only as many values as are found from the left.
enum class SettingFormat {
    kText,       // the value as it is
    kDecimal,    // "%d %d ..."
    kDecimalComma,  // "%d,%d"
    kHex,        // "%x %x ..." in lower case, a value of -1 as ffffffff
    kHexBlanks,  // "%x " for every value, so the line ends with a blank
};

struct SettingKey {
    std::string_view name;
    SettingFormat format;
    int count;                      // values of a numeric key
    std::string_view defaultValue;  // as written when nothing set the key
};

// The documented keys, in the order in which they are written.
std::span<const SettingKey> SettingKeys();

struct Settings {
    // The section's keys with their values, as read or set; keys are matched
    // without regard to case, as private-profile files always were.
    std::vector<std::pair<std::string, std::string>> values;
    // Lines outside the section, kept as they were: other programs' sections.
    std::vector<std::string> linesBefore, linesAfter;
};

// Where the settings live: $KIVO_INI when set; kivo.ini beside the executable
// when that file exists (portable use); else $XDG_CONFIG_HOME/kivo/kivo.ini,
// by default ~/.config/kivo/kivo.ini. Empty when no home folder is known.
std::string SettingsPath();

// Reads the file. A missing, unreadable or damaged file gives what can be
// read, down to nothing at all; it is never an error, since every setting has
// its default.
Settings ReadSettings(const std::string& path);

// Writes every documented key in the table's order (its value, or its default
// when nothing set it), then the section's other keys, keeping the other lines
// of the file. Creates the folder when it is missing. The old file is replaced
// only by a complete new one. On failure one warning names the file and the
// reason, and the result is false.
bool WriteSettings(OwnerWindow owner, const std::string& path, const Settings& settings);

// The text of a key; nullptr when the file does not have it.
const std::string* SettingText(const Settings& settings, std::string_view key);
// Sets a key's text. A value that cannot stand on one line (a line break or a
// NUL byte in it) is written empty instead.
void SetSettingText(Settings& settings, std::string_view key, std::string_view text);

// The numbers of a documented key, read by its format: as many as the text
// holds from the left, at most the key's count; empty for a missing key.
std::vector<int> SettingNumbers(const Settings& settings, std::string_view key);
// Writes the numbers in the key's format.
void SetSettingNumbers(Settings& settings, std::string_view key, std::span<const int> values);

}  // namespace kivo
