// Fitting a GIF into a size: the write options of the best-looking file that is
// no larger than the target. Lossiness is tried first, as it keeps every colour;
// only when even the strongest lossiness is too large are fewer colours tried
// (128, 64 … 8), each again with the least lossiness that fits. Frames are never
// dropped or scaled. The search is bounded: at most 8 saves for the lossiness
// of one colour count, one to rule a colour count out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "save/document_save.h"

namespace kivo {

// One encoding of the document with the given options into bytes.
using GifBytesEncoder = std::function<DocumentSaveError(const WriteOptions& options, std::string& bytes)>;

struct SizeTargetResult {
    enum class Outcome { kFits, kTooLarge, kFailed, kCancelled };
    Outcome outcome = Outcome::kFailed;
    int lossiness = 0;  // of the file below
    int maxColors = 0;
    std::string file;   // the chosen file; when nothing fits, the smallest one made
    int saves = 0;      // encodings tried
};

// Called after every encoding with its settings and size; its answer is not used.
using SizeTargetReport = std::function<void(int lossiness, int maxColors, uint64_t bytes)>;

// Searches from options (its MaxColors is the most colours tried, its
// Lossiness is ignored) for a file of at most target bytes.
SizeTargetResult SearchTargetSize(const WriteOptions& options, uint64_t target, const GifBytesEncoder& encode,
                                  const SizeTargetReport& report = {});

// The GIF doc saves to with options, in memory (through a temporary file, which
// is gone afterwards). The document is left as it was, global palette included.
DocumentSaveError SaveGifToBytes(AnimDoc& doc, const WriteOptions& options, std::string& bytes);

// The peak signal-to-noise ratio, in dB, of written against original over every
// composed frame, all three channels: how faithfully the file shows the
// animation. Nothing when the two differ in screen size or frame count;
// infinity when they are the same.
std::optional<double> ComposedPsnr(const AnimDoc& original, const AnimDoc& written);

// The GIF save of the editor's Save commands: WriteGif, or with
// options.TargetSize set, the file the search finds. A target nothing reaches
// is an error shown to owner, and nothing is written.
bool WriteGifWithinTarget(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options);

// "500K", "2M", "123456" (K and M as 1024 and 1024²) as bytes; nothing for
// anything else, 0 included.
std::optional<uint64_t> ParseByteSize(const std::string& text);

}  // namespace kivo
