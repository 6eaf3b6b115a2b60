#include "platform/settings_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/safe_save.h"

namespace kivo {
namespace {

constexpr size_t kLargestSettingsFile = size_t(1) << 20;  // a real one is well under a kilobyte

const SettingKey kKeys[] = {
    {"MainWinPos", SettingFormat::kDecimal, 2, "-1 -1"},  // negative: not placed yet
    {"ViewWinPos", SettingFormat::kDecimal, 2, "200 200"},
    {"SaveDir", SettingFormat::kText, 0, ""},
    {"LoadDir", SettingFormat::kText, 0, ""},
    {"KLoadDir", SettingFormat::kText, 0, ""},
    {"BgCol", SettingFormat::kHex, 3, "ffffffff 0 0"},  // red -1: no colour chosen
    {"CustCol1", SettingFormat::kHexBlanks, 8, "0 0 0 0 0 0 0 0 "},
    {"CustCol2", SettingFormat::kHexBlanks, 8, "0 0 0 0 0 0 0 0 "},
    {"GifWROpt", SettingFormat::kDecimal, 4, "256 1 1 0"},
    {"MngWROpt", SettingFormat::kDecimal, 10, "0 0 60 1 1 1 1 0 0 0"},
    {"MngWROpt2", SettingFormat::kDecimal, 2, "0 -1"},
    {"ViewMode", SettingFormat::kDecimal, 1, "0"},
    {"OPT1", SettingFormat::kDecimalComma, 2, "1,1"},
    {"GifLossy", SettingFormat::kDecimal, 2, "0 0"},  // GIF lossiness, target size in bytes (0: none)
    {"PaintSoft", SettingFormat::kText, 0, ""},
    {"UndoMemory", SettingFormat::kDecimal, 1, "512"},  // MiB the edit history may hold
    {"MainWinSize", SettingFormat::kDecimal, 2, "0 0"},    // 0 0: the designed size
    {"MainLayout", SettingFormat::kDecimal, 4, "0 0 0 0"}, // picture|properties, picture/frame list
    {"CanvasView", SettingFormat::kDecimal, 3, "-1 1 0"},  // zoom step (-1 fits), composed, onion skin
};

const SettingKey* FindKey(std::string_view name) {
    for (const SettingKey& k : kKeys)
        if (k.name == name) return &k;
    return nullptr;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// One %d or %x conversion: blanks, a sign, (for %x) an optional 0x, digits.
// False, leaving pos, when no number starts here or it does not fit an int.
bool ScanNumber(std::string_view s, size_t& pos, bool hex, int& value) {
    size_t i = pos;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (hex && i + 2 < s.size() && s[i] == '0' && Lower(s[i + 1]) == 'x' &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2])))
        i += 2;
    const size_t digits = i;
    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        const char c = Lower(s[i]);
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else break;
        v = v * (hex ? 16 : 10) + uint64_t(d);
        if (v > 0xFFFFFFFFull) return false;  // more than the value holds
    }
    if (i == digits) return false;
    if (hex) {
        // %x fills an unsigned int: ffffffff is -1, as the colours store "none".
        const uint32_t u = negative ? uint32_t(0) - uint32_t(v) : uint32_t(v);
        value = int(int32_t(u));
    } else {
        const int64_t s64 = negative ? -int64_t(v) : int64_t(v);
        if (s64 < INT32_MIN || s64 > INT32_MAX) return false;
        value = int(s64);
    }
    pos = i;
    return true;
}

std::vector<int> ParseNumbers(const SettingKey& key, std::string_view text) {
    std::vector<int> values;
    const bool hex = key.format == SettingFormat::kHex || key.format == SettingFormat::kHexBlanks;
    size_t pos = 0;
    while (int(values.size()) < key.count) {
        if (!values.empty() && key.format == SettingFormat::kDecimalComma) {
            if (pos >= text.size() || text[pos] != ',') break;  // the comma must follow at once
            ++pos;
        }
        int v;
        if (!ScanNumber(text, pos, hex, v)) break;
        values.push_back(v);
    }
    return values;
}

std::string FormatNumbers(const SettingKey& key, std::span<const int> values) {
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
        char buf[16];
        if (key.format == SettingFormat::kHex || key.format == SettingFormat::kHexBlanks)
            std::snprintf(buf, sizeof buf, "%x", unsigned(values[i]));
        else
            std::snprintf(buf, sizeof buf, "%d", values[i]);
        if (i > 0 && key.format != SettingFormat::kHexBlanks)
            out += key.format == SettingFormat::kDecimalComma ? "," : " ";
        out += buf;
        if (key.format == SettingFormat::kHexBlanks) out += ' ';
    }
    return out;
}

// A documented key's numbers as written: what the value holds, the rest from
// the default, in the key's format.
std::string NormalisedNumbers(const SettingKey& key, std::string_view text) {
    std::vector<int> values = ParseNumbers(key, text);
    const std::vector<int> defaults = ParseNumbers(key, key.defaultValue);
    for (size_t i = values.size(); i < defaults.size(); ++i) values.push_back(defaults[i]);
    return FormatNumbers(key, values);
}

