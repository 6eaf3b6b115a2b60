// Independent judges of the MNG files we write: libmng plays a file's bytes and
// hands back what a viewer would show, frame by frame with its time; pngcheck
// checks chunk order, CRCs and each chunk's contents; and a plain chunk lister
// lets tests look at the exact bytes of the small chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::test {

// One shown frame: the whole canvas as red, green, blue, alpha rows, top first,
// and how long libmng keeps it before the next one.
struct OracleMngFrame {
    std::vector<uint8_t> rgba;
    uint32_t delayMs = 0;
};

struct OracleMng {
    bool ok = false;
    std::string error;
    uint32_t width = 0, height = 0;
    uint32_t simplicity = 0;
    std::vector<OracleMngFrame> frames;
    std::vector<std::pair<std::string, std::string>> texts;  // every tEXt/zTXt seen
    uint8_t pixelAlpha(const OracleMngFrame& f, uint32_t x, uint32_t y) const {
        return f.rgba[(size_t(y) * width + x) * 4 + 3];
    }
};

#ifdef KIVO_HAVE_LIBMNG
inline constexpr bool kHaveLibmng = true;
#else
inline constexpr bool kHaveLibmng = false;
#endif
#define KIVO_SKIP_WITHOUT_LIBMNG()   \
    if (!::kivo::test::kHaveLibmng)  \
    GTEST_SKIP() << "libmng was not found when the tests were configured (install libmng-dev)"

// Plays the file until it ends or maxFrames frames were shown (a looping file
// never ends). Without libmng, ok is false.
OracleMng DecodeWithLibmng(const std::vector<uint8_t>& bytes, size_t maxFrames = 64);

// pngcheck -v on a file: whether it found the file valid, and what it said.
struct PngcheckResult {
    bool ran = false;  // false: pngcheck is not installed
    bool ok = false;
    std::string output;
};
PngcheckResult RunPngcheck(const std::string& path);
// Whether pngcheck found the file valid. pngcheck judges a frame's own tRNS
// against the frame's empty PLTE rather than the global palette it stands for,
// and stops there; that one complaint is not counted, libmng judges such files.
bool PngcheckAccepts(const PngcheckResult& result);
#define KIVO_SKIP_WITHOUT_PNGCHECK(result) \
    if (!(result).ran) GTEST_SKIP() << "pngcheck is not installed (scripts/install-deps.sh installs it)"

// The chunks of an MNG, PNG or JNG file after its 8-byte signature, in order.
struct ChunkView {
    std::string type;
    std::vector<uint8_t> data;
    bool crcOk = false;
};
std::vector<ChunkView> ListChunks(const std::vector<uint8_t>& bytes, size_t start = 8);
std::vector<std::string> ChunkTypes(const std::vector<ChunkView>& chunks);
uint32_t U32At(const std::vector<uint8_t>& data, size_t at);

}  // namespace kivo::test
