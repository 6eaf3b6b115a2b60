// Helpers shared by the tests: byte builders, temporary folders, pixel access.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "doc/types.h"

namespace kivo::test {

// Little-endian byte builder for hand-made files.
struct Bytes {
    std::vector<uint8_t> data;
    // Out of line: inlined into long builder chains, GCC 12 reports a false
    // -Wstringop-overflow in Release builds.
    Bytes& u8(uint8_t v);
    Bytes& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    Bytes& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    Bytes& str(const std::string& s);
    Bytes& raw(const std::vector<uint8_t>& v);
    Bytes& fill(size_t n, uint8_t v);
    size_t size() const { return data.size(); }
};

// A fresh folder under TempDir, removed with everything in it at destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// Runs the kivo-cli binary (path in $KIVO_CLI) with args, as a shell would,
// collecting its standard output; standard error goes to stderrTo ("&1" joins
// it to the output, or a file path).
struct CliRun {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;
};
CliRun RunCli(const std::string& args, const std::string& stderrTo = "&1");

// s in single quotes for a POSIX shell, its own quotes escaped.
std::string ShellQuote(const std::string& s);
// Runs a shell command, collecting its standard output into out; true when it
// exited with status 0. For the outside programs the oracles ask.
bool CaptureCommand(const std::string& command, std::string& out);

// Pixel (x, y), y counted from the top, of a 24-bit DIB.
Rgb PixelOf(const Dib& dib, int x, int y);
void SetPixel(Dib& dib, int x, int y, Rgb c);
// A 24-bit DIB filled by f(x, y) (y from the top).
template <typename F>
Dib MakeImage(int width, int height, F f);

}  // namespace kivo::test

#include "support/test_support_inl.h"
