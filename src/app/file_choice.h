// The file choosers' rules apart from their widgets: filters, the extension a
// typed name receives, the folder remembered, and where the preview picture goes.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kivo {

enum class FileChooser { kOpenAnimation, kOpenFrames, kSaveAnimation, kSaveAvi, kSaveVideo };

struct FileFilter {
    std::string_view label;       // as the user reads it
    std::string_view extensions;  // "gif;mng"; empty = every file
};

std::span<const FileFilter> FiltersOf(FileChooser chooser);

// A filter in the form Qt's file dialog reads: the label, then its patterns in
// parentheses, blank-separated and matching any case ("*.[gG][iI][fF]"). With
// the dialog's filter details hidden, the user sees only the label.
std::string QtFilterText(const FileFilter& filter);

// A saved name without an extension receives the chooser's default: ".avi" for
// AVI, ".mng" in MNG mode, else ".gif". A name with a dot is kept as typed.
std::string WithDefaultExtension(const std::string& path, FileChooser chooser, int formatMode);

// The save dialog's type switch: the name in the name box takes the extension
// of the chosen filter when that filter names one format (GIF or MNG).
std::string NameForFilter(const std::string& name, FileChooser chooser, int filterIndex);

// The folder of a chosen path, with its trailing separator.
std::string FolderOf(const std::string& path);

// Where a w × h picture is drawn in an area of W × H pixels: as large as fits,
// keeping its proportions, centred on the other axis.
struct FitRect {
    int x, y, width, height;
};
FitRect FitPicture(int w, int h, int areaWidth, int areaHeight);

}  // namespace kivo
