// The picture-carrying parts of an MNG: PNG datastreams (IHDR … IEND), decoded by
// the PNG reader with the global palette chunks spliced in, and JNG datastreams
// (JHDR … IEND), whose JPEG data is decoded from memory.
#include <algorithm>
#include <cstring>

#include "options/write_options.h"
#include "jpeg/jpeg_reader.h"
#include "mng/mng_reader_internal.h"
#include "png/png_reader.h"

namespace kivo {

namespace {

// What the chunks of a PNG datastream between IHDR and IEND tell, each CRC
// checked on the way.
struct PngScan {
    uint64_t end = 0;  // just past IEND
    bool sawData = false;
    bool ownPlte = false, ownTrns = false;
    uint64_t firstDataAt = 0;
    bool emptyPlte = false;
    uint64_t emptyPlteAt = 0;
    Palette palette;  // its own PLTE, when a palette is kept and it fits 256 entries
};

bool ScanPngDatastream(MngReader& r, const InputChunk& ihdr, bool wantPalette, PngScan& scan) {
    for (uint64_t at = ihdr.end();;) {
        InputChunk c;
        if (!ReadChunk(r.in, at, c)) return false;
        at = c.end();
        const uint64_t offset = c.at - ihdr.at;
        if (c.Is("IEND")) {
            scan.end = at;
            return true;
        }
        if (c.Is("PLTE")) {
            if (c.length == 0) {
                if (!scan.emptyPlte) scan.emptyPlteAt = offset;
                scan.emptyPlte = true;
                continue;
            }
            scan.ownPlte = true;
            scan.palette.clear();
            if (wantPalette && c.length <= 768) {
                std::span<const uint8_t> data = ChunkData(r.in, c);
                if (data.size() != c.length) return false;
                for (size_t i = 0; i + 3 <= data.size(); i += 3)
                    scan.palette.push_back(Rgb{data[i], data[i + 1], data[i + 2]});
            }
        } else if (c.Is("tRNS") || c.Is("IDAT") || c.Is("bKGD") || c.Is("sBIT") || c.Is("gAMA")) {
            if (c.Is("tRNS")) scan.ownTrns = true;
            if (!scan.sawData) scan.firstDataAt = offset;
            scan.sawData = true;
        }
    }
}

}  // namespace

bool ReadPngDatastream(MngReader& r, const InputChunk& ihdr) {
    if (ihdr.length != 13) return false;
    std::span<const uint8_t> view = ChunkData(r.in, ihdr);
    if (view.size() != 13) return false;
    uint8_t header[13];
    std::memcpy(header, view.data(), sizeof header);
    const uint8_t depth = header[8];
    const bool palette = header[9] == 3;
    Frame& f = PendingFrame(r);

    // When asked to keep PNG palettes, a palette image keeps the colour table it is drawn
    // with: its own, or room for every index that the global one fills in.
    const bool depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8;
    bool keep = r.keepPngPalette && (!palette || depthOk);
    PngScan scan;
    if (!ScanPngDatastream(r, ihdr, keep && palette, scan)) return false;
    if (!scan.sawData || (palette && !scan.ownPlte && r.globalPlte.empty())) return false;

    Palette kept;
    PngInMng s;
    if (keep && palette) {
        const size_t room = size_t(1) << depth;
        if (!scan.ownPlte) kept.assign(room, Rgb{});
        else if (!scan.palette.empty() && scan.palette.size() <= room) kept = std::move(scan.palette);
        else keep = false;  // a palette beyond its depth's room is not kept
        if (keep) s.keptTable = &kept;
    }
    s.keepPalette = keep;
    s.length = scan.end - ihdr.at;
    s.read = [&r, base = ihdr.at](uint64_t offset, size_t n) { return r.in.Read(base + offset, n); };
    s.globalPlte = r.globalPlte;
    s.globalTrns = r.globalTrns;
    s.palette = palette;
    s.ownPlte = scan.ownPlte;
    s.ownTrns = scan.ownTrns;
    s.firstDataAt = scan.firstDataAt;
    s.emptyPlte = scan.emptyPlte;
    s.emptyPlteAt = scan.emptyPlteAt;
    if (PngReadError error = ReadPngInMng(s, f)) {
        r.error.kind = MngReadError::Kind::kPng;
        r.error.png = std::move(error);
        return false;
    }
    if (!PixelsBacked(r, uint32_t(f.width), uint32_t(f.height), s.length)) return false;
    r.pendingFrame = nullptr;
    r.position = scan.end;
    return true;
}

bool ReadJngDatastream(MngReader& r, const InputChunk& jhdr) {
    // The header's size and depth are the JPEG data's own business.
    if (jhdr.length != 16) return false;
    Frame& f = PendingFrame(r);
    std::vector<uint8_t> jpeg;
    // The image data may come in several JDAT chunks, to be joined like IDAT;
    // after a JSEP come the same pictures' 12-bit samples, which libjpeg's
    // 8-bit decoder cannot use.
    bool separated = false;
    uint64_t at = jhdr.end();
    for (;;) {
        InputChunk c;
        if (!ReadChunk(r.in, at, c)) return false;
        at = c.end();
        if (c.Is("IEND")) break;
        if (c.Is("tEXt") || c.Is("zTXt")) {
            if (!HandleText(r, c, f.textKeys)) return false;
        } else if (c.Is("JDAT")) {
            if (separated) continue;
            for (uint32_t done = 0; done < c.length;) {
                const size_t n = std::min<size_t>(c.length - done, 64 * 1024);
                std::span<const uint8_t> piece = r.in.Read(c.dataAt() + done, n);
                if (piece.size() != n) return false;
                jpeg.insert(jpeg.end(), piece.begin(), piece.end());
                done += uint32_t(n);
            }
        } else if (c.Is("JSEP")) {
            separated = true;
        } else if (!IsKnownChunk(c)) {
            return false;
        }
    }
    if (jpeg.empty()) return false;
    JpegReadError error = ReadJpegBytes(jpeg, f);
    if (error) {
        r.error.kind = MngReadError::Kind::kJpeg;
        r.error.jpeg = std::move(error);
        return false;
    }
    if (!error.warning.empty()) r.error.warnings.push_back(std::move(error.warning));
    if (!PixelsBacked(r, uint32_t(f.width), uint32_t(f.height), jpeg.size())) return false;
    r.pendingFrame = nullptr;
    r.position = at;
    return true;
}

}  // namespace kivo
