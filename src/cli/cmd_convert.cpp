// kivo-cli convert: opens one animation or builds one from several files, applies
// the write options and batch edits given on the command line, optionally
// optimises the frame sizes, and saves.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "io/file_formats.h"
#include "io/import_file.h"
#include "io/open_save.h"
#include "platform/live_temp_files.h"
#include "platform/safe_save.h"
#include "platform/terminal_backend.h"
#include "avi/avi_export.h"
#include "frame_ops/optimize_frames.h"
#include "frame_ops/size_target.h"
#include "gif/gif_reader.h"

namespace kivo::cli {

namespace {

struct ConvertRequest {
    std::vector<std::string> inputs;
    std::string output;
    // Write options, applied by name once every argument is known to be valid.
    std::vector<std::pair<std::string, std::string>> options;
    std::string loop;  // empty = as the input says
    int delay = -1;    // -1 = as the input says
    bool optimize = false;
    std::string codec;  // empty = the default encoder of an .avi output
    // How video inputs are read: pictures a second (0 = the clip's own), and
    // the part taken, in seconds (duration 0 = to the end).
    double fps = 0, start = 0, duration = 0;
    std::string webpOption;  // the last WebP-only option given, for the message when the output is not WebP
    bool webpQuality = false, webpLossless = false;  // given for a .webp output
    bool lossy = false;                                // --lossy with a strength
    uint64_t maxSize = 0;  // 0 = no target size
};

bool ParseNumber(const std::string& text, int low, int high, int& value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end && value >= low && value <= high;
}

}  // namespace

// Seconds as "12.5", "1:02.5" or "1:02:03": a count of seconds, optionally
// preceded by minutes and hours.
bool ParseSeconds(const std::string& text, double& seconds) {
    double total = 0;
    size_t from = 0;
    int parts = 0;
    for (;;) {
        const size_t colon = text.find(':', from);
        const std::string part = text.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        const bool last = colon == std::string::npos;
        if (part.empty() || ++parts > 3) return false;
        for (char c : part)
            if (!(std::isdigit(static_cast<unsigned char>(c)) || (last && c == '.'))) return false;
        char* end = nullptr;
        const double v = std::strtod(part.c_str(), &end);
        if (*end != '\0' || !(v >= 0) || (parts > 1 && v >= 60)) return false;
        total = total * 60 + v;
        if (last) break;
        from = colon + 1;
    }
    if (!(total <= 1e7)) return false;
    seconds = total;
    return true;
}

namespace {

// Only what 'kivo-cli help options' lists.
bool IsUserOption(const std::string& name) {
    for (const WriteOptionInfo& o : UserWriteOptions())
        if (o.name == name) return true;
    return false;
}

// Fills req from args; on a mistake answers the reason.
std::string ParseArgs(const Args& args, ConvertRequest& req) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        std::string value;
        bool hasValue = false;
        if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos && a.rfind("--set", 0) != 0) {
            value = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (a == "-o" || a == "--output") {
            if (!takeValue()) return "missing file after " + a;
            req.output = value;
        } else if (a == "--max-colors") {
            if (!takeValue()) return "missing number after --max-colors";
            req.options.emplace_back("MaxColors", value);
        } else if (a == "--separate-palettes") {
            req.options.emplace_back("UnifyPalette", "0");
        } else if (a == "--dither") {
            req.options.emplace_back("AlwaysDither", "1");
        } else if (a == "--interlace") {
            req.options.emplace_back("Interlace", "1");
        } else if (a == "--quality") {
            if (!takeValue()) return "missing number after --quality";
            req.options.emplace_back("WebpQuality", value);
            req.webpOption = a;
            req.webpQuality = true;
        } else if (a == "--lossless") {
            req.options.emplace_back("WebpLossless", "1");
            req.webpOption = a;
            req.webpLossless = true;
        } else if (a == "--codec") {
            if (!takeValue()) return "missing encoder after --codec";
            if (!IsAviEncoder(value)) return "unknown encoder '" + value + "' (kivo-cli codecs lists them)";
            req.codec = value;
        } else if (a == "--lossy") {
            if (!takeValue()) return "missing number after --lossy";
            req.options.emplace_back("Lossiness", value);
            req.lossy = value != "0";
        } else if (a == "--max-size") {
            if (!takeValue()) return "missing size after --max-size";
            const std::optional<uint64_t> bytes = ParseByteSize(value);
            if (!bytes) return "--max-size wants a size such as 500K, 2M or 123456, not '" + value + "'";
            req.maxSize = *bytes;
        } else if (a == "--optimize") {
            req.optimize = true;
        } else if (a == "--set" || a.rfind("--set=", 0) == 0) {
            if (a == "--set") {
                if (i + 1 >= args.size()) return "missing NAME=VALUE after --set";
                value = args[++i];
            } else {
                value = a.substr(6);
            }
            size_t eq = value.find('=');
            if (eq == std::string::npos || eq == 0) return "--set wants NAME=VALUE, not '" + value + "'";
            if (!IsUserOption(value.substr(0, eq)))
                return "unknown option " + value.substr(0, eq) + " (kivo-cli help options lists them)";
            req.options.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else if (a == "--loop") {
            int n;
            if (!takeValue()) return "missing value after --loop";
            if (value != "forever" && value != "off" && !ParseNumber(value, 0, 65535, n))
                return "--loop wants a count 0-65535, 'forever' or 'off', not '" + value + "'";
            req.loop = value;
        } else if (a == "--delay") {
            if (!takeValue()) return "missing value after --delay";
            if (!ParseNumber(value, 0, 65535, req.delay))
                return "--delay wants hundredths of a second 0-65535, not '" + value + "'";
        } else if (a == "--fps") {
            if (!takeValue()) return "missing value after --fps";
            char* end = nullptr;
            req.fps = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(req.fps > 0 && req.fps <= 1000))
                return "--fps wants pictures a second, more than 0 and at most 1000, not '" + value + "'";
        } else if (a == "--start" || a == "--duration") {
            if (!takeValue()) return "missing time after " + a;
            double& t = a == "--start" ? req.start : req.duration;
            if (!ParseSeconds(value, t) || (a == "--duration" && t <= 0))
                return a + " wants a time in seconds (12.5, 1:02.5 or 1:02:03), not '" + value + "'";
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else {
            req.inputs.push_back(a);
        }
    }
    if (req.inputs.empty()) return "no input files";
    if (req.output.empty()) return "no output file (-o OUTPUT)";
    if (std::string why = OutputFormatProblem(req.output, -1); !why.empty()) return why;
    if (!req.codec.empty() && FileExtension(req.output) != "AVI") return "--codec applies to an .avi output only";
    if (!req.webpOption.empty() && FileExtension(req.output) != "WEBP")
        return req.webpOption + " applies to a .webp output only";
    if (req.maxSize > 0 && FileExtension(req.output) != "GIF") return "--max-size applies to a .gif output only";
    // A WebP quality or lossiness asks for lossy WebP frames unless --lossless
    // says otherwise.
    if (FileExtension(req.output) == "WEBP" && !req.webpLossless && (req.webpQuality || req.lossy))
        req.options.emplace_back("WebpLossless", "0");
    for (const std::string& in : req.inputs)
        if (!IsImportableFile(in))
            return "cannot read this kind of file: '" + in + "' (kivo-cli reads " + ReadableFormatNames() + ")";
    return {};
}

// Why an input cannot be read at all, or empty when it can be opened. The readers
// only say that a file failed, which leaves a user guessing between a typing
// mistake, a folder and a permission.
std::string UnopenableReason(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::strerror(errno);
    std::fclose(f);
    return {};
}

// One animation opens as it is, keeping its loop settings and trailing comment;
// anything else is assembled frame by frame into a new document.
std::unique_ptr<AnimDoc> LoadInputs(const std::vector<std::string>& inputs, const ReadOptions& options) {
    // A reader stopped by Ctrl-C has nothing to say about its file.
    const FileFormat* first = DetectFileFormat(inputs[0]);
    if (inputs.size() == 1 && first && first->readAnimation) {
        // A file cut off in the middle is refused, or a script would carry on
        // with fewer frames than the file was meant to hold; its message
        // already names the file and where it ends.
        GifCut cut;
        auto doc = OpenDocument(nullptr, inputs[0], &cut, nullptr, options);
        if (cut.cut) {
            ShowError(nullptr, cut.message);
            return nullptr;
        }
        if (!doc && !InterruptRequested())
            std::fprintf(stderr, "kivo-cli convert: cannot read '%s'\n", inputs[0].c_str());
        return doc;
    }
    auto doc = NewDocument();
    if (!doc) return nullptr;
    for (const std::string& in : inputs) {
        if (InterruptRequested()) return nullptr;
        if (!ImportFile(nullptr, *doc, kImportAppend, in, {}, options)) {
            if (!InterruptRequested())
                std::fprintf(stderr, "kivo-cli convert: cannot read '%s'\n", in.c_str());
            return nullptr;
        }
    }
    return doc;
}

void ApplyEdits(const ConvertRequest& req, AnimDoc& doc) {
    if (req.loop == "off") {
        doc.loopEnabled = 0;
    } else if (!req.loop.empty()) {
        doc.loopEnabled = 1;
        doc.loopCount = req.loop == "forever" ? 0 : std::stoi(req.loop);
    }
    if (req.delay >= 0) {
        for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
            f->delay = req.delay;
            f->hasDelay = 1;
        }
    }
}

