// BMP and DIB stages on a full-HD picture: parse, widen to 24 bits, count
// colours, encode. Absolute times vary between machines; compare runs side by side.
#include <benchmark/benchmark.h>

#include <string>

#include "doc/bmp.h"
#include "doc/color_count.h"
#include "doc/dib.h"

namespace {

constexpr int kW = 1920, kH = 1080;

kivo::Dib PhotoLike() {
    kivo::Dib d = kivo::MakeDib24(kW, kH);
    uint8_t* p = kivo::DibPixels(d);
    const size_t stride = kivo::DibRowBytes(kW, 24);
    uint32_t seed = 1;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            seed = seed * 1103515245 + 12345;
            uint8_t* q = p + y * stride + 3 * x;
            q[0] = uint8_t(x * 255 / kW + (seed >> 28));
            q[1] = uint8_t(y * 255 / kH + (seed >> 29));
            q[2] = uint8_t((x + y) / 12);
        }
    return d;
}

std::string EncodedFile(const kivo::Dib& d) {
    std::string s;
    kivo::EncodeBmp(d, s);
    return s;
}

void BM_ParseBmp24(benchmark::State& state) {
    std::string file = EncodedFile(PhotoLike());
    for (auto _ : state) {
        kivo::Dib d = kivo::ParseBmp({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
        benchmark::DoNotOptimize(d.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_ParseBmp24)->Unit(benchmark::kMillisecond);

void BM_EncodeBmp24(benchmark::State& state) {
    kivo::Dib d = PhotoLike();
    for (auto _ : state) benchmark::DoNotOptimize(EncodedFile(d).size());
}
BENCHMARK(BM_EncodeBmp24)->Unit(benchmark::kMillisecond);

void BM_CountColorsLimited256(benchmark::State& state) {
    kivo::Dib d = PhotoLike();
    for (auto _ : state)
        benchmark::DoNotOptimize(kivo::CountColorsLimited(kivo::DibPixels(d), kW, kH, 257));
}
BENCHMARK(BM_CountColorsLimited256)->Unit(benchmark::kMicrosecond);

void BM_To24From8Bit(benchmark::State& state) {
    kivo::Dib d = kivo::MakeDib24(kW, kH);  // an 8-bit DIB of the same size
    std::vector<uint8_t> eight(40 + 1024 + kivo::DibRowBytes(kW, 8) * kH, 0);
    std::copy(d.begin(), d.begin() + 40, eight.begin());
    eight[14] = 8;
    for (auto _ : state) benchmark::DoNotOptimize(kivo::DibTo24(kivo::DibSpan(eight)).data());
}
BENCHMARK(BM_To24From8Bit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
