// kivo-cli info FILE [--json]: what an animation or picture holds, as the reader sees it.
#include <cstdio>
#include <string>

#include "cli.h"
#include "doc/anim_doc.h"
#include "io/file_formats.h"
#include "io/open_save.h"
#include "platform/stored_text.h"
#include "platform/terminal_backend.h"

namespace kivo::cli {

namespace {

// Comments are byte strings from the file, decoded for showing (UTF-8, else
// code page 932). Control characters are escaped: raw in a JSON string they make
// it invalid, raw on a terminal they are commands (ESC starts one, BEL rings).
// C1 controls (U+0080-U+009F) count too, since some terminals obey them.
enum class Escape { kJson, kLine };

std::string Escaped(const std::string& bytes, Escape style) {
    const std::string text = StoredTextAsUtf8(bytes);
    std::string out;
    char esc[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (style == Escape::kJson && (c == '"' || c == '\\')) {
            out += '\\';
            out += char(c);
        } else if (c1) {
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned char>(text[++i]));
            out += esc;
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(esc, sizeof esc, style == Escape::kJson ? "\\u%04x" : "\\x%02x", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string JsonString(const std::string& bytes) { return "\"" + Escaped(bytes, Escape::kJson) + "\""; }

// One line of text: line breaks inside a comment shown as "\n".
std::string OneLine(const std::string& bytes) { return Escaped(bytes, Escape::kLine); }

const char* DisposalName(int d) {
    switch (d) {
    case 0: return "none";
    case 1: return "leave";
    case 2: return "background";
    case 3: return "previous";
    default: return "?";
    }
}

void PrintKeysText(const char* indent, const TextKeyList& keys) {
    for (const TextKey& k : keys)
        std::printf("%s%s: %s\n", indent, OneLine(k.key).c_str(), OneLine(k.text).c_str());
}

std::string JsonKeys(const TextKeyList& keys) {
    std::string out = "[";
    for (size_t i = 0; i < keys.size(); ++i)
        out += (i ? ", " : "") + std::string("{\"key\": ") + JsonString(keys[i].key) +
               ", \"text\": " + JsonString(keys[i].text) + "}";
    return out + "]";
}

void PrintText(const AnimDoc& doc, bool mng) {
    std::printf("screen: %d x %d\n", doc.screenWidth, doc.screenHeight);
    if (mng) {
        std::printf("mng: profile 0x%x, %d ticks per second, TERM action %d then %d, delay %d\n",
                    unsigned(doc.mhdrProfile), doc.ticksPerSecond, doc.termAction,
                    doc.termAfterAction, doc.termDelay);
        if (!doc.textKeys.empty()) std::printf("text keys:\n");
        PrintKeysText("  ", doc.textKeys);
    }
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
        if (mng && f->textKeys.size() > 1) PrintKeysText("        ", f->textKeys);
    }
}

void PrintJson(const AnimDoc& doc) {
    std::printf("{\n  \"screenWidth\": %d,\n  \"screenHeight\": %d,\n", doc.screenWidth,
                doc.screenHeight);
    std::printf("  \"globalColorCount\": %zu,\n", doc.globalPalette.size());
    std::printf("  \"loopEnabled\": %d,\n  \"loopCount\": %d,\n", doc.loopEnabled, doc.loopCount);
    std::printf("  \"trailingComment\": %s,\n", JsonString(doc.trailingComment).c_str());
    std::printf("  \"mhdrProfile\": %d,\n  \"ticksPerSecond\": %d,\n", doc.mhdrProfile,
                doc.ticksPerSecond);
    std::printf("  \"termAction\": %d,\n  \"termAfterAction\": %d,\n  \"termDelay\": %d,\n",
                doc.termAction, doc.termAfterAction, doc.termDelay);
    std::printf("  \"textKeys\": %s,\n", JsonKeys(doc.textKeys).c_str());
    std::printf("  \"frameCount\": %d,\n  \"frames\": [", doc.frameCount);
    const char* sep = "\n";
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        std::printf(
            "%s    {\"left\": %d, \"top\": %d, \"width\": %d, \"height\": %d, \"delay\": %d, "
            "\"hasDelay\": %d, \"disposal\": %d, \"hasTransparency\": %d, "
            "\"transparentRgb\": [%d, %d, %d], \"localColorCount\": %zu, \"comment\": %s, "
            "\"textKeys\": %s}",
            sep, f->left, f->top, f->width, f->height, f->delay, f->hasDelay, f->disposal,
            f->hasTransparency, f->transparentRgb.r, f->transparentRgb.g, f->transparentRgb.b,
            f->localPalette.size(), JsonString(f->comment).c_str(), JsonKeys(f->textKeys).c_str());
        sep = ",\n";
    }
    std::printf("\n  ]\n}\n");
}

}  // namespace

int RunInfo(const Args& args, WriteOptions& options) {
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
    const FileFormat* format = DetectFileFormat(path);
    if (!format) {
        std::fprintf(stderr, "kivo-cli info: cannot read '%s': kivo-cli reads %s files\n", path.c_str(),
                     ReadableFormatNames().c_str());
        return 1;
    }
    std::unique_ptr<AnimDoc> doc = ReadAsDocument(nullptr, path, ReadOptionsFrom(options));
    // Stopped by Ctrl-C, or pressed too late to stop the reader: either way the
    // user no longer wants the answer.
    if (InterruptRequested()) return Cancelled(self);
    if (!doc) return 1;
    if (json) PrintJson(*doc);
    else PrintText(*doc, format->name == "MNG");
    return 0;
}

}  // namespace kivo::cli
