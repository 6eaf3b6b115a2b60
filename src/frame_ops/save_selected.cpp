#include "frame_ops/save_selected.h"

#include <climits>
#include <cstdio>

#include "options/write_options.h"
#include "doc/bmp.h"
#include "doc/selection.h"
#include "gif/gif_writer.h"
#include "png/png_writer.h"

namespace kivo {

namespace {

constexpr const char* kNameTooLong = "ファイル名が長すぎます。";
constexpr size_t kMaxNameComponent = 255;  // bytes in one file name on Linux file systems

const char* ExtensionOf(FrameFileFormat format) {
    switch (format) {
    case FrameFileFormat::kBmp: return ".bmp";
    case FrameFileFormat::kPng: return ".png";
    default: return ".gif";
    }
}

bool WriteOne(OwnerWindow owner, AnimDoc& doc, Frame& frame, const std::string& path,
              const SaveSelectedRequest& request, WriteOptions& options) {
    const bool overwrite = request.overwrite;
    switch (request.format) {
    case FrameFileFormat::kBmp: return WriteBmp(path, frame.dib, overwrite);
    case FrameFileFormat::kPng: return WritePngFile(owner, path, frame, overwrite, options);
    default: return WriteSingleFrameGif(owner, path, doc, frame, overwrite, options);
    }
}

}  // namespace

std::string SelectedFrameFileName(const SaveSelectedRequest& request, int frameCount, int number) {
    std::string folder = request.folder;
    if (folder.size() > 0 && folder.back() == '/') folder.pop_back();
    const char* pattern = frameCount < 10 ? "%s_%d%s" : frameCount < 100 ? "%s_%02d%s" : "%s_%03d%s";
    const int length = std::snprintf(nullptr, 0, pattern, request.baseName.c_str(), number,
                                     ExtensionOf(request.format));
    if (length < 0 || size_t(length) > kMaxNameComponent) return {};
    std::string name(size_t(length) + 1, '\0');
    std::snprintf(name.data(), name.size(), pattern, request.baseName.c_str(), number,
                  ExtensionOf(request.format));
    name.pop_back();
    std::string path = folder + "/" + name;
    if (path.size() >= PATH_MAX) return {};
    return path;
}

bool SaveSelectedFrames(OwnerWindow owner, AnimDoc& doc, const Selection& selection,
                        const SaveSelectedRequest& request, WriteOptions& options) {
    std::vector<int32_t> indices;
    if (selection.size() == 1) {
        if (doc.currentFrame) indices.push_back(doc.currentIndex);
    } else {
        indices = selection;
    }
    // The GIF writer clears an unconditional dither after every file it writes;
    // the user asked for it for this whole batch, so every file gets it and it
    // is cleared once, after the last one.
    const int dither = options.AlwaysDither;
    bool cleared = false;
    for (int32_t index : indices) {
        Frame* frame = index == doc.currentIndex ? doc.currentFrame : NthFrame(doc, index);
        if (!frame) return false;
        const std::string path = SelectedFrameFileName(request, doc.frameCount, index + 1);
        if (path.empty()) {
            ShowError(owner, kNameTooLong);
            return false;
        }
        options.AlwaysDither = dither;
        if (!WriteOne(owner, doc, *frame, path, request, options)) {
            // Files already written had it; the rest still want it.
            options.AlwaysDither = dither;
            return false;
        }
        cleared = cleared || options.AlwaysDither != dither;
    }
    if (cleared) options.AlwaysDither = 0;
    return true;
}

}  // namespace kivo