// The file a save without optimisation writes, kept in memory so that an
// optimised file can never come out larger. Written through a temporary file
// of the output's kind, removed at once (and by the signal handlers meanwhile).
class PlainSave {
public:
    // False when the save failed or was interrupted. The document is as it was:
    // a save keeps the global palette it made, which the next save would reuse.
    bool Make(AnimDoc& doc, const std::string& output, const WriteOptions& options) {
        const std::string name = std::filesystem::path(output).filename().string();
        const size_t dot = name.rfind('.');
        const std::string suffix = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
        std::error_code noTemp;
        std::filesystem::path folder = std::filesystem::temp_directory_path(noTemp);
        if (noTemp) folder = "/tmp";
        std::string pattern = (folder / "kivo-plain-XXXXXX").string() + suffix;
        std::vector<char> path(pattern.begin(), pattern.end());
        path.push_back('\0');
        sigset_t block, previous;
        sigemptyset(&block);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, sig);
        pthread_sigmask(SIG_BLOCK, &block, &previous);
        const int fd = mkstemps(path.data(), int(suffix.size()));
        const int slot = fd >= 0 ? RememberLiveTempFile(path.data()) : -1;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        if (fd < 0) return false;
        close(fd);
        WriteOptions once = options;  // a one-save dither stays for the real save
        const Palette global = doc.globalPalette;
        const bool saved = SaveDocument(nullptr, path.data(), doc, once) && ReadWholeFile(path.data(), bytes_);
        doc.globalPalette = global;
        unlink(path.data());
        ForgetLiveTempFile(slot);
        return saved;
    }

    // Puts the plain file in place of output when that is smaller.
    bool ReplaceIfSmaller(const std::string& output) const {
        std::error_code error;
        const uintmax_t written = std::filesystem::file_size(output, error);
        if (error || written <= bytes_.size()) return true;
        return WriteTo(output);
    }

    // Writes the plain file as output, as a save does: an existing file is
    // replaced only once the new one is complete.
    bool WriteTo(const std::string& output) const {
        SafeFile file;
        return file.Open(output) && file.Write(bytes_.data(), bytes_.size()) && file.Commit();
    }

