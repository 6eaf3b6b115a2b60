// kivo-cli info FILE [--json]: what a GIF animation holds, as the reader sees it.
#include <iconv.h>

#include <cstdio>
#include <string>

#include "cli.h"
#include "doc/anim_doc.h"
#include "gif/gif_reader.h"

namespace kivo::cli {

namespace {

bool IsValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = s[i];
        size_t more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 4;
        if (more == 4) return false;
        for (size_t k = 1; k <= more; ++k)
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += more + 1;
    }
    return true;
}

// Comments are byte strings from the file: shown as they are when they are
// UTF-8, otherwise read as code page 932, the encoding older files used.
std::string DisplayText(const std::string& bytes) {
    if (IsValidUtf8(bytes)) return bytes;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd != iconv_t(-1)) {
        std::string out(bytes.size() * 4 + 4, '\0');
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        char* dst = out.data();
        size_t outLeft = out.size();
        const bool ok = iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1);
        iconv_close(cd);
        if (ok) {
            out.resize(out.size() - outLeft);
            return out;
        }
    }
    // Neither: keep every byte visible as a Latin-1 character.
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string JsonString(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : DisplayText(bytes)) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

// One line of text: line breaks inside a comment shown as "\n".
std::string OneLine(const std::string& bytes) {
    std::string out;
    for (char c : DisplayText(bytes)) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

const char* DisposalName(int d) {
    switch (d) {
    case 0: return "none";
    case 1: return "leave";
    case 2: return "background";
    case 3: return "previous";
    default: return "?";
    }
}

void PrintText(const AnimDoc& doc) {
    std::printf("screen: %d x %d\n", doc.screenWidth, doc.screenHeight);
    std::printf("global palette: %zu colours\n", doc.globalPalette.size());
    if (!doc.loopEnabled) std::printf("loop: off (plays once)\n");
    else if (doc.loopCount == 0) std::printf("loop: forever\n");
    else std::printf("loop: %d times\n", doc.loopCount);
    if (!doc.trailingComment.empty())
        std::printf("trailing comment: %s\n", OneLine(doc.trailingComment).c_str());
    std::printf("frames: %d\n", doc.frameCount);
    // "has-delay" rather than "wait": GIF's user-input flag also reads as a wait.
    std::printf("%5s %6s %6s %6s %6s %6s %9s %-10s %-12s %6s  %s\n", "frame", "left", "top",
                "width", "height", "delay", "has-delay", "disposal", "transparent", "local",
                "comment");
    int i = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), ++i) {
        char transparent[16] = "-";
        if (f->hasTransparency)
            std::snprintf(transparent, sizeof transparent, "#%02x%02x%02x", f->transparentRgb.r,
                          f->transparentRgb.g, f->transparentRgb.b);
        std::printf("%5d %6d %6d %6d %6d %6d %9s %-10s %-12s %6zu  %s\n", i, f->left, f->top,
                    f->width, f->height, f->delay, f->hasDelay ? "yes" : "no",
                    DisposalName(f->disposal), transparent, f->localPalette.size(),
                    OneLine(f->comment).c_str());
    }
}

void PrintJson(const AnimDoc& doc) {
    std::printf("{\n  \"screenWidth\": %d,\n  \"screenHeight\": %d,\n", doc.screenWidth,
                doc.screenHeight);
    std::printf("  \"globalColorCount\": %zu,\n", doc.globalPalette.size());
    std::printf("  \"loopEnabled\": %d,\n  \"loopCount\": %d,\n", doc.loopEnabled, doc.loopCount);
    std::printf("  \"trailingComment\": %s,\n", JsonString(doc.trailingComment).c_str());
    std::printf("  \"frameCount\": %d,\n  \"frames\": [", doc.frameCount);
    const char* sep = "\n";
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        std::printf(
            "%s    {\"left\": %d, \"top\": %d, \"width\": %d, \"height\": %d, \"delay\": %d, "
            "\"hasDelay\": %d, \"disposal\": %d, \"hasTransparency\": %d, "
            "\"transparentRgb\": [%d, %d, %d], \"localColorCount\": %zu, \"comment\": %s}",
            sep, f->left, f->top, f->width, f->height, f->delay, f->hasDelay, f->disposal,
            f->hasTransparency, f->transparentRgb.r, f->transparentRgb.g, f->transparentRgb.b,
            f->localPalette.size(), JsonString(f->comment).c_str());
        sep = ",\n";
    }
    std::printf("\n  ]\n}\n");
}

}  // namespace

int RunInfo(const Args& args) {
    const Command& self = *FindCommand("info");
    std::string path;
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json") json = true;
        else if (!a.empty() && a[0] == '-') return UsageError(self, "unknown option " + a);
        else if (path.empty()) path = a;
        else return UsageError(self, "only one FILE");
    }
    if (path.empty()) return UsageError(self, "FILE missing");

    // The reader stays silent about a file it cannot open; say so here.
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        std::fprintf(stderr, "kivo-cli info: cannot open %s\n", path.c_str());
        return 1;
    }
    std::unique_ptr<AnimDoc> doc = ReadGif(nullptr, path);
    if (!doc) return 1;
    if (json) PrintJson(*doc);
    else PrintText(*doc);
    return 0;
}

}  // namespace kivo::cli
