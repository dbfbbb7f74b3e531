#include "display/Renderer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "display/NeedleGeometry.h"
#include "display/Rounding.h"

namespace quendal {

namespace {

constexpr TColor32 kArcCircleColor = 0xFFFF0000u;
constexpr TColor32 kPivotCircleColor = 0xFF0000FFu;
constexpr double kArcMarkingAngleStep = 0.01;

struct Segment {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// One set of parallel strokes: the segment moved by (i, i) for i in [first, last].
struct StrokeSet {
  Segment base;
  QColor color;
  std::int64_t first = 0;
  std::int64_t last = -1;

  bool Empty() const { return last < first; }
};

struct NeedleStrokes {
  StrokeSet shadow;
  StrokeSet needle;
};

// Lines are clipped to the frame plus this margin before they reach the painter,
// which keeps far-off coordinates out of its fixed-point rasteriser.
constexpr double kClipMargin = 2.0;

// Offsets from -Thickness/2 to Thickness/2, both quotients rounded towards zero;
// a negative thickness draws nothing.
void SetStrokeRange(StrokeSet& set, std::int32_t thickness, int width, int height) {
  if (thickness < 0) return;
  std::int64_t first = -(thickness / 2);
  std::int64_t last = thickness / 2;
  // Strokes whose bounding box misses the frame are skipped, so a huge thickness
  // costs no more than the frame is wide and high.
  const double minX = std::min(set.base.x1, set.base.x2), maxX = std::max(set.base.x1, set.base.x2);
  const double minY = std::min(set.base.y1, set.base.y2), maxY = std::max(set.base.y1, set.base.y2);
  const double lowest = std::max(-maxX - kClipMargin, -maxY - kClipMargin);
  const double highest = std::min(width + kClipMargin - minX, height + kClipMargin - minY);
  if (!(lowest <= highest)) {
    set.last = first - 1;
    return;
  }
  first = std::max<std::int64_t>(first, static_cast<std::int64_t>(std::ceil(lowest)));
  last = std::min<std::int64_t>(last, static_cast<std::int64_t>(std::floor(highest)));
  set.first = first;
  set.last = last;
}

QColor ToQColor(TColor32 color) { return QColor::fromRgba(color); }

bool Finite(const Segment& s) {
  return std::isfinite(s.x1) && std::isfinite(s.y1) && std::isfinite(s.x2) && std::isfinite(s.y2);
}

NeedleStrokes ComputeNeedleStrokes(const MeterState& state, std::int32_t centerX,
                                   std::int32_t centerY, int width, int height) {
  NeedleStrokes strokes;
  const NeedleGeometry g = SelectNeedleGeometry(state, centerX, centerY);
  const double dx = std::cos(g.Angle) * g.Length;
  const double dy = -std::sin(g.Angle) * g.Length;
  const double pivotX = RoundHalfEven(g.PivotX);
  const double pivotY = RoundHalfEven(g.PivotY);

  if (state.EnableShadow) {
    const double offset = state.ShadowOffset;
    strokes.shadow.base = {pivotX + offset, pivotY + offset, RoundHalfEven(g.PivotX + offset + dx),
                           RoundHalfEven(g.PivotY + offset + dy)};
    const TColor32 rgb =
        (state.UseNeedleColorForShadow ? state.NeedleColor : state.ShadowColor) & 0x00FFFFFFu;
    const TColor32 alpha = static_cast<TColor32>(std::clamp(state.ShadowTransparency, 0, 255));
    strokes.shadow.color = ToQColor((alpha << 24) | rgb);
    if (Finite(strokes.shadow.base)) {
      SetStrokeRange(strokes.shadow, state.NeedleThickness, width, height);
    }
  }
  strokes.needle.base = {pivotX, pivotY, RoundHalfEven(g.PivotX + dx),
                         RoundHalfEven(g.PivotY + dy)};
  strokes.needle.color = ToQColor(state.NeedleColor);
  if (Finite(strokes.needle.base)) {
    SetStrokeRange(strokes.needle, state.NeedleThickness, width, height);
  }
  return strokes;
}

QRect StrokeArea(const StrokeSet& set, const QRect& frame) {
  if (set.Empty()) return {};
  const Segment& s = set.base;
  // Anti-aliasing reaches at most one pixel beyond the ideal line; one more for safety.
  const double left = std::min(s.x1, s.x2) + set.first - 2;
  const double top = std::min(s.y1, s.y2) + set.first - 2;
  const double right = std::max(s.x1, s.x2) + set.last + 2;
  const double bottom = std::max(s.y1, s.y2) + set.last + 2;
  auto clampX = [&](double v) {
    return static_cast<int>(std::clamp(v, -1.0, static_cast<double>(frame.width())));
  };
  auto clampY = [&](double v) {
    return static_cast<int>(std::clamp(v, -1.0, static_cast<double>(frame.height())));
  };
  return QRect(QPoint(clampX(std::floor(left)), clampY(std::floor(top))),
               QPoint(clampX(std::ceil(right)), clampY(std::ceil(bottom))))
      .intersected(frame);
}

QRect NeedleArea(const NeedleStrokes& strokes, const QRect& frame) {
  return StrokeArea(strokes.shadow, frame).united(StrokeArea(strokes.needle, frame));
}

// Liang-Barsky clipping of a segment to a rectangle; false when nothing is left.
bool ClipSegment(Segment& s, double minX, double minY, double maxX, double maxY) {
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
  const Segment original = s;
  s.x1 = original.x1 + t0 * dx;
  s.y1 = original.y1 + t0 * dy;
  s.x2 = original.x1 + t1 * dx;
  s.y2 = original.y1 + t1 * dy;
  return true;
}

// One anti-aliased stroke one pixel wide. Whole coordinates are pixel centres; the
// first pixel is drawn and the last one left out, so the line is moved back by half
// a pixel along itself.
void StrokeLine(QPainter& painter, Segment s, int width, int height) {
  const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
  const double length = std::hypot(dx, dy);
  if (length == 0.0) return;
  const double backX = 0.5 * dx / length, backY = 0.5 * dy / length;
  s.x1 += 0.5 - backX;
  s.y1 += 0.5 - backY;
  s.x2 += 0.5 - backX;
  s.y2 += 0.5 - backY;
  if (!ClipSegment(s, -kClipMargin, -kClipMargin, width + kClipMargin, height + kClipMargin)) {
    return;
  }
  painter.drawLine(QLineF(s.x1, s.y1, s.x2, s.y2));
}

void DrawStrokeSet(QPainter& painter, const StrokeSet& set, int width, int height) {
  if (set.Empty()) return;
  painter.setPen(QPen(set.color, 1.0, Qt::SolidLine, Qt::FlatCap));
  for (std::int64_t i = set.first; i <= set.last; ++i) {
    const double shift = static_cast<double>(i);
    StrokeLine(painter,
               {set.base.x1 + shift, set.base.y1 + shift, set.base.x2 + shift, set.base.y2 + shift},
               width, height);
  }
}

void DrawStrokes(QImage& bitmap, const NeedleStrokes& strokes) {
  if (strokes.shadow.Empty() && strokes.needle.Empty()) return;
  QPainter painter(&bitmap);
  painter.setRenderHint(QPainter::Antialiasing, true);
  // Shadow first, each stroke blended on its own so overlaps darken; then the needle.
  DrawStrokeSet(painter, strokes.shadow, bitmap.width(), bitmap.height());
  DrawStrokeSet(painter, strokes.needle, bitmap.width(), bitmap.height());
}

void DrawCirclePixels(QImage& bitmap, TPoint center, std::int32_t radius, TColor32 color) {
  const int width = bitmap.width(), height = bitmap.height();
  for (double angle = 0.0; angle < 2.0 * std::numbers::pi; angle += kArcMarkingAngleStep) {
    const double x = center.X + RoundHalfEven(std::cos(angle) * radius);
    const double y = center.Y + RoundHalfEven(std::sin(angle) * radius);
    if (x >= 0 && x < width && y >= 0 && y < height) {
      reinterpret_cast<QRgb*>(bitmap.scanLine(static_cast<int>(y)))[static_cast<int>(x)] = color;
    }
  }
}

}  // namespace

bool IsEmblemDay(const LocalDateTime& Today) { return Today.month == 8 && Today.day == 1; }

QRect DrawNeedle(QImage& Bitmap, const MeterState& State, std::int32_t CenterX,
                 std::int32_t CenterY) {
  const NeedleStrokes strokes =
      ComputeNeedleStrokes(State, CenterX, CenterY, Bitmap.width(), Bitmap.height());
  DrawStrokes(Bitmap, strokes);
  return NeedleArea(strokes, Bitmap.rect());
}

void DrawArcMarkings(QImage& Bitmap, const MeterState& State, TextLog& Log) {
  if (!State.ShowArcMarkings || !State.ArcCalibrationDone || State.ArcRadius <= 0) return;
  DrawCirclePixels(Bitmap, State.ArcCenter, State.ArcRadius, kArcCircleColor);
  DrawCirclePixels(Bitmap, State.ArcCenter, State.PivotArcRadius, kPivotCircleColor);
  if (Log.Enabled()) {
    Log.Log("Drawing calibration circles at (" + std::to_string(State.ArcCenter.X) + ", " +
            std::to_string(State.ArcCenter.Y) + ") with radius " + std::to_string(State.ArcRadius) +
            " and smaller arc radius " + std::to_string(State.PivotArcRadius));
  }
}

void ApplyTransparencyKey(QImage& Bitmap, const QRect& Area) {
  const QRect area = Area.intersected(Bitmap.rect());
  if (area.isEmpty()) return;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    QRgb* pixel = reinterpret_cast<QRgb*>(Bitmap.scanLine(y)) + area.left();
    const int count = area.width();
    for (int x = 0; x < count; ++x) {
      // Premultiplied black at any alpha has zero colour channels.
      pixel[x] = (pixel[x] & 0x00FFFFFFu) == 0 ? 0u : pixel[x];
    }
  }
}

void ApplyTransparencyKey(QImage& Bitmap) { ApplyTransparencyKey(Bitmap, Bitmap.rect()); }

void MeterRenderer::PrepareBase(const QImage& face, QSize size) {
  const qint64 faceKey = face.isNull() ? 0 : face.cacheKey();
  if (base_.size() == size && baseFaceKey_ == faceKey) return;
  base_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
  base_.fill(0u);
  if (!face.isNull()) {
    QPainter painter(&base_);
    painter.drawImage(0, 0, face);
  }
  keyedBase_ = base_.copy();
  ApplyTransparencyKey(keyedBase_);
  baseFaceKey_ = faceKey;
}

void MeterRenderer::CopyBase(const QImage& base, const QRect& area) {
  const QRect r = area.intersected(frame_.rect());
  if (r.isEmpty()) return;
  const std::size_t bytes = static_cast<std::size_t>(r.width()) * sizeof(QRgb);
  for (int y = r.top(); y <= r.bottom(); ++y) {
    std::memcpy(reinterpret_cast<QRgb*>(frame_.scanLine(y)) + r.left(),
                reinterpret_cast<const QRgb*>(base.constScanLine(y)) + r.left(), bytes);
  }
}

const QImage& MeterRenderer::RenderFrame(MeterState& State, const QImage& BackgroundBitmap,
                                         const QImage& PNGImage, std::int32_t ClientWidth,
                                         std::int32_t ClientHeight, const LocalDateTime& Today,
                                         TextLog& Log) {
  const QSize size(std::max(ClientWidth, 0), std::max(ClientHeight, 0));
  if (frame_.size() != size) frame_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
  if (size.isEmpty()) return frame_;
  PrepareBase(BackgroundBitmap, size);

  const TPoint center = MeterCenter(State, ClientWidth, ClientHeight);
  State.ImageCenterX = center.X;
  State.ImageCenterY = center.Y;

  const bool emblem = IsEmblemDay(Today) && !PNGImage.isNull();
  const QRect emblemArea =
      emblem ? QRect(ClientWidth - PNGImage.width(), 0, PNGImage.width(), PNGImage.height())
                   .intersected(frame_.rect())
             : QRect();
  const NeedleStrokes strokes =
      ComputeNeedleStrokes(State, center.X, center.Y, size.width(), size.height());
  const QRect needleArea = NeedleArea(strokes, frame_.rect());

  // The keyed face everywhere; where something is drawn over it, the face as it
  // was, so that blending sees the same pixels and the key runs after the drawing.
  CopyBase(keyedBase_, frame_.rect());
  CopyBase(base_, emblemArea);
  CopyBase(base_, needleArea);

  if (emblem) {
    QPainter painter(&frame_);
    painter.drawImage(ClientWidth - PNGImage.width(), 0, PNGImage);
  }
  DrawArcMarkings(frame_, State, Log);
  DrawStrokes(frame_, strokes);

  ApplyTransparencyKey(frame_, emblemArea);
  ApplyTransparencyKey(frame_, needleArea);
  return frame_;
}

}  // namespace quendal