private:
    std::string bytes_;
};

// 1234567 as "1,234,567".
std::string Grouped(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Writes the best-looking file within req.maxSize, saying what it chose.
int SaveWithinSize(const Command& self, const ConvertRequest& req, AnimDoc& doc, const WriteOptions& options) {
    const GifBytesEncoder encode = [&](const WriteOptions& o, std::string& bytes) {
        return SaveGifToBytes(doc, o, bytes);
    };
    // Each try is a whole save: a line for each says where the search stands.
    const SizeTargetReport report = [&](int lossiness, int colours, uint64_t bytes) {
        std::fprintf(stderr, "kivo-cli convert: tried lossiness %d, %d colours: %s bytes\n", lossiness, colours,
                         Grouped(bytes).c_str());
    };
    const SizeTargetResult found = SearchTargetSize(options, req.maxSize, encode, report);
    if (found.outcome == SizeTargetResult::Outcome::kCancelled || InterruptRequested()) return Cancelled(self);
    if (found.outcome == SizeTargetResult::Outcome::kFailed) {
        const std::string& why = SaveFailureReason();
        std::fprintf(stderr, "kivo-cli convert: '%s' was not written%s%s\n", req.output.c_str(),
                     why.empty() ? "" : ": ", why.c_str());
        return 1;
    }
    if (found.outcome == SizeTargetResult::Outcome::kTooLarge) {
        std::fprintf(stderr,
                     "kivo-cli convert: '%s' was not written: no setting fits, up to lossiness 200 with 8 "
                     "colours; the smallest file (lossiness %d, %d colours) is %s bytes, over the %s allowed\n",
                     req.output.c_str(), found.lossiness, found.maxColors, Grouped(found.file.size()).c_str(),
                     Grouped(req.maxSize).c_str());
        return 1;
    }
    SafeFile file;
    if (!file.Open(req.output) || !file.Write(found.file.data(), found.file.size()) || !file.Commit()) {
        const std::string& why = SaveFailureReason();
        std::fprintf(stderr, "kivo-cli convert: '%s' was not written%s%s\n", req.output.c_str(),
                     why.empty() ? "" : ": ", why.c_str());
        return 1;
    }
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(found.file.data()), found.file.size());
    std::string quality;
    if (std::unique_ptr<AnimDoc> written = ReadGifBytes(nullptr, bytes, req.output))
        if (const std::optional<double> psnr = ComposedPsnr(doc, *written)) {
            char text[48];
            if (std::isinf(*psnr)) std::snprintf(text, sizeof text, " (exact: PSNR infinite)");
            else std::snprintf(text, sizeof text, " (PSNR %.1f dB)", *psnr);
            quality = text;
        }
    std::printf("lossiness %d, %d colours: %s bytes%s\n", found.lossiness, found.maxColors,
                Grouped(found.file.size()).c_str(), quality.c_str());
    return 0;
}

}  // namespace

