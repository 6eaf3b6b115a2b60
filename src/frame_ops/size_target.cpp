#include "frame_ops/size_target.h"

#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "gif/gif_writer.h"
#include "gif/lzw_lossy.h"
#include "platform/live_temp_files.h"
#include "platform/safe_save.h"
#include "render/compositor.h"

namespace kivo {

namespace {

using Outcome = SizeTargetResult::Outcome;

// The colour counts tried, most first.
std::vector<int> ColourCounts(int most) {
    std::vector<int> counts;
    for (int c = std::clamp(most, 8, 256); c >= 8; c /= 2) counts.push_back(c);
    return counts;
}

class Search {
public:
    Search(const WriteOptions& options, uint64_t target, const GifBytesEncoder& encode, const SizeTargetReport& report)
        : options_(options), target_(target), encode_(encode), report_(report) {}

    SizeTargetResult Run() {
        const std::vector<int> counts = ColourCounts(options_.MaxColors);
        // The file may fit as it is.
        if (!Try(0, counts.front())) return result_;
        if (Fits()) return Chosen();
        for (int colours : counts) {
            if (!Try(kMaxLossiness, colours)) return result_;
            if (!Fits()) continue;
            // The least lossiness that fits; kMaxLossiness fits, and 0 does not
            // where it was tried already.
            int low = colours == counts.front() ? 1 : 0, high = kMaxLossiness;
            std::string fitting = std::move(last_);
            while (low < high) {
                const int middle = low + (high - low) / 2;
                if (!Try(middle, colours)) return result_;
                if (Fits()) {
                    high = middle;
                    fitting = std::move(last_);
                } else {
                    low = middle + 1;
                }
            }
            last_ = std::move(fitting);
            lastLossiness_ = high;
            lastColours_ = colours;
            return Chosen();
        }
        result_.outcome = Outcome::kTooLarge;
        return result_;
    }

private:
    // Encodes with these settings into last_; false, with the result set,
    // when the encoding failed or was cancelled.
    bool Try(int lossiness, int colours) {
        WriteOptions o = options_;
        o.Lossiness = lossiness;
        o.MaxColors = colours;
        o.TargetSize = 0;
        last_.clear();
        const DocumentSaveError error = encode_(o, last_);
        ++result_.saves;
        if (error != DocumentSaveError::kNone) {
            result_.outcome = error == DocumentSaveError::kCancelled ? Outcome::kCancelled : Outcome::kFailed;
            result_.file.clear();
            return false;
        }
        lastLossiness_ = lossiness;
        lastColours_ = colours;
        if (report_) report_(lossiness, colours, last_.size());
        // Nothing fits so far: the smallest file stands for the search.
        if (result_.file.empty() || last_.size() < result_.file.size()) {
            result_.file = last_;
            result_.lossiness = lossiness;
            result_.maxColors = colours;
        }
        return true;
    }

    bool Fits() const { return last_.size() <= target_; }

    SizeTargetResult Chosen() {
        result_.outcome = Outcome::kFits;
        result_.file = std::move(last_);
        result_.lossiness = lastLossiness_;
        result_.maxColors = lastColours_;
        return result_;
    }

    const WriteOptions& options_;
    uint64_t target_;
    const GifBytesEncoder& encode_;
    const SizeTargetReport& report_;
    SizeTargetResult result_;
    std::string last_;
    int lastLossiness_ = 0;
    int lastColours_ = 0;
};

// A temporary file name with the suffix, its file made; empty when none can be.
struct TempFile {
    std::string path;
    int slot = -1;

