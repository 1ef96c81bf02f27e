// Half-size resampling of a large photo-like picture: ours against Qt's smooth
// scaling of the same pixels.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "image/Resampler.h"

#ifdef QT_GUI_LIB
#include <QImage>
#endif

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Smooth gradients with some waves and sensor-like noise, B,G,R,0xFF.
const std::vector<std::uint8_t>& Photo() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> p(static_cast<std::size_t>(kWidth) * kHeight * 4);
        std::mt19937 random(42);
        std::uniform_int_distribution<int> noise(-6, 6);
        auto clamp = [](double v) {
            return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        };
        std::size_t i = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double fx = static_cast<double>(x) / kWidth;
                const double fy = static_cast<double>(y) / kHeight;
                const double wave = 40 * std::sin(fx * 23) * std::cos(fy * 17);
                p[i++] = clamp(60 + 120 * fy + wave + noise(random));
                p[i++] = clamp(90 + 100 * fx * fy - wave + noise(random));
                p[i++] = clamp(200 - 150 * fx + wave / 2 + noise(random));
                p[i++] = 0xFF;
            }
        return p;
    }();
    return pixels;
}

void BM_ResampleHalf(benchmark::State& state) {
    const std::vector<std::uint8_t>& pixels = Photo();
    for (auto _ : state) {
        BlockHandle half = ResamplePicture(pixels.data(), kWidth, kHeight, kWidth / 2, kHeight / 2);
        benchmark::DoNotOptimize(half.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ResampleHalf)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Limited preview: a non-integer ratio.
void BM_ResampleFitTo1200(benchmark::State& state) {
    const std::vector<std::uint8_t>& pixels = Photo();
    for (auto _ : state) {
        BlockHandle fitted = ResamplePicture(pixels.data(), kWidth, kHeight, 1200, 800);
        benchmark::DoNotOptimize(fitted.get());
    }
}
BENCHMARK(BM_ResampleFitTo1200)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_ResampleDouble(benchmark::State& state) {
    const std::vector<std::uint8_t>& pixels = Photo();
    // A 1500 x 1000 corner grown to 3000 x 2000.
    std::vector<std::uint8_t> corner;
    for (int y = 0; y < 1000; ++y)
        corner.insert(corner.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y) * kWidth * 4,
                      pixels.begin() + static_cast<std::ptrdiff_t>(y) * kWidth * 4 + 1500 * 4);
    for (auto _ : state) {
        BlockHandle grown = ResamplePicture(corner.data(), 1500, 1000, 3000, 2000);
        benchmark::DoNotOptimize(grown.get());
    }
}
BENCHMARK(BM_ResampleDouble)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

#ifdef QT_GUI_LIB
QImage PhotoImage() {
    return QImage(Photo().data(), kWidth, kHeight, kWidth * 4, QImage::Format_RGB32);
}

void BM_QtSmoothHalf(benchmark::State& state) {
    const QImage image = PhotoImage();
    for (auto _ : state) {
        QImage half =
            image.scaled(kWidth / 2, kHeight / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(half.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_QtSmoothHalf)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_QtSmoothFitTo1200(benchmark::State& state) {
    const QImage image = PhotoImage();
    for (auto _ : state) {
        QImage fitted = image.scaled(1200, 800, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(fitted.constBits());
    }
}
BENCHMARK(BM_QtSmoothFitTo1200)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_QtSmoothDouble(benchmark::State& state) {
    const QImage corner = PhotoImage().copy(0, 0, 1500, 1000);
    for (auto _ : state) {
        QImage grown = corner.scaled(3000, 2000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(grown.constBits());
    }
}
BENCHMARK(BM_QtSmoothDouble)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
#endif

}  // namespace
