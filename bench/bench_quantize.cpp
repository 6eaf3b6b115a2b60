// Quantizing and dithering a 1920x1080 photo-like picture to 256 colours.
// Besides the Google Benchmark stages, the program doubles as the whole-program
// subject of compare_quantize.sh:
//   bench_quantize --make OUT.ppm             writes the generated picture
//   bench_quantize --quantize IN.ppm OUT.ppm  reduces IN to 256 colours
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "color/quantizer.h"

namespace {

constexpr int kW = 1920, kH = 1080;

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> bits;  // bottom-up BGR rows padded to 4 bytes
    size_t Stride() const { return (size_t(width) * 3 + 3) & ~size_t(3); }
    uint8_t* Pixel(int x, int y) { return &bits[size_t(height - 1 - y) * Stride() + size_t(x) * 3]; }
};

// Smooth lighting, a few soft-edged shapes and sensor-like noise: many colours
// in gradients, as photographs have.
Picture PhotoLike() {
    Picture p{kW, kH, {}};
    p.bits.assign(p.Stride() * kH, 0);
    uint32_t seed = 7;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const double u = double(x) / kW, v = double(y) / kH;
            double r = 40 + 180 * u + 30 * std::sin(v * 9.0);
            double g = 60 + 120 * v + 40 * std::sin(u * 7.0 + v * 3.0);
            double b = 200 - 150 * u * v;
            const double dx = u - 0.35, dy = v - 0.45, d = std::sqrt(dx * dx + dy * dy);
            if (d < 0.2) {  // a lit sphere
                const double shade = 1.0 - d / 0.2;
                r = r * (1 - shade) + 250 * shade;
                g = g * (1 - shade) + 180 * shade;
                b = b * (1 - shade) + 60 * shade;
            }
            if (x > 1300 && x < 1700 && y > 600 && y < 950) {  // a textured box
                r = 90 + 30 * std::sin(x * 0.15);
                g = 140 + 25 * std::cos(y * 0.11);
                b = 70;
            }
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 24) & 15) - 8;
            uint8_t* q = p.Pixel(x, y);
            auto clamp = [](double c) { return uint8_t(c < 0 ? 0 : c > 255 ? 255 : c); };
            q[0] = clamp(b + noise);
            q[1] = clamp(g + noise);
            q[2] = clamp(r + noise);
        }
    return p;
}

bool WritePpm(const char* path, const Picture& p, const std::vector<uint8_t>* indices,
              const kivo::ColorMap* map) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
    std::vector<uint8_t> row(size_t(p.width) * 3);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            uint8_t* o = &row[size_t(x) * 3];
            if (indices) {
                const uint8_t i = (*indices)[size_t(y) * size_t(p.width) + size_t(x)];
                o[0] = map->red[i], o[1] = map->green[i], o[2] = map->blue[i];
            } else {
                const uint8_t* q = &p.bits[size_t(p.height - 1 - y) * p.Stride() + size_t(x) * 3];
                o[0] = q[2], o[1] = q[1], o[2] = q[0];
            }
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

bool ReadPpm(const char* path, Picture& p) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    int maxval = 0;
    bool ok = std::fscanf(f, "P6 %d %d %d", &p.width, &p.height, &maxval) == 3 && maxval == 255 &&
              p.width > 0 && p.height > 0 && p.width <= 65535 && p.height <= 65535 && std::fgetc(f) != EOF;
    if (ok) {
        p.bits.assign(p.Stride() * size_t(p.height), 0);
        std::vector<uint8_t> row(size_t(p.width) * 3);
        for (int y = 0; ok && y < p.height; ++y) {
            ok = std::fread(row.data(), 1, row.size(), f) == row.size();
            for (int x = 0; ok && x < p.width; ++x) {
                uint8_t* q = p.Pixel(x, y);
                q[0] = row[size_t(x) * 3 + 2], q[1] = row[size_t(x) * 3 + 1], q[2] = row[size_t(x) * 3];
            }
        }
    }
    std::fclose(f);
    return ok;
}

int QuantizeFile(const char* in, const char* out) {
    Picture p;
    if (!ReadPpm(in, p)) return 1;
    std::vector<uint8_t> indices(size_t(p.width) * size_t(p.height));
    auto map = kivo::QuantizeImage(p.width, p.height, 256, p.bits.data(), indices.data());
    return map && WritePpm(out, p, &indices, map.get()) ? 0 : 1;
}

void BM_QuantizeImage256(benchmark::State& state) {
    const Picture p = PhotoLike();
    std::vector<uint8_t> out(size_t(kW) * kH);
    for (auto _ : state) {
        auto map = kivo::QuantizeImage(kW, kH, 256, p.bits.data(), out.data());
        benchmark::DoNotOptimize(map.get());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}
BENCHMARK(BM_QuantizeImage256)->Unit(benchmark::kMillisecond);

// The incremental form as joint reduction drives it: count, choose, then map.
void BM_SharedQuantizerCountAndMap(benchmark::State& state) {
    const Picture p = PhotoLike();
    std::vector<uint8_t> out(kW);
    for (auto _ : state) {
        kivo::Quantizer quantizer;
        quantizer.Begin(kW, 256);
        for (int y = 0; y < kH; ++y) quantizer.AddRow(&p.bits[size_t(y) * p.Stride()]);
        quantizer.SelectColors();
        for (int y = 0; y < kH; ++y) quantizer.MapRow(&p.bits[size_t(y) * p.Stride()], out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}
BENCHMARK(BM_SharedQuantizerCountAndMap)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) return WritePpm(argv[2], PhotoLike(), nullptr, nullptr) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "--quantize") == 0) return QuantizeFile(argv[2], argv[3]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
