// Undo and redo through the editor's command logic, timed against reading the
// same GIF again: the numbers compare_undo.sh reports.
//   undo_history IN.gif [RUNS]
// For each edit (deleting every frame, optimising frame sizes) it prints the
// best time of an undo and of a redo as a fraction of the best read, and the
// peak resident memory while undoing and redoing as a multiple of the bytes
// the document itself holds (its frames' buffers and fields).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "app/shell.h"
#include "doc/selection.h"
#include "gif/gif_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

class HeadlessUi : public kivo::ShellUi {
public:
    kivo::OwnerWindow Owner() override { return nullptr; }
    kivo::SaveAnswer AskSaveChanges(const std::string&) override { return kivo::SaveAnswer::kNo; }
    bool AskOkCancel(const std::string&) override { return false; }
    std::optional<std::string> ChooseOpenPath() override { return {}; }
    std::optional<std::string> ChooseSavePath(const std::string&) override { return {}; }
    std::vector<std::string> ChooseFramePaths() override { return {}; }
    std::optional<std::string> ChooseAviSavePath(const std::string&) override { return {}; }
    std::optional<std::string> ChooseAviEncoder() override { return {}; }
    bool AskAviRetry(const std::string&) override { return false; }
    bool RunOptionsDialog(bool) override { return true; }
    void RefreshPanel() override {}
    void SetCaption(const std::string&) override {}
    void FormatModeChanged() override {}
};

double Seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// VmRSS or VmHWM of this process in bytes.
size_t StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return size_t(std::strtoull(line.c_str() + std::string(key).size(), nullptr, 10)) * 1024;
    return 0;
}

// Makes the peak resident size start again from the current one.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

size_t DocumentBytes(const kivo::AnimDoc& doc) {
    size_t n = sizeof(doc);
    for (const kivo::Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        n += sizeof(*f) + f->dib.capacity() + f->indexPixels.capacity() + f->censusIndices.capacity() +
             f->pngIndexPixels.capacity() + f->census.capacity() * sizeof(kivo::CensusEntry) +
             (f->localPalette.capacity() + f->pngPalette.capacity()) * sizeof(kivo::Rgb);
    return n;
}

// Undo and redo `runs` times each; best times, and the peak memory above what
// the process held before, against the document's bytes.
void Report(const char* name, kivo::Shell& shell, double read, size_t documentBytes, int runs) {
    double undo = 1e9, redo = 1e9;
    const size_t before = StatusBytes("VmRSS:");
    ResetPeak();
    for (int r = 0; r < runs; ++r) {
        undo = std::min(undo, Seconds([&] { shell.Undo(); }));
        redo = std::min(redo, Seconds([&] { shell.Redo(); }));
    }
    const size_t peak = StatusBytes("VmHWM:");
    const double memory = double(documentBytes + (peak > before ? peak - before : 0)) / double(documentBytes);
    std::printf("%s: undo %.6f s (%.5fx read), redo %.6f s (%.5fx read), peak %.2fx the document\n", name, undo,
                undo / read, redo, redo / read, memory);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: undo_history IN.gif [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    double read = 1e9;
    for (int r = 0; r < 3; ++r)
        read = std::min(read, Seconds([&] {
                            if (!kivo::ReadGif(nullptr, argv[1])) std::exit(1);
                        }));
    HeadlessUi ui;
    kivo::Shell shell(ui);
    if (!shell.OpenPath(argv[1])) return 1;
    const size_t documentBytes = DocumentBytes(shell.Doc());
    std::printf("read %.4f s, %d frames, document %.1f MiB\n", read, shell.Doc().frameCount,
                double(documentBytes) / (1 << 20));

    shell.SelectAll();
    const double erase = Seconds([&] { shell.Delete(); });
    std::printf("delete all: %.6f s, %d frames left\n", erase, shell.Doc().frameCount);
    Report("delete all", shell, read, documentBytes, runs);
    shell.Undo();

    const size_t beforeOptimise = StatusBytes("VmRSS:");
    ResetPeak();
    const double optimise = Seconds([&] { shell.Optimize(); });
    const size_t optimisePeak = StatusBytes("VmHWM:");
    std::printf("optimise: %.4f s, %d frames left, peak while optimising %.2fx the document\n", optimise,
                shell.Doc().frameCount,
                double(documentBytes + (optimisePeak > beforeOptimise ? optimisePeak - beforeOptimise : 0)) /
                    double(documentBytes));
    Report("optimise", shell, read, documentBytes, runs);
    return 0;
}
