#include "app/session_settings.h"

#include <algorithm>

#include "app/canvas_view_state.h"
#include "options/option_settings.h"

namespace kivo {

Settings& SessionSettings() {
    static Settings settings;
    return settings;
}

int LoadSessionSettings(WriteOptions& options) {
    SessionSettings() = ReadSettings(SettingsPath());
    int formatMode = 0;
    LoadOptionSettings(SessionSettings(), options, &formatMode);
    return formatMode;
}

bool SaveSessionSettings(OwnerWindow owner, const WriteOptions& options, int formatMode) {
    std::string path = SettingsPath();
    if (path.empty()) return false;
    StoreOptionSettings(SessionSettings(), options, formatMode);
    return WriteSettings(owner, path, SessionSettings());
}

WindowPoint StoredPoint(std::string_view key) {
    std::vector<int> v = SettingNumbers(SessionSettings(), key);
    return {v.size() > 0 ? v[0] : -1, v.size() > 1 ? v[1] : -1};
}

void SetStoredPoint(std::string_view key, WindowPoint point) {
    const int values[] = {point.x, point.y};
    SetSettingNumbers(SessionSettings(), key, values);
}

CanvasChoices StoredCanvasChoices() {
    const std::vector<int> v = SettingNumbers(SessionSettings(), "CanvasView");
    CanvasChoices c;
    if (v.size() != 3) return c;
    if (v[0] >= 0 && size_t(v[0]) < ZoomSteps().size()) c.zoomStep = v[0];
    c.composed = v[1] != 0;
    c.onionSkin = v[2] != 0;
    return c;
}

void SetStoredCanvasChoices(const CanvasChoices& c) {
    const int values[] = {c.zoomStep, c.composed ? 1 : 0, c.onionSkin ? 1 : 0};
    SetSettingNumbers(SessionSettings(), "CanvasView", values);
}

size_t UndoMemoryBytes() {
    std::vector<int> v = SettingNumbers(SessionSettings(), "UndoMemory");
    const int mib = v.empty() ? 512 : std::max(v[0], 0);
    return size_t(mib) << 20;
}

LanguageSetting StoredLanguageSetting() {
    const std::string* text = SettingText(SessionSettings(), "Language");
    return text ? ParseLanguageSetting(*text) : LanguageSetting::kAuto;
}

void SetStoredLanguageSetting(LanguageSetting setting) {
    SetSettingText(SessionSettings(), "Language", LanguageSettingText(setting));
}

bool TimelineAcross() {
    const std::string* text = SettingText(SessionSettings(), "TimelineAcross");
    return text && *text == "1";
}

void SetTimelineAcross(bool across) { SetSettingText(SessionSettings(), "TimelineAcross", across ? "1" : "0"); }

std::string StoredFolder(std::string_view key) {
    const std::string* text = SettingText(SessionSettings(), key);
    return text ? *text : std::string();
}

void SetStoredFolder(std::string_view key, const std::string& folder) {
    SetSettingText(SessionSettings(), key, folder);
}

}  // namespace kivo