    explicit TempFile(const char* suffix) {
        std::error_code noTemp;
        std::filesystem::path folder = std::filesystem::temp_directory_path(noTemp);
        if (noTemp) folder = "/tmp";
        std::string pattern = (folder / "kivo-size-XXXXXX").string() + suffix;
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        // No signal handler may run between making the file and remembering it.
        sigset_t block, previous;
        sigemptyset(&block);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, sig);
        pthread_sigmask(SIG_BLOCK, &block, &previous);
        const int fd = mkstemps(name.data(), int(std::char_traits<char>::length(suffix)));
        if (fd >= 0) slot = RememberLiveTempFile(name.data());
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        if (fd < 0) return;
        close(fd);
        path = name.data();
    }
    ~TempFile() {
        if (path.empty()) return;
        unlink(path.c_str());
        ForgetLiveTempFile(slot);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
};

}  // namespace

SizeTargetResult SearchTargetSize(const WriteOptions& options, uint64_t target, const GifBytesEncoder& encode,
                                  const SizeTargetReport& report) {
    return Search(options, target, encode, report).Run();
}

DocumentSaveError SaveGifToBytes(AnimDoc& doc, const WriteOptions& options, std::string& bytes) {
    TempFile temp(".gif");
    if (temp.path.empty()) return DocumentSaveError::kOpenFailed;
    WriteOptions once = options;
    // A save keeps the global palette it made, which the next one would reuse
    // whatever its colour count.
    const Palette global = doc.globalPalette;
    DocumentSaveError error = SaveGif(nullptr, temp.path, doc, once);
    doc.globalPalette = global;
    if (error == DocumentSaveError::kNone && !ReadWholeFile(temp.path, bytes)) error = DocumentSaveError::kWriteFailed;
    return error;
}

std::optional<double> ComposedPsnr(const AnimDoc& original, const AnimDoc& written) {
    if (original.screenWidth != written.screenWidth || original.screenHeight != written.screenHeight ||
        original.frameCount != written.frameCount)
        return std::nullopt;
    Composition a, b;
    if (!StartComposition(a, original.screenWidth, original.screenHeight) ||
        !StartComposition(b, written.screenWidth, written.screenHeight))
        return std::nullopt;
    double squares = 0;
    uint64_t samples = 0;
    const Frame* f = original.firstFrame.get();
    const Frame* g = written.firstFrame.get();
    for (bool first = true; f && g; f = f->next.get(), g = g->next.get(), first = false) {
        if (!ComposeFrame(a, *f, first) || !ComposeFrame(b, *g, first)) return std::nullopt;
        for (size_t i = 0; i < a.screen.size(); ++i) {
            const uint32_t p = a.screen[i], q = b.screen[i];
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF);
                squares += double(d * d);
            }
            samples += 3;
        }
    }
    if (samples == 0 || squares == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * double(samples) / squares);
}

bool WriteGifWithinTarget(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options) {
    if (options.TargetSize <= 0) return WriteGif(owner, path, doc, options);
    const SizeTargetResult found =
        SearchTargetSize(options, uint64_t(options.TargetSize), [&](const WriteOptions& o, std::string& bytes) {
            return SaveGifToBytes(doc, o, bytes);
        });
    switch (found.outcome) {
        case SizeTargetResult::Outcome::kCancelled:
            return false;
        case SizeTargetResult::Outcome::kFailed:
            ShowError(owner, "書き込みに失敗しました。");
            return false;
        case SizeTargetResult::Outcome::kTooLarge: {
            char text[256];
            std::snprintf(text, sizeof text,
                          "%s バイトに収まりません。ロッシー 200、8 色まで試した中で最も小さいファイル (ロッシー %d、%d 色) でも %s バイトになります。",
                          std::to_string(options.TargetSize).c_str(), found.lossiness, found.maxColors,
                          std::to_string(found.file.size()).c_str());
            ShowError(owner, text);
            return false;
        }
        case SizeTargetResult::Outcome::kFits:
            break;
    }
    SafeFile file;
    if (!file.Open(path)) {
        ShowError(owner, "ファイルオープンに失敗しました。");
        return false;
    }
    if (!file.Write(found.file.data(), found.file.size()) || !file.Commit()) {
        ShowError(owner, "書き込みに失敗しました。");
        return false;
    }
    options.AlwaysDither = 0;
    return true;
}

std::optional<uint64_t> ParseByteSize(const std::string& text) {
    uint64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end == first || value == 0) return std::nullopt;
    std::string unit(end, last);
    for (char& c : unit) c = char(std::toupper(static_cast<unsigned char>(c)));
    uint64_t scale = 1;
    if (unit == "K" || unit == "KB") scale = 1024;
    else if (unit == "M" || unit == "MB") scale = 1024 * 1024;
    else if (!unit.empty() && unit != "B") return std::nullopt;
    if (value > std::numeric_limits<uint64_t>::max() / scale) return std::nullopt;
    return value * scale;
}

}  // namespace kivo