int RunConvert(const Args& args, WriteOptions& options) {
    const Command& self = *FindCommand("convert");
    ConvertRequest req;
    if (std::string why = ParseArgs(args, req); !why.empty()) return UsageError(self, why);
    for (const auto& [name, value] : req.options) {
        std::string why;
        if (!SetWriteOption(options, name, value, &why)) return UsageError(self, why);
    }

    for (const std::string& in : req.inputs) {
        if (std::string why = UnopenableReason(in); !why.empty()) {
            std::fprintf(stderr, "kivo-cli convert: cannot read '%s': %s\n", in.c_str(), why.c_str());
            return 1;
        }
    }
    ReadOptions reading = ReadOptionsFrom(options);
    reading.videoFps = req.fps;
    reading.videoStart = req.start;
    reading.videoDuration = req.duration;
    std::unique_ptr<AnimDoc> doc = LoadInputs(req.inputs, reading);
    // Ctrl-C while reading: nothing is written, whether or not the reader
    // reached a point where it could stop.
    if (InterruptRequested()) return Cancelled(self);
    if (!doc) return 1;
    if (doc->frameCount == 0) {
        std::fprintf(stderr, "kivo-cli convert: the input has no frames to write\n");
        return 1;
    }
    if (std::string why = OutputFormatProblem(req.output, doc->frameCount); !why.empty()) {
        std::fprintf(stderr, "kivo-cli convert: %s\n", why.c_str());
        return 1;
    }
    ApplyEdits(req, *doc);
    // Optimising only ever writes a file as large as the plain save or smaller:
    // where its choices (crops, transparency) come out larger after all, the
    // plain file is written instead.
    PlainSave plain;
    const bool guarded = req.optimize && req.codec.empty() && doc->frameCount >= 2;
    if (guarded && !plain.Make(*doc, req.output, options)) {
        if (InterruptRequested()) return Cancelled(self);
        std::fprintf(stderr, "kivo-cli convert: '%s' was not written\n", req.output.c_str());
        return 1;
    }
    OptimizeOutcome outcome = OptimizeOutcome::kUnchanged;
    if (req.optimize) {
        // After the edits, so that a new --delay is what the removed frames pass on.
        OptimizeFrameSizes(nullptr, *doc, options, &outcome);
        if (outcome == OptimizeOutcome::kCancelled || InterruptRequested()) return Cancelled(self);
        if (outcome == OptimizeOutcome::kFailed) {
            std::fprintf(stderr, "kivo-cli convert: '%s' was not written\n", req.output.c_str());
            return 1;
        }
    }
    if (req.maxSize > 0) return SaveWithinSize(self, req, *doc, options);
    // A document the optimisation left as it was saves to the plain file's bytes.
    const bool saved = guarded && outcome == OptimizeOutcome::kUnchanged ? plain.WriteTo(req.output)
                       : req.codec.empty() ? SaveDocument(nullptr, req.output, *doc, options)
                                           : ExportAvi(nullptr, req.output, *doc, req.codec);
    if (!saved) {
        if (InterruptRequested()) return Cancelled(self);
        // The engine's message says that it failed; the system says why.
        const std::string& why = SaveFailureReason();
        std::fprintf(stderr, "kivo-cli convert: '%s' was not written%s%s\n", req.output.c_str(),
                     why.empty() ? "" : ": ", why.c_str());
        return 1;
    }
    if (guarded && !plain.ReplaceIfSmaller(req.output)) {
        const std::string& why = SaveFailureReason();
        std::fprintf(stderr, "kivo-cli convert: '%s' was written optimised, not as the smaller plain file%s%s\n",
                     req.output.c_str(), why.empty() ? "" : ": ", why.c_str());
        return 1;
    }
    // A Ctrl-C after the last point where the writer could stop comes too late
    // to keep the file from being replaced; say so rather than claim a cancel.
    if (InterruptRequested())
        std::fprintf(stderr, "kivo-cli convert: interrupted too late: '%s' was written in full\n",
                     req.output.c_str());
    return 0;
}

}  // namespace kivo::cli
