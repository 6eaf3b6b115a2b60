#include "app/file_choice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "io/file_formats.h"
#include "video/video_import.h"
#include "platform/translatable.h"

namespace kivo {

namespace {

constexpr std::array kAnimationFilters = {
    FileFilter{KIVO_TR_NOOP("FileChooser", "ﾃﾞﾌｫﾙﾄ(*.GIF;*.MNG;*.WEBP)"), "gif;mng;webp"},
    FileFilter{"GIF(*.GIF)", "gif"},
    FileFilter{"MNG(*.MNG)", "mng"},
    FileFilter{"APNG(*.PNG;*.APNG)", "png;apng"},
    FileFilter{"WebP(*.WEBP)", "webp"},
    FileFilter{KIVO_TR_NOOP("FileChooser", "すべてのﾌｧｲﾙ(*.*)"), ""},
};

// The open dialog adds the video files the table reads as animations (AVI,
// MP4, WebM and the other containers) before every file.
struct OpenFilters {
    std::string videos;
    std::vector<FileFilter> filters;

    OpenFilters() {
        for (const FileFormat& f : FileFormats()) {
            if (f.readAnimation != &ReadVideo && f.name != "AVI") continue;
            if (!videos.empty()) videos += ';';
            videos += DialogExtensions(f);
        }
        filters.assign(kAnimationFilters.begin(), kAnimationFilters.end() - 1);
        if (!videos.empty()) filters.push_back({KIVO_TR_NOOP("FileChooser", "動画"), videos});
        filters.push_back(kAnimationFilters.back());
    }
};

// Every picture the import reads, then each format in the order the dialog has
// always shown them, then every file: built from the io table, so a new format
// appears here by its row alone.
struct FrameFilters {
    std::vector<std::string> extensions;  // what the filters' views point into
    std::vector<FileFilter> filters;

    FrameFilters() {
        std::vector<const FileFormat*> listed;
        for (const FileFormat& f : FileFormats())
            if (f.dialogPlace > 0 && (f.readAnimation || f.readFrame)) listed.push_back(&f);
        std::stable_sort(listed.begin(), listed.end(),
                         [](const FileFormat* a, const FileFormat* b) { return a->dialogPlace < b->dialogPlace; });
        extensions.reserve(listed.size() + 1);  // no reallocation: the views must stay valid
        extensions.push_back(ReadableExtensions());
        filters.push_back({KIVO_TR_NOOP("FileChooser", "ﾃﾞﾌｫﾙﾄ(全画像)"), extensions.back()});
        for (const FileFormat* f : listed) {
            extensions.push_back(DialogExtensions(*f));
            filters.push_back({f->dialogLabel, extensions.back()});
        }
        filters.push_back({KIVO_TR_NOOP("FileChooser", "すべてのﾌｧｲﾙ(*.*)"), ""});
    }
};

std::span<const FileFilter> FrameFilterList() {
    static const FrameFilters list;
    return list.filters;
}

constexpr std::array kAviFilters = {
    FileFilter{"AVI(*.AVI)", "avi"},
};

constexpr std::array kVideoFilters = {
    FileFilter{"MP4 (H.264)(*.MP4)", "mp4"},
    FileFilter{"WebM (VP9)(*.WEBM)", "webm"},
};

std::string_view BaseName(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::span<const FileFilter> FiltersOf(FileChooser chooser) {
    switch (chooser) {
        case FileChooser::kOpenAnimation: {
            static const OpenFilters open;
            return open.filters;
        }
        case FileChooser::kSaveAnimation: return kAnimationFilters;
        case FileChooser::kOpenFrames: return FrameFilterList();
        case FileChooser::kSaveAvi: return kAviFilters;
        case FileChooser::kSaveVideo: return kVideoFilters;
    }
    return {};
}

std::string QtFilterText(const FileFilter& filter) {
    std::string text(filter.label);
    text += " (";
    if (filter.extensions.empty()) {
        text += "*";
    } else {
        std::string_view rest = filter.extensions;
        bool first = true;
        while (!rest.empty()) {
            size_t semi = rest.find(';');
            std::string_view ext = rest.substr(0, semi);
            rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
            if (!first) text += ' ';
            first = false;
            text += "*.";
            for (char c : ext) {
                char lower = char(std::tolower(static_cast<unsigned char>(c)));
                char upper = char(std::toupper(static_cast<unsigned char>(c)));
                text += {'[', lower, upper, ']'};
            }
        }
    }
    text += ")";
    return text;
}

std::string WithDefaultExtension(const std::string& path, FileChooser chooser, int formatMode) {
    if (BaseName(path).find('.') != std::string_view::npos) return path;
    if (chooser == FileChooser::kSaveAvi) return path + ".avi";
    if (chooser == FileChooser::kSaveVideo) return path + ".mp4";
    return path + (formatMode == 1 ? ".mng" : ".gif");
}

std::string NameForFilter(const std::string& name, FileChooser chooser, int filterIndex) {
    if (chooser != FileChooser::kSaveAnimation || name.empty() || name[0] == '.') return name;
    const char* ext = filterIndex == 1   ? ".gif"
                      : filterIndex == 2 ? ".mng"
                      : filterIndex == 3 ? ".png"
                      : filterIndex == 4 ? ".webp"
                                         : nullptr;
    if (!ext) return name;
    size_t nameStart = name.size() - BaseName(name).size();
    size_t dot = name.find_last_of('.');
    std::string stem = dot == std::string::npos || dot < nameStart ? name : name.substr(0, dot);
    return stem + ext;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

FitRect FitPicture(int w, int h, int areaWidth, int areaHeight) {
    if (w <= 0 || h <= 0 || areaWidth <= 0 || areaHeight <= 0) return {0, 0, 0, 0};
    // Compare w/h with W/H without rounding: w·H against W·h.
    if (int64_t(w) * areaHeight > int64_t(areaWidth) * h) {
        int height = int(int64_t(h) * areaWidth / w);
        return {0, (areaHeight - height) / 2, areaWidth, height};
    }
    int width = int(int64_t(w) * areaHeight / h);
    return {(areaWidth - width) / 2, 0, width, areaHeight};
}

}  // namespace kivo
