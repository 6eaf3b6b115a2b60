// Composes every frame of a GIF as the preview does, timed apart from reading
// the file: the step compare_compose.sh sets against FFmpeg's GIF decoder.
//   compose_frames IN.gif [RUNS]  -> "read S compose S per-frame MS" (best run)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gif/gif_reader.h"
#include "render/compositor.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: compose_frames IN.gif [RUNS]\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const auto readStart = Clock::now();
    std::unique_ptr<kivo::AnimDoc> doc = kivo::ReadGif(nullptr, argv[1]);
    if (!doc) return 1;
    const double read = std::chrono::duration<double>(Clock::now() - readStart).count();
    double best = 1e9;
    uint64_t sum = 0;  // keeps the work from being optimised away
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        kivo::Composition c;
        if (!kivo::StartComposition(c, doc->screenWidth, doc->screenHeight,
                                    kivo::PreviewRules(0, 0, kivo::Rgb{128, 128, 128})))
            return 1;
        int n = 0;
        for (const kivo::Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++n) {
            kivo::ComposeFrame(c, *f, n == 0);
            sum += c.screen[size_t(n) % c.screen.size()];
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::printf("read %.4f compose %.4f per-frame-ms %.3f frames %d (%llu)\n", read, best,
                1000.0 * best / std::max(doc->frameCount, 1), doc->frameCount, static_cast<unsigned long long>(sum % 10));
    return 0;
}
