// kivo-cli extract: writes chosen frames of any readable file as separate BMP,
// PNG or GIF files, named as the editor's "save selected frames" names them.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "frame_list.h"
#include "doc/selection.h"
#include "io/file_formats.h"
#include "io/open_save.h"
#include "frame_ops/save_selected.h"

namespace kivo::cli {

namespace {

struct ExtractRequest {
    std::string input;
    std::string frames;  // "1,3-5"; empty = every frame
    std::string format;  // bmp, png, gif; empty = by the input
    std::string dir;
    std::string name;
    bool haveName = false;
    bool overwrite = true;
};

std::string ParseArgs(const Args& args, ExtractRequest& req) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (a == "--frames") {
            if (!value(req.frames)) return "missing list after --frames";
        } else if (a == "--format") {
            if (!value(req.format)) return "missing bmp, png or gif after --format";
            if (req.format != "bmp" && req.format != "png" && req.format != "gif")
                return "--format wants bmp, png or gif, not '" + req.format + "'";
        } else if (a == "--dir") {
            if (!value(req.dir)) return "missing folder after --dir";
        } else if (a == "--name") {
            if (!value(req.name)) return "missing base name after --name";
            req.haveName = true;
        } else if (a == "--no-overwrite") {
            req.overwrite = false;
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else if (req.input.empty()) {
            req.input = a;
        } else {
            return "only one input file";
        }
    }
    if (req.input.empty()) return "no input file";
    return {};
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

int RunExtract(const Args& args, WriteOptions& options) {
    const Command& self = *FindCommand("extract");
    ExtractRequest req;
    if (std::string why = ParseArgs(args, req); !why.empty()) return UsageError(self, why);
    if (!DetectFileFormat(req.input))
        return UsageError(self, "cannot read '" + req.input + "': kivo-cli reads " + ReadableFormatNames());
    std::unique_ptr<AnimDoc> doc = ReadAsDocument(nullptr, req.input, ReadOptionsFrom(options));
    if (!doc) return 1;

    std::vector<int32_t> indices;
    if (std::string why = ParseFrameList(req.frames, doc->frameCount, indices); !why.empty())
        return UsageError(self, why);
    Selection selection;
    SetSelection(*doc, selection, indices);
    if (selection.size() == 1) {  // one selected frame is the current one
        doc->currentIndex = selection[0];
        doc->currentFrame = NthFrame(*doc, doc->currentIndex);
    }
    SaveSelectedRequest save;
    save.folder = req.dir.empty() ? FolderOf(req.input) : req.dir;
    save.baseName = req.haveName ? req.name : BaseNameOf(req.input);
    const std::string format = !req.format.empty() ? req.format
                               : FileExtension(req.input) == "MNG" ? "png" : "gif";
    save.format = format == "bmp" ? FrameFileFormat::kBmp
                  : format == "png" ? FrameFileFormat::kPng : FrameFileFormat::kGif;
    save.overwrite = req.overwrite;
    if (!SaveSelectedFrames(nullptr, *doc, selection, save, options)) {
        ShowError(nullptr, "書き込み失敗しました。");
        return 1;
    }
    for (int32_t index : selection)
        std::printf("%s\n", SelectedFrameFileName(save, doc->frameCount, index + 1).c_str());
    return 0;
}

}  // namespace kivo::cli
