// kivo-cli render: what the editor's preview shows for chosen frames, as PNG
// pictures of the whole logical screen, so that scripts can look at an
// animation the way a viewer plays it.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "frame_list.h"
#include "io/file_formats.h"
#include "io/open_save.h"
#include "platform/safe_save.h"
#include "platform/terminal_backend.h"
#include "render/compositor.h"
#include "frame_ops/save_selected.h"
#include "render/screen_png.h"

namespace kivo::cli {

namespace {

struct RenderRequest {
    std::string input, output, frames;
    int viewMode = 0;
    bool haveBackground = false;
    Rgb background;
};

bool ParseColour(const std::string& s, Rgb& c) {
    if (s.size() != 6 || !std::all_of(s.begin(), s.end(), [](char ch) { return std::isxdigit(uint8_t(ch)); }))
        return false;
    const unsigned long v = std::stoul(s, nullptr, 16);
    c = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    return true;
}

std::string ParseArgs(const Args& args, RenderRequest& req) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takesValue = a == "--frames" || a == "--view-mode" || a == "--background" || a == "-o" ||
                                a == "--output";
        if (takesValue && i + 1 >= args.size()) return "missing value after " + a;
        if (a == "--frames") {
            req.frames = args[++i];
        } else if (a == "--view-mode") {
            const std::string& v = args[++i];
            if (v != "0" && v != "1") return "--view-mode wants 0 or 1, not '" + v + "'";
            req.viewMode = v[0] - '0';
        } else if (a == "--background") {
            const std::string& v = args[++i];
            if (!ParseColour(v, req.background)) return "--background wants RRGGBB in hexadecimal, not '" + v + "'";
            req.haveBackground = true;
        } else if (a == "-o" || a == "--output") {
            req.output = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else if (req.input.empty()) {
            req.input = a;
        } else {
            return "only one input file";
        }
    }
    if (req.input.empty()) return "no input file";
    if (req.output.empty()) return "no output (-o FOLDER or -o FILE.png)";
    return {};
}

bool NamesPng(const std::string& path) {
    std::string ext = FileExtension(path);
    for (char& c : ext) c = char(std::tolower(uint8_t(c)));
    return ext == "png";
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int RunRender(const Args& args, WriteOptions& options) {
    const Command& self = *FindCommand("render");
    RenderRequest req;
    if (std::string why = ParseArgs(args, req); !why.empty()) return UsageError(self, why);
    if (!DetectFileFormat(req.input))
        return UsageError(self, "cannot read '" + req.input + "': kivo-cli reads " + ReadableFormatNames());
    const bool toFile = NamesPng(req.output) && !IsFolder(req.output);
    if (!toFile && !IsFolder(req.output) && mkdir(req.output.c_str(), 0777) != 0)
        return UsageError(self, "'" + req.output + "' is neither a folder nor a .png file name");

    std::unique_ptr<AnimDoc> doc = ReadAsDocument(nullptr, req.input, ReadOptionsFrom(options));
    if (!doc) return InterruptRequested() ? Cancelled(self) : 1;
    std::vector<int32_t> wanted;
    if (std::string why = ParseFrameList(req.frames, doc->frameCount, wanted); !why.empty())
        return UsageError(self, why);
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    if (wanted.empty()) return UsageError(self, "the file has no frames");
    if (toFile && wanted.size() != 1)
        return UsageError(self, std::to_string(wanted.size()) + " frames need a folder after -o, not a .png file");

    // An MNG plays as MNG viewers play it: disposal 2 clears the whole screen.
    const FileFormat* format = DetectFileFormat(req.input);
    const bool mng = format && format->name == "MNG";
    Composition screen;
    CompositionRules rules = PreviewRules(req.viewMode, mng ? 1 : 0, req.background);
    if (!req.haveBackground) rules.background = kNothingDrawn;
    if (!StartComposition(screen, doc->screenWidth, doc->screenHeight, rules)) {
        ShowError(nullptr, "メモリが足りません。");
        return 1;
    }
    SaveSelectedRequest naming{req.output, BaseNameOf(req.input), FrameFileFormat::kPng};
    size_t next = 0;
    int index = 0;
    for (const Frame* f = doc->firstFrame.get(); f && next < wanted.size(); f = f->next.get(), ++index) {
        if (InterruptRequested()) return Cancelled(self);
        ComposeFrame(screen, *f, index == 0);
        if (index != wanted[next]) continue;
        ++next;
        const std::string path = toFile ? req.output : SelectedFrameFileName(naming, doc->frameCount, index + 1);
        if (path.empty()) {
            ShowError(nullptr, "ファイル名が長すぎます。");
            return 1;
        }
        if (!WriteScreenPng(nullptr, path, screen)) {
            const std::string& why = SaveFailureReason();
            std::fprintf(stderr, "kivo-cli render: '%s' was not written%s%s\n", path.c_str(), why.empty() ? "" : ": ",
                         why.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

}  // namespace kivo::cli
