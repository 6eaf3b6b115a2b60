// Runs a fuzz target's entry point over saved inputs without libFuzzer, so the
// ordinary build (any compiler, with or without the sanitizers) keeps every
// seed and every past finding passing.
//
//   fuzz_<target>_replay PATH...
//
// A PATH is a file or a directory whose files are all run, in name order so
// that a failure reproduces. Each file is named on stderr before it runs: when
// one crashes or traps, the last line names it. Finding nothing to run is a
// failure too, so a corpus that was moved or emptied cannot pass unnoticed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Only some targets define it; left undefined, its address is null.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

// The files to run, directories expanded in name order; false when a path
// cannot be read.
bool Collect(const char* arg, std::vector<fs::path>& files) {
    std::error_code ec;
    const fs::path path(arg);
    if (fs::is_regular_file(path, ec)) {
        files.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, ec)) {
        std::fprintf(stderr, "replay: %s is neither a file nor a directory\n", arg);
        return false;
    }
    std::vector<fs::path> inside;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) inside.push_back(it->path());
    if (ec) {
        std::fprintf(stderr, "replay: cannot list %s: %s\n", arg, ec.message().c_str());
        return false;
    }
    std::sort(inside.begin(), inside.end());
    files.insert(files.end(), inside.begin(), inside.end());
    return true;
}

// The bytes go into a block of exactly their size, as libFuzzer passes them, so
// the address sanitizer sees a read one byte past the end.
bool RunOne(const fs::path& file) {
    std::fprintf(stderr, "replay: %s\n", file.c_str());
    std::fflush(stderr);
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
        return false;
    }
    const std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    return true;
}

// Targets that write files put them under TMPDIR; a directory of our own keeps
// them apart from a parallel run and leaves nothing behind.
fs::path MakeTempDir() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "kivo-replay-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return {};
    setenv("TMPDIR", pattern.c_str(), 1);
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i)
        if (!Collect(argv[i], files)) return 1;
    if (files.empty()) {
        std::fprintf(stderr, "replay: no inputs found\n");
        return 1;
    }
    const fs::path temp = MakeTempDir();
    if (temp.empty()) {
        std::perror("replay: cannot make a temporary directory");
        return 1;
    }
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    bool ok = true;
    for (const fs::path& file : files) ok = RunOne(file) && ok;
    std::error_code ec;
    fs::remove_all(temp, ec);
    std::fprintf(stderr, "replay: %zu inputs run\n", files.size());
    return ok ? 0 : 1;
}
