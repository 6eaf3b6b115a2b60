// The MNG chunks that set up the animation rather than carry pictures: header,
// loop, placement, framing, global palette chunks and texts.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "mng/mng_reader_internal.h"

namespace kivo {

namespace {

// Numbers MNG stores as unsigned 32 bits, for fields of the document's signed
// 32 bits: anything larger is as good as the largest.
int32_t Clamped(uint32_t v) { return v > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(v); }

// The chunk's data when it has at most `limit` bytes; false for longer chunks and
// failed reads. The view lasts until the next read.
bool SmallData(MngReader& r, const InputChunk& chunk, size_t limit, std::span<const uint8_t>& data) {
    if (chunk.length > limit) return false;
    data = ChunkData(r.in, chunk);
    return data.size() == chunk.length;
}

// The whole data of a chunk of any length, read in pieces.
template <typename Bytes>
bool AllData(MngReader& r, const InputChunk& chunk, Bytes& out) {
    constexpr size_t kPiece = 64 * 1024;
    out.clear();
    out.reserve(chunk.length);
    for (uint32_t done = 0; done < chunk.length;) {
        const size_t n = std::min<size_t>(chunk.length - done, kPiece);
        std::span<const uint8_t> piece = r.in.Read(chunk.dataAt() + done, n);
        if (piece.size() != n) return false;
        out.insert(out.end(), piece.begin(), piece.end());
        done += uint32_t(n);
    }
    return true;
}

void AddOrThrow(TextKeyList& keys, std::string_view key, std::string_view text) {
    if (!AddKey(keys, key, text)) throw std::bad_alloc();
}

}  // namespace

TextInflater::TextInflater() = default;

TextInflater::~TextInflater() {
    if (ready_) inflateEnd(&stream_);
}

bool TextInflater::Inflate(std::span<const uint8_t> in, std::string& out) {
    if (!ready_) {
        if (inflateInit(&stream_) != Z_OK) throw std::bad_alloc();
        ready_ = true;
    } else if (inflateReset(&stream_) != Z_OK) {
        return false;
    }
    out.clear();
    const size_t limit = std::min(kMaxText, allowance_);
    stream_.next_in = const_cast<Bytef*>(in.data());
    stream_.avail_in = uInt(in.size());
    uint8_t block[8192];
    for (;;) {
        stream_.next_out = block;
        stream_.avail_out = sizeof block;
        const int status = inflate(&stream_, Z_NO_FLUSH);
        const size_t produced = sizeof block - stream_.avail_out;
        if (produced > limit - out.size()) return false;
        out.append(reinterpret_cast<const char*>(block), produced);
        if (status == Z_STREAM_END) {
            allowance_ -= out.size();
            return true;
        }
        if (status == Z_MEM_ERROR) throw std::bad_alloc();
        // Z_BUF_ERROR here means the data ended before the stream did.
        if (status != Z_OK) return false;
    }
}

Frame& PendingFrame(MngReader& r) {
    if (r.pendingFrame) return *r.pendingFrame;
    if (!AppendFrame(r.doc)) throw std::bad_alloc();
    Frame* f = r.doc.currentFrame;
    f->left = r.x;
    f->top = r.y;
    f->disposal = DisposalForFramingMode(r.framingMode);
    f->delay = r.defaultDelay;
    f->hasDelay = f->delay != 0;
    r.beforePending = r.lastFrame;
    r.lastFrame = f;
    r.pendingFrame = f;
    return *f;
}

bool HandleMhdr(MngReader& r, const InputChunk& chunk) {
    std::span<const uint8_t> data;
    if (chunk.length != 28 || !SmallData(r, chunk, 28, data)) return false;
    const uint32_t profile = Be32(&data[24]);
    // Delta-PNG images build on earlier ones in ways this reader does not follow.
    if ((profile & 1) && (profile & 0x20)) return false;
    AnimDoc& d = r.doc;
    d.screenWidth = Clamped(Be32(&data[0]));
    d.screenHeight = Clamped(Be32(&data[4]));
    r.ticksPerSecond = Be32(&data[8]);
    d.ticksPerSecond = Clamped(r.ticksPerSecond);
    d.mhdrProfile = int32_t(profile);
    return true;
}

bool HandleTerm(MngReader& r, const InputChunk& chunk) {
    std::span<const uint8_t> data;
    if ((chunk.length != 1 && chunk.length != 10) || !SmallData(r, chunk, 10, data)) return false;
    AnimDoc& d = r.doc;
    d.termAction = data[0];
    if (data[0] == 3) d.loopEnabled = 1;
    if (data.size() == 10) {
        d.termAfterAction = data[1];
        d.termDelay = Clamped(Be32(&data[2]));
        const uint32_t most = Be32(&data[6]);
        // Plays `most` times: the loop block's count is the repeats after the first.
        if (most == 1) d.loopEnabled = 0;
        else d.loopCount = most >= 2 && most <= 65535 ? int32_t(most - 1) : 0;
    }
    return true;
}

bool HandleDefi(MngReader& r, const InputChunk& chunk) {
    std::span<const uint8_t> data;
    if (!SmallData(r, chunk, 27, data)) return false;
    // Only the place is used; without one the place goes back to the corner.
    r.x = data.size() >= 12 ? int32_t(Be32(&data[4])) : 0;
    r.y = data.size() >= 12 ? int32_t(Be32(&data[8])) : 0;
    Frame& f = PendingFrame(r);
    f.left = r.x;
    f.top = r.y;
    return true;
}

bool HandleFram(MngReader& r, const InputChunk& chunk) {
    std::span<const uint8_t> view;
    if (!SmallData(r, chunk, 128, view)) return false;
    uint8_t data[128];
    const size_t size = view.size();
    if (size) std::memcpy(data, view.data(), size);

    if (size > 0 && data[0] != 0) r.framingMode = data[0];
    Frame& f = PendingFrame(r);

    int32_t delay = r.defaultDelay;
    if (size >= 2) {
        // The subframe name ends with a zero within 80 bytes; a chunk may also end
        // inside the name, and then nothing else changes.
        const size_t searched = std::min<size_t>(size - 1, 80);
        const auto* zero = static_cast<const uint8_t*>(std::memchr(data + 1, 0, searched));
        if (!zero && searched == 80) return false;
        if (zero) {
            const size_t changes = size_t(zero - data) + 1;
            // A change whose delay field is cut off changes nothing.
            if (changes + 8 <= size && data[changes] != 0) {
                delay = Clamped(Be32(data + changes + 4));
                if (data[changes] == 2) r.defaultDelay = delay;
            }
        }
    }

    // The mode says what happens after a frame is shown: it belongs to the frame
    // before this one, and before the first frame to the last one (the
    // animation starts over after it).
    const int16_t disposal = DisposalForFramingMode(r.framingMode);
    if (r.pendingFrame == r.doc.firstFrame.get()) {
        r.preFirstFrameModeSet = true;
        r.preFirstFrameMode = r.framingMode;
    } else if (r.beforePending) {
        r.beforePending->disposal = disposal;
    }
    f.delay = delay;
    f.hasDelay = delay != 0;
    return true;
}

bool HandleGlobal(MngReader& r, const InputChunk& chunk, std::vector<uint8_t>& store) {
    constexpr size_t kPiece = 64 * 1024;
    const uint64_t whole = uint64_t(chunk.length) + 12;
    store.clear();
    store.reserve(size_t(whole));
    for (uint64_t done = 0; done < whole;) {
        const size_t n = size_t(std::min<uint64_t>(whole - done, kPiece));
        std::span<const uint8_t> piece = r.in.Read(chunk.at + done, n);
        if (piece.size() != n) return false;
        store.insert(store.end(), piece.begin(), piece.end());
        done += n;
    }
    return true;
}

bool HandleText(MngReader& r, const InputChunk& chunk, TextKeyList& keys) {
    std::string data;
    if (!AllData(r, chunk, data)) return false;
    const size_t zero = data.find('\0');
    if (chunk.Is("tEXt")) {
        if (zero == std::string::npos) AddOrThrow(keys, data, {});
        else AddOrThrow(keys, std::string_view(data).substr(0, zero), std::string_view(data).substr(zero + 1));
        return true;
    }
    // zTXt: keyword, zero, compression method 0 (deflate), the zlib stream. A text
    // in a form we cannot read is passed over, as an unknown ancillary chunk is.
    if (zero == std::string::npos || zero + 1 >= data.size() || data[zero + 1] != 0) return true;
    std::string text;
    const auto* stream = reinterpret_cast<const uint8_t*>(data.data()) + zero + 2;
    if (!r.inflater.Inflate({stream, data.size() - zero - 2}, text)) return false;
    AddOrThrow(keys, std::string_view(data).substr(0, zero), text);
    return true;
}

bool PixelsBacked(MngReader& r, uint64_t width, uint64_t height, uint64_t dataBytes) {
    uint64_t area = 0, backed = 0;
    if (__builtin_mul_overflow(width, height, &area)) return false;
    if (__builtin_mul_overflow(dataBytes, uint64_t(kPixelsPerDataByte), &backed)) return true;
    if (area <= backed) return true;
    if (area - backed > r.unbackedPixels) return false;
    r.unbackedPixels -= size_t(area - backed);
    return true;
}

bool IsKnownChunk(const InputChunk& chunk) {
    static const char* const kKnown[] = {
        // MNG
        "MHDR", "MEND", "LOOP", "ENDL", "DEFI", "BASI", "CLON", "PAST", "DISC", "BACK", "FRAM",
        "MOVE", "CLIP", "SHOW", "TERM", "SAVE", "SEEK", "DHDR", "PROM", "IPNG", "PPLT", "IJNG",
        "DROP", "DBYK", "ORDR", "MAGN",
        // PNG and JNG
        "IHDR", "PLTE", "IDAT", "IEND", "JHDR", "JDAT", "JDAA", "JSEP"};
    if (!chunk.IsCritical()) return true;
    for (const char* name : kKnown)
        if (chunk.Is(name)) return true;
    return false;
}

}  // namespace kivo
