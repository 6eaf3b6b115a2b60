#include "app/save_selected_form.h"

#include <cstdio>

#include "app/shell.h"
#include "options/write_options.h"
#include "platform/kept_errors.h"

namespace kivo {

SaveSelectedRequest OpeningRequest(const AnimDoc& doc, int formatMode) {
    SaveSelectedRequest request;
    const size_t slash = doc.path.find_last_of('/');
    if (slash != std::string::npos) request.folder = doc.path.substr(0, slash == 0 ? 1 : slash);
    request.baseName = doc.displayName;
    if (const size_t dot = request.baseName.find_last_of('.'); dot != std::string::npos)
        request.baseName.resize(dot);
    request.format = formatMode == 1 ? FrameFileFormat::kPng : FrameFileFormat::kGif;
    return request;
}

std::string SelectedCountText(size_t selected) {
    char text[64];
    std::snprintf(text, sizeof text, kSelectedCountPattern, selected > 1 ? selected : size_t(1));
    return text;
}

const char* RequestProblem(const SaveSelectedRequest& request) {
    if (request.folder.empty()) return "保存先のフォルダを指定してください。";
    if (request.folder.front() != '/') return "保存先のフォルダは / から始まるパスで指定してください。";
    return nullptr;
}

std::string RunSaveSelected(OwnerWindow owner, AnimDoc& doc, const Selection& selection,
                            const SaveSelectedRequest& request, WriteOptions& options) {
    KeptErrors kept;
    if (SaveSelectedFrames(owner, doc, selection, request, options)) return {};
    return kept.texts().empty() ? std::string("書き込み失敗しました。") : kept.texts().front();
}

}  // namespace kivo
