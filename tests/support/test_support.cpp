#include "support/test_support.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>

#include <filesystem>
#include <fstream>

#include "doc/dib.h"
#include "platform/platform.h"

namespace kivo::test {

Bytes& Bytes::u8(uint8_t v) {
    data.push_back(v);
    return *this;
}
Bytes& Bytes::str(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
}
Bytes& Bytes::raw(const std::vector<uint8_t>& v) {
    data.insert(data.end(), v.begin(), v.end());
    return *this;
}
Bytes& Bytes::fill(size_t n, uint8_t v) {
    data.insert(data.end(), n, v);
    return *this;
}

TempFolder::TempFolder() {
    std::string pattern = TempDir() + "/kivo-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data())) path_ = name.data();
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool CaptureCommand(const std::string& command, std::string& out) {
    out.clear();
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    return pclose(p) == 0;
}

CliRun RunCli(const std::string& args, const std::string& stderrTo) {
    const char* cli = std::getenv("KIVO_CLI");
    const std::string cmd = std::string(cli ? cli : "kivo-cli") + " " + args + " 2>" + stderrTo;
    CliRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

Rgb PixelOf(const Dib& dib, int x, int y) {
    const size_t stride = DibRowBytes(DibWidth(dib), 24);
    const uint8_t* p = DibPixels(dib) + (size_t(DibHeight(dib)) - 1 - size_t(y)) * stride + 3 * size_t(x);
    return Rgb{p[2], p[1], p[0]};
}

void SetPixel(Dib& dib, int x, int y, Rgb c) {
    const size_t stride = DibRowBytes(DibWidth(dib), 24);
    uint8_t* p = DibPixels(dib) + (size_t(DibHeight(dib)) - 1 - size_t(y)) * stride + 3 * size_t(x);
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

}  // namespace kivo::test
