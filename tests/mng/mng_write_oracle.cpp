#include "mng/mng_write_oracle.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef KIVO_HAVE_LIBMNG
#include <libmng.h>
#endif

namespace kivo::test {

#ifdef KIVO_HAVE_LIBMNG
namespace {

// Everything libmng talks to: the bytes it reads, the canvas it draws on, a
// clock that moves only when a frame's delay has been taken.
struct Player {
    const std::vector<uint8_t>* bytes = nullptr;
    size_t pos = 0;
    OracleMng* result = nullptr;
    std::vector<uint8_t> canvas;
    uint32_t clock = 0;
    uint32_t pendingDelay = 0;
    bool timerSet = false;
};

Player& PlayerOf(mng_handle h) { return *static_cast<Player*>(mng_get_userdata(h)); }

mng_ptr MNG_DECL Alloc(mng_size_t n) { return std::calloc(1, n); }
void MNG_DECL Free(mng_ptr p, mng_size_t) { std::free(p); }
mng_bool MNG_DECL Open(mng_handle) { return MNG_TRUE; }
mng_bool MNG_DECL Close(mng_handle) { return MNG_TRUE; }

mng_bool MNG_DECL Read(mng_handle h, mng_ptr buf, mng_uint32 len, mng_uint32p got) {
    Player& p = PlayerOf(h);
    const size_t n = std::min<size_t>(len, p.bytes->size() - p.pos);
    std::memcpy(buf, p.bytes->data() + p.pos, n);
    p.pos += n;
    *got = mng_uint32(n);
    return MNG_TRUE;
}

mng_bool MNG_DECL Header(mng_handle h, mng_uint32 width, mng_uint32 height) {
    Player& p = PlayerOf(h);
    p.result->width = width;
    p.result->height = height;
    p.canvas.assign(size_t(width) * height * 4, 0);
    mng_set_canvasstyle(h, MNG_CANVAS_RGBA8);
    return MNG_TRUE;
}

mng_ptr MNG_DECL Line(mng_handle h, mng_uint32 y) {
    Player& p = PlayerOf(h);
    return p.canvas.data() + size_t(y) * p.result->width * 4;
}

mng_bool MNG_DECL Refresh(mng_handle, mng_uint32, mng_uint32, mng_uint32, mng_uint32) { return MNG_TRUE; }
mng_uint32 MNG_DECL Ticks(mng_handle h) { return PlayerOf(h).clock; }

mng_bool MNG_DECL SetTimer(mng_handle h, mng_uint32 ms) {
    Player& p = PlayerOf(h);
    p.pendingDelay = ms;
    p.timerSet = true;
    return MNG_TRUE;
}

mng_bool MNG_DECL Text(mng_handle h, mng_uint8, mng_pchar key, mng_pchar text, mng_pchar, mng_pchar) {
    PlayerOf(h).result->texts.emplace_back(key ? key : "", text ? text : "");
    return MNG_TRUE;
}

std::string LastError(mng_handle h, mng_retcode code) {
    mng_int8 severity = 0;
    mng_chunkid chunk = 0;
    mng_uint32 seq = 0;
    mng_int32 e1 = 0, e2 = 0;
    mng_pchar text = nullptr;
    mng_getlasterror(h, &severity, &chunk, &seq, &e1, &e2, &text);
    char buf[160];
    std::snprintf(buf, sizeof buf, "libmng error %d in chunk %c%c%c%c (#%u): %s", int(code),
                  char(chunk >> 24), char(chunk >> 16), char(chunk >> 8), char(chunk), seq,
                  text ? text : "");
    return buf;
}

}  // namespace
#endif

OracleMng DecodeWithLibmng(const std::vector<uint8_t>& bytes, size_t maxFrames) {
    OracleMng result;
#ifdef KIVO_HAVE_LIBMNG
    Player player;
    player.bytes = &bytes;
    player.result = &result;
    mng_handle h = mng_initialize(&player, Alloc, Free, MNG_NULL);
    if (!h) {
        result.error = "mng_initialize failed";
        return result;
    }
    mng_setcb_openstream(h, Open);
    mng_setcb_closestream(h, Close);
    mng_setcb_readdata(h, Read);
    mng_setcb_processheader(h, Header);
    mng_setcb_getcanvasline(h, Line);
    mng_setcb_refresh(h, Refresh);
    mng_setcb_gettickcount(h, Ticks);
    mng_setcb_settimer(h, SetTimer);
    mng_setcb_processtext(h, Text);
    mng_retcode rc = mng_read(h);
    if (rc != MNG_NOERROR) {
        result.error = LastError(h, rc);
        mng_cleanup(&h);
        return result;
    }
    result.simplicity = mng_get_simplicity(h);
    rc = mng_display(h);
    // Every timer libmng asks for ends a shown frame; the clock then jumps by it.
    while (rc == MNG_NEEDTIMERWAIT && result.frames.size() < maxFrames) {
        result.frames.push_back({player.canvas, player.pendingDelay});
        player.clock += player.pendingDelay;
        rc = mng_display_resume(h);
    }
    if (rc == MNG_NOERROR || rc == MNG_NEEDTIMERWAIT) {
        // The last frame stays up without a timer once the file has ended.
        if (rc == MNG_NOERROR) result.frames.push_back({player.canvas, 0});
        result.ok = true;
    } else {
        result.error = LastError(h, rc);
    }
    mng_cleanup(&h);
#else
    (void)bytes;
    (void)maxFrames;
    result.error = "built without libmng";
#endif
    return result;
}

PngcheckResult RunPngcheck(const std::string& path) {
    PngcheckResult r;
    if (std::system("command -v pngcheck >/dev/null 2>&1") != 0) return r;
    r.ran = true;
    const std::string command = "pngcheck -v '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
    r.ok = pclose(pipe) == 0;
    return r;
}

bool PngcheckAccepts(const PngcheckResult& result) {
    if (result.ok) return true;
    const std::string& out = result.output;
    const size_t trns = out.rfind("chunk tRNS");
    const size_t plte = out.rfind("chunk PLTE");
    return trns != std::string::npos && plte != std::string::npos && plte < trns &&
           out.find("length 0:", plte) < trns &&
           out.find("invalid length for palette image", trns) != std::string::npos &&
           out.find("ERRORS DETECTED", trns) != std::string::npos &&
           out.find("chunk ", trns + 1) == std::string::npos;
}

uint32_t U32At(const std::vector<uint8_t>& data, size_t at) {
    return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 |
           data[at + 3];
}

std::vector<ChunkView> ListChunks(const std::vector<uint8_t>& bytes, size_t start) {
    std::vector<ChunkView> chunks;
    size_t pos = start;
    while (pos + 12 <= bytes.size()) {
        const uint32_t length = U32At(bytes, pos);
        if (length > bytes.size() - pos - 12) break;
        ChunkView c;
        c.type.assign(reinterpret_cast<const char*>(&bytes[pos + 4]), 4);
        c.data.assign(bytes.begin() + std::ptrdiff_t(pos + 8), bytes.begin() + std::ptrdiff_t(pos + 8 + length));
        const uLong crc = crc32(0, &bytes[pos + 4], uInt(length + 4));
        c.crcOk = crc == U32At(bytes, pos + 8 + length);
        chunks.push_back(std::move(c));
        pos += 12 + size_t(length);
    }
    return chunks;
}

std::vector<std::string> ChunkTypes(const std::vector<ChunkView>& chunks) {
    std::vector<std::string> types;
    for (const ChunkView& c : chunks) types.push_back(c.type);
    return types;
}

}  // namespace kivo::test
