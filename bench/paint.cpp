// One paint of a 1920 x 1080 window over a 96-megapixel picture shown at full size,
// at several scroll positions, through the Qt device context the view paints with
// (clipped to the window as the widget's paint event is).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/DeviceContext.h"

#ifdef QT_GUI_LIB
#include <QImage>
#include <QPainter>

#include "ui/QPainterDC.h"

namespace {

constexpr int kWidth = 12000;
constexpr int kHeight = 8000;
constexpr int kWindowWidth = 1920;
constexpr int kWindowHeight = 1080;

const std::vector<std::uint32_t>& Picture() {
    static const std::vector<std::uint32_t> pixels = [] {
        std::vector<std::uint32_t> p(std::size_t(kWidth) * kHeight);
        for (std::size_t i = 0; i < p.size(); ++i)
            p[i] = 0xFF000000u | std::uint32_t(i * 2654435761u >> 8);
        return p;
    }();
    return pixels;
}

// state.range(0): the scroll position as a per-mille of the scrollable extent.
void BM_PaintFullSizePicture(benchmark::State& state) {
    const std::vector<std::uint32_t>& pixels = Picture();
    const PictureView picture{reinterpret_cast<const std::uint8_t*>(pixels.data()), kWidth,
                              kHeight};
    QImage window(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    const QPoint scroll(int((kWidth + 20 - kWindowWidth) * state.range(0) / 1000),
                        int((kHeight + 20 - kWindowHeight) * state.range(0) / 1000));
    for (auto _ : state) {
        QPainter painter(&window);
        painter.setClipRect(window.rect());
        {
            QPainterDC dc(painter, false, scroll);
            dc.DrawPicture(picture, 10, 10, kWidth, kHeight);
        }
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
}
BENCHMARK(BM_PaintFullSizePicture)->Arg(0)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