bool FitsOnALine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// Reading trims blanks around a value and takes off one pair of quotes; a
// value that would lose something that way is written inside quotes.
std::string Quoted(std::string_view text) {
    const bool needs = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()) ||
                                         (text.size() >= 2 && text.front() == '"' && text.back() == '"'));
    return needs ? "\"" + std::string(text) + "\"" : std::string(text);
}

std::pair<std::string, std::string>* Find(Settings& s, std::string_view key) {
    for (auto& kv : s.values)
        if (SameName(kv.first, key)) return &kv;
    return nullptr;
}

// A section header's name, or false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

bool MakeFolders(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return true;
    const std::string folder = path.substr(0, slash);
    struct stat st;
    if (stat(folder.c_str(), &st) == 0) return true;
    if (!MakeFolders(folder)) return false;
    // A new folder for settings is the user's alone, as the home folder's
    // configuration folders are.
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return {};
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::span<const SettingKey> SettingKeys() { return kKeys; }

std::string SettingsPath() {
    if (const char* ini = std::getenv("KIVO_INI"); ini && *ini) return ini;
    const std::string portable = AppDir() + "/kivo.ini";
    if (IsRegularFile(portable)) return portable;
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return std::string(xdg) + "/kivo/kivo.ini";
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    return home + "/.config/kivo/kivo.ini";
}

Settings ReadSettings(const std::string& path) {
    Settings s;
    std::string text;
    if (path.empty() || !IsRegularFile(path) || !ReadWholeFile(path, text, kLargestSettingsFile)) return s;
    enum { kBefore, kInside, kAfter } where = kBefore;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        std::string_view section;
        if (SectionName(line, section)) {
            if (where == kBefore && SameName(section, kSettingsSection)) {
                where = kInside;
                continue;
            }
            if (where == kInside) where = kAfter;
        }
        if (where != kInside) {
            (where == kBefore ? s.linesBefore : s.linesAfter).emplace_back(line);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;  // blank or comment lines of the section
        const std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (key.empty() || Find(s, key)) continue;  // the first of repeated keys counts
        s.values.emplace_back(std::string(key), std::string(value));
    }
    return s;
}

bool WriteSettings(OwnerWindow owner, const std::string& path, const Settings& settings) {
    std::string out;
    for (const std::string& line : settings.linesBefore) out += line + "\n";
    out += "[" + std::string(kSettingsSection) + "]\n";
    for (const SettingKey& key : kKeys) {
        const std::string* value = SettingText(settings, key.name);
        std::string text = value ? *value : std::string(key.defaultValue);
        if (key.format != SettingFormat::kText) text = NormalisedNumbers(key, text);
        else if (!FitsOnALine(text)) text.clear();
        out += std::string(key.name) + "=" + (key.format == SettingFormat::kText ? Quoted(text) : text) + "\n";
    }
    for (const auto& [key, value] : settings.values) {
        bool documented = false;
        for (const SettingKey& k : kKeys) documented = documented || SameName(k.name, key);
        if (documented || !FitsOnALine(key) || key.find('=') != std::string::npos) continue;
        out += key + "=" + (FitsOnALine(value) ? Quoted(value) : std::string()) + "\n";
    }
    for (const std::string& line : settings.linesAfter) out += line + "\n";

    SafeFile file;
    std::string reason;
    if (path.empty()) {
        reason = "no home folder is known";
    } else if (!MakeFolders(path)) {
        reason = std::strerror(errno);
    } else if (!file.Open(path) || !file.Write(out.data(), out.size()) || !file.Commit()) {
        reason = SaveFailureReason();
        file.Abandon();
    }
    if (reason.empty()) return true;
    // The file and the system's reason, so that the user can mend it.
    ShowError(owner, "設定ファイルに書き込めませんでした。\r" + path + "\r" + reason);
    return false;
}

const std::string* SettingText(const Settings& settings, std::string_view key) {
    for (const auto& kv : settings.values)
        if (SameName(kv.first, key)) return &kv.second;
    return nullptr;
}

void SetSettingText(Settings& settings, std::string_view key, std::string_view text) {
    std::string value = FitsOnALine(text) ? std::string(text) : std::string();
    if (auto* kv = Find(settings, key)) kv->second = std::move(value);
    else settings.values.emplace_back(std::string(key), std::move(value));
}

std::vector<int> SettingNumbers(const Settings& settings, std::string_view key) {
    const SettingKey* k = FindKey(key);
    const std::string* text = SettingText(settings, key);
    if (!k || !text || k->format == SettingFormat::kText) return {};
    return ParseNumbers(*k, *text);
}

void SetSettingNumbers(Settings& settings, std::string_view key, std::span<const int> values) {
    const SettingKey* k = FindKey(key);
    if (!k || k->format == SettingFormat::kText) return;
    SetSettingText(settings, key, FormatNumbers(*k, values.first(std::min(values.size(), size_t(k->count)))));
}

}  // namespace kivo
