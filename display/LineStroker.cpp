#include "display/LineStroker.h"

#include <algorithm>
#include <cmath>

namespace quendal {

namespace {

struct Line {
  double x1, y1, x2, y2;
};

// Liang-Barsky clipping of a line to a rectangle; false when nothing is left.
bool Clip(Line& s, double minX, double minY, double maxX, double maxY) {
  const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {s.x1 - minX, maxX - s.x1, s.y1 - minY, maxY - s.y1};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const Line original = s;
  s = {original.x1 + t0 * dx, original.y1 + t0 * dy, original.x1 + t1 * dx, original.y1 + t1 * dy};
  return true;
}

// The line in the painter's coordinates (pixel centres at +0.5), moved back by half
// a pixel along itself so that its first pixel is covered and its last one is not;
// false when nothing of it reaches the frame.
bool PainterLine(Line& s, int width, int height) {
  if (!(std::isfinite(s.x1) && std::isfinite(s.y1) && std::isfinite(s.x2) && std::isfinite(s.y2))) {
    return false;
  }
  const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
  const double length = std::hypot(dx, dy);
  if (length == 0.0) return false;
  const double shiftX = 0.5 - 0.5 * dx / length, shiftY = 0.5 - 0.5 * dy / length;
  s = {s.x1 + shiftX, s.y1 + shiftY, s.x2 + shiftX, s.y2 + shiftY};
  return Clip(s, -kClipMargin, -kClipMargin, width + kClipMargin, height + kClipMargin);
}

// x * a / 255 on all four channels at once, rounded as the painter does.
inline std::uint32_t ByteMul(std::uint32_t x, std::uint32_t a) {
  std::uint32_t t = (x & 0xFF00FFu) * a;
  t = (t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8;
  t &= 0xFF00FFu;
  x = ((x >> 8) & 0xFF00FFu) * a;
  x = (x + ((x >> 8) & 0xFF00FFu) + 0x800080u);
  x &= 0xFF00FF00u;
  return x | t;
}

QPen LinePen(TColor32 color, double width) {
  return QPen(QColor::fromRgba(color), width, Qt::SolidLine, Qt::FlatCap);
}

}  // namespace

void LineStroker::Begin(QImage& frame) {
  frame_ = &frame;
  painter_.begin(&frame);
  painter_.setRenderHint(QPainter::Antialiasing, true);
}

void LineStroker::End() {
  if (painter_.isActive()) painter_.end();
  if (coveragePainter_.isActive()) coveragePainter_.end();
  frame_ = nullptr;
}

void LineStroker::Stroke(double x1, double y1, double x2, double y2, TColor32 color,
                         double penWidth) {
  const std::uint32_t alpha = color >> 24;
  if (alpha == 0) return;  // blends nothing
  if (alpha < 255) {
    StrokeTranslucent(x1, y1, x2, y2, color, penWidth);
    return;
  }
  Line line{x1, y1, x2, y2};
  if (!PainterLine(line, frame_->width(), frame_->height())) return;
  painter_.setPen(LinePen(color, penWidth));
  painter_.drawLine(QLineF(line.x1, line.y1, line.x2, line.y2));
}

void LineStroker::StrokeTranslucent(double x1, double y1, double x2, double y2, TColor32 color,
                                    double penWidth) {
  const int width = frame_->width(), height = frame_->height();
  Line line{x1, y1, x2, y2};
  if (!PainterLine(line, width, height)) return;
  if (coverage_.size() != frame_->size()) {
    if (coveragePainter_.isActive()) coveragePainter_.end();
    coverage_ = QImage(frame_->size(), QImage::Format_ARGB32_Premultiplied);
    coverage_.fill(0u);
  }
  if (!coveragePainter_.isActive()) {
    coveragePainter_.begin(&coverage_);
    coveragePainter_.setRenderHint(QPainter::Antialiasing, true);
  }
  spans_.Reset(width, height);
  spans_.AddSegment(x1, y1, x2, y2, TouchMargin(penWidth));

  // The line in its opaque colour on a clear patch gives colour times coverage.
  coveragePainter_.setPen(LinePen(color | 0xFF000000u, penWidth));
  coveragePainter_.drawLine(QLineF(line.x1, line.y1, line.x2, line.y2));

  const std::uint32_t alpha = color >> 24;
  spans_.ForEach([&](int y, int left, int right) {
    auto* source = reinterpret_cast<std::uint32_t*>(coverage_.scanLine(y)) + left;
    auto* target = reinterpret_cast<std::uint32_t*>(frame_->scanLine(y)) + left;
    for (int x = 0; x <= right - left; ++x) {
      if (source[x] != 0) {
        const std::uint32_t s = ByteMul(source[x], alpha);
        target[x] = s + ByteMul(target[x], 255 - (s >> 24));
        source[x] = 0;  // leave the patch clear for the next line
      }
    }
  });
}

}  // namespace quendal
