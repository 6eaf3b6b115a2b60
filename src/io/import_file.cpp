#include "io/import_file.h"

#include <cctype>
#include <new>
#include <string_view>

#include "doc/import_bmp.h"
#include "gif/gif_reader.h"

namespace kivo {

namespace {

constexpr const char* kOpenFailed = "ファイルオープンに失敗しました。";

using FrameReader = bool (*)(OwnerWindow, const std::string&, Frame&);
using AnimationReader = std::unique_ptr<AnimDoc> (*)(OwnerWindow, const std::string&);

// One row per file type: its extensions (upper case, blank separated) and either
// a reader that fills one new frame or one that builds a whole document.
struct ImportFormat {
    std::string_view extensions;
    FrameReader readFrame;
    AnimationReader readAnimation;
};

const ImportFormat kFormats[] = {
    {"GIF", nullptr, ReadGif},
    {"BMP DIB", ReadBmpFrame, nullptr},
};

// The text after the last dot of the file name, upper-cased; empty without a dot.
std::string Extension(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

const ImportFormat* FindFormat(const std::string& path) {
    const std::string ext = Extension(path);
    if (ext.empty()) return nullptr;
    for (const ImportFormat& f : kFormats) {
        std::string_view list = f.extensions;
        while (!list.empty()) {
            size_t blank = list.find(' ');
            if (list.substr(0, blank) == ext) return &f;
            list = blank == std::string_view::npos ? std::string_view{} : list.substr(blank + 1);
        }
    }
    return nullptr;
}

bool ImportPicture(OwnerWindow owner, AnimDoc& doc, bool insert, const std::string& path,
                   FrameReader read) {
    Frame* const oldCurrent = doc.currentFrame;
    const int32_t oldIndex = doc.currentIndex;
    if (!(insert ? InsertFrame(doc) : AppendFrame(doc))) return false;
    doc.currentFrame->tempPalette = 1;
    bool ok = false;
    try {
        ok = read(owner, path, *doc.currentFrame);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (ok) {
        UpdateExtent(doc);
        return true;
    }
    RemoveFrame(doc);
    if (insert) {
        doc.currentFrame = oldCurrent;
        doc.currentIndex = oldIndex;
    }
    return false;
}

}  // namespace

bool MergeAnimation(AnimDoc& doc, std::unique_ptr<AnimDoc> loaded, bool insert) {
    if (!loaded) return false;
    try {
        if (doc.globalPalette.empty()) {
            doc.globalPalette = std::move(loaded->globalPalette);
        } else if (!loaded->globalPalette.empty()) {
            // Copies first, so a shortage of memory leaves every frame as it was.
            std::vector<Frame*> needy;
            for (Frame* f = loaded->firstFrame.get(); f; f = f->next.get())
                if (f->localPalette.empty()) needy.push_back(f);
            std::vector<Palette> copies(needy.size(), loaded->globalPalette);
            for (size_t i = 0; i < needy.size(); ++i) needy[i]->localPalette = std::move(copies[i]);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    SpliceFrames(doc, *loaded, insert);
    return true;
}

bool IsImportableFile(const std::string& path) { return FindFormat(path) != nullptr; }

bool ImportFile(OwnerWindow owner, AnimDoc& doc, int mode, const std::string& path) {
    const bool insert = mode == kImportInsert;
    bool ok = false;
    try {
        if (const ImportFormat* format = FindFormat(path)) {
            if (format->readAnimation) {
                ok = MergeAnimation(doc, format->readAnimation(owner, path), insert);
                if (ok) UpdateExtent(doc);
            } else {
                ok = ImportPicture(owner, doc, insert, path, format->readFrame);
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) ShowError(owner, kOpenFailed);
    return ok;
}

}  // namespace kivo
