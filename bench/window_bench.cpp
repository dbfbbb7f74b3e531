// The window mask for one frame whose needle crosses pure black: from the needle's
// own pixels (WindowShape), against the whole frame's alpha mask, which alone (before
// it becomes a region, which needs a display) costs far more.
#include <benchmark/benchmark.h>

#include <QPainter>

#include "app/WindowShape.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 260;

// Cream scale in a pure-black surround, the needle's pivot down in the black.
QImage Face() {
  QImage face(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  face.fill(0xFF000000u);
  QPainter(&face).fillRect(QRect(20, 20, kWidth - 40, kHeight - 80), QColor(243, 233, 206));
  return face;
}

struct Meter {
  quendal::MeterSettings settings;
  quendal::MeterCalibration calibration;
  quendal::TextLog log{"window_bench.log"};  // off
  quendal::MeterRenderer renderer;
  QImage face = Face();
  int tick = 0;

  Meter() {
    settings.NeedleLength = 230;
    settings.ImageBottomOffset = 10;
  }
  void NextFrame() {
    // Back and forth over positions that differ by more than a pixel at the tip.
    const double position = 3.0 + (tick++ % 40) / 4.0;
    renderer.RenderFrame(settings, calibration, SScale(calibration), position, face, QImage(),
                         kWidth, kHeight, {2026, 12, 8, 12, 0, 0, 0}, log);
  }
};

void BM_WindowMask_FromTheNeedle(benchmark::State& state) {
  Meter meter;
  quendal::WindowShape shape;
  for (auto _ : state) {
    state.PauseTiming();
    meter.NextFrame();
    state.ResumeTiming();
    benchmark::DoNotOptimize(shape.Update(meter.renderer));
  }
}
BENCHMARK(BM_WindowMask_FromTheNeedle)->Unit(benchmark::kMicrosecond);

void BM_WindowMask_FromTheWholeFrame(benchmark::State& state) {
  Meter meter;
  for (auto _ : state) {
    state.PauseTiming();
    meter.NextFrame();
    state.ResumeTiming();
    const QImage alpha = meter.renderer.Frame().createAlphaMask(Qt::ThresholdAlphaDither);
    benchmark::DoNotOptimize(alpha.constBits());
  }
}
BENCHMARK(BM_WindowMask_FromTheWholeFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
