// One full meter frame: face, shadow on, needle thickness 2, transparency key.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "display/Renderer.h"

namespace {

// A face like the default one: a pure-black surround round a dark panel and a
// cream scale with dark marks, scaled to the size asked for.
QImage MakeFace(int width, int height) {
  QImage face(width, height, QImage::Format_ARGB32_Premultiplied);
  face.fill(0xFF000000u);
  QPainter p(&face);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 42, 48));
  p.drawRoundedRect(QRectF(width * 0.0125, height * 0.023, width * 0.975, height * 0.954), 16, 16);
  p.setBrush(QColor(243, 233, 206));
  p.drawRoundedRect(QRectF(width * 0.04, height * 0.07, width * 0.92, height * 0.86), 10, 10);
  p.setPen(QPen(QColor(22, 22, 24), 3));
  for (int k = 0; k < 16; ++k) {
    const double x = width * (0.15 + 0.7 * k / 15.0);
    p.drawLine(QPointF(x, height * 0.45), QPointF(x, height * 0.55));
  }
  return face;
}

void BM_RenderFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const QImage face = MakeFace(width, height);
  const QImage emblem;
  quendal::TextLog log("render_bench.log");  // off, as by default
  quendal::MeterSettings settings;
  const quendal::MeterCalibration calibration;
  double position = 0.0;
  settings.EnableShadow = true;
  settings.NeedleThickness = 2;
  settings.NeedleLength = height + 20;
  quendal::MeterRenderer renderer;
  const quendal::LocalDateTime day{2026, 12, 8, 12, 0, 0, 0};
  int tick = 0;
  for (auto _ : state) {
    // Sweep the needle over positions it comes back to, as it does on the air.
    position = (tick++ % 151) / 10.0;
    const QImage& frame = renderer.RenderFrame(settings, calibration, SScale(calibration), position,
                                               face, emblem, width, height, day, log);
    benchmark::DoNotOptimize(frame.constBits());
  }
}
BENCHMARK(BM_RenderFrame)->Args({345, 200})->Args({800, 480})->Unit(benchmark::kMicrosecond);

// The same, with a needle colour never used before on every frame, so that no frame
// comes back from the renderer's patches: the cost of drawing one anew.
void BM_RenderFrame_Unseen(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const QImage face = MakeFace(width, height);
  quendal::TextLog log("render_bench.log");
  quendal::MeterSettings settings;
  settings.EnableShadow = true;
  settings.NeedleThickness = 2;
  settings.NeedleLength = height + 20;
  quendal::MeterCalibration calibration;
  quendal::MeterRenderer renderer;
  const quendal::LocalDateTime day{2026, 12, 8, 12, 0, 0, 0};
  std::uint32_t tick = 0;
  for (auto _ : state) {
    settings.NeedleColor = 0xFF000000u | (++tick & 0xFFFFFFu);
    const QImage& frame =
        renderer.RenderFrame(settings, calibration, SScale(calibration), (tick % 151) / 10.0, face,
                             QImage(), width, height, day, log);
    benchmark::DoNotOptimize(frame.constBits());
  }
}
BENCHMARK(BM_RenderFrame_Unseen)->Args({345, 200})->Args({800, 480})->Unit(benchmark::kMicrosecond);

}  // namespace
