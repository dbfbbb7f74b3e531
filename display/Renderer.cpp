#include "display/Renderer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <string>

#include "display/LineStroker.h"
#include "display/NeedleGeometry.h"
#include "display/PictureLoader.h"
#include "display/RowSpans.h"
#include "support/Rounding.h"

namespace quendal {

namespace {

constexpr TColor32 kArcCircleColor = 0xFFFF0000u;
constexpr TColor32 kPivotCircleColor = 0xFF0000FFu;
constexpr double kArcMarkingAngleStep = 0.01;

// The whole i for which Low + i * Step <= Limit and High + i * Step >= -kClipMargin, within
// [first, last]: the strokes whose extent on one axis can reach the frame.
void LimitToAxis(std::int64_t& first, std::int64_t& last, double low, double high, double step,
                 double limit) {
  const double above = limit + kClipMargin - low;  // i * step <= above
  const double below = -kClipMargin - high;        // i * step >= below
  if (step == 0.0) {
    if (above < 0.0 || below > 0.0) last = first - 1;
    return;
  }
  double lowest = below / step, highest = above / step;
  if (step < 0.0) std::swap(lowest, highest);
  if (!(lowest <= highest)) {
    last = first - 1;
    return;
  }
  first =
      std::max<std::int64_t>(first, static_cast<std::int64_t>(std::max(std::ceil(lowest), -9e18)));
  last =
      std::min<std::int64_t>(last, static_cast<std::int64_t>(std::min(std::floor(highest), 9e18)));
}

// Offsets from -Thickness/2 to Thickness/2, both quotients rounded towards zero;
// a negative thickness draws nothing.
void SetStrokeRange(StrokeSet& set, std::int32_t thickness, int width, int height) {
  // A needle of no length has no direction and draws nothing.
  if (thickness < 0 || (set.shift.X == 0.0 && set.shift.Y == 0.0)) return;
  std::int64_t first = -(thickness / 2);
  std::int64_t last = thickness / 2;
  // Strokes whose bounding box misses the frame are skipped, so a huge thickness
  // costs no more than the frame is wide and high.
  LimitToAxis(first, last, std::min(set.base.x1, set.base.x2), std::max(set.base.x1, set.base.x2),
              set.shift.X, width);
  LimitToAxis(first, last, std::min(set.base.y1, set.base.y2), std::max(set.base.y1, set.base.y2),
              set.shift.Y, height);
  set.first = first;
  set.last = std::max(last, first - 1);
}

// Only finite strokes can be found again: NaN equals nothing.
bool Cacheable(const NeedleStrokes& strokes) {
  for (const StrokeSet* set : {&strokes.shadow, &strokes.needle}) {
    const double values[] = {set->base.x1, set->base.y1, set->base.x2,
                             set->base.y2, set->shift.X, set->shift.Y};
    for (double v : values)
      if (!std::isfinite(v)) return false;
  }
  return true;
}

// Across the line as drawn, between whole pixels: a needle whose ends land on the
// same pixels is drawn the same, which lets an unchanged frame be left as it is.
// Strokes wider than a pixel lie as far apart as they are wide.
StrokeShift DrawnShift(const Segment& s, double strokeWidth) {
  const StrokeShift unit = PerpendicularStrokeShift(s.x2 - s.x1, s.y2 - s.y1);
  return {unit.X * strokeWidth, unit.Y * strokeWidth};
}

bool Finite(const Segment& s) {
  return std::isfinite(s.x1) && std::isfinite(s.y1) && std::isfinite(s.x2) && std::isfinite(s.y2);
}

// The peak marker: one thin stroke along the needle as it stood at the peak.
StrokeSet PeakStroke(const MeterSettings& state, const MeterCalibration& calibration,
                     const Scale& scale, double value, std::int32_t centerX, std::int32_t centerY,
                     int width, int height, double strokeWidth) {
  StrokeSet peak;
  peak.width = strokeWidth;
  const NeedleGeometry g = SelectNeedleGeometry(state, calibration, scale, value, centerX, centerY);
  peak.base = {RoundHalfEven(g.PivotX), RoundHalfEven(g.PivotY),
               RoundHalfEven(g.PivotX + std::cos(g.Angle) * g.Length),
               RoundHalfEven(g.PivotY - std::sin(g.Angle) * g.Length)};
  peak.color = state.PeakHoldColor != 0 ? state.PeakHoldColor : state.NeedleColor;
  peak.shift = DrawnShift(peak.base, strokeWidth);
  if (Finite(peak.base)) SetStrokeRange(peak, 0, width, height);
  return peak;
}

// The needle's (or its shadow's) strokes side by side across it. Strokes wider than a
// pixel are drawn as the one stroke they make together, since abutting strokes leave
// seams between them; no wider than the frame can show.
void SetNeedleStrokes(StrokeSet& set, std::int32_t thickness, double strokeWidth, int width,
                      int height) {
  set.width = strokeWidth;
  if (strokeWidth > 1.0 && thickness > 1) {
    set.width = std::min(strokeWidth * (2.0 * (thickness / 2) + 1.0), 2.0 * (width + height));
    thickness = 0;
  }
  set.shift = DrawnShift(set.base, set.width);
  if (Finite(set.base)) SetStrokeRange(set, thickness, width, height);
}

NeedleStrokes ComputeNeedleStrokes(const MeterSettings& state, const MeterCalibration& calibration,
                                   const Scale& scale, double value,
                                   std::optional<double> peakValue, std::int32_t centerX,
                                   std::int32_t centerY, int width, int height,
                                   double strokeWidth) {
  NeedleStrokes strokes;
  if (state.PeakHold && peakValue) {
    strokes.peak = PeakStroke(state, calibration, scale, *peakValue, centerX, centerY, width,
                              height, strokeWidth);
  }
  const NeedleGeometry g = SelectNeedleGeometry(state, calibration, scale, value, centerX, centerY);
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
    strokes.shadow.color = (alpha << 24) | rgb;
    SetNeedleStrokes(strokes.shadow, state.NeedleThickness, strokeWidth, width, height);
  }
  strokes.needle.base = {pivotX, pivotY, RoundHalfEven(g.PivotX + dx),
                         RoundHalfEven(g.PivotY + dy)};
  strokes.needle.color = state.NeedleColor;
  SetNeedleStrokes(strokes.needle, state.NeedleThickness, strokeWidth, width, height);
  return strokes;
}

void AddStrokeSet(RowSpans& spans, const StrokeSet& set) {
  for (std::int64_t i = set.first; i <= set.last; ++i) {
    const Segment s = set.Stroke(i);
    spans.AddSegment(s.x1, s.y1, s.x2, s.y2, TouchMargin(set.width));
  }
}

void DrawStrokeSet(LineStroker& stroker, const StrokeSet& set) {
  for (std::int64_t i = set.first; i <= set.last; ++i) {
    const Segment s = set.Stroke(i);
    stroker.Stroke(s.x1, s.y1, s.x2, s.y2, set.color, set.width);
  }
}

// Shadow first, each stroke blended on its own so overlaps darken; then the needle.
void DrawStrokes(LineStroker& stroker, QImage& bitmap, const NeedleStrokes& strokes) {
  if (strokes.shadow.Empty() && strokes.peak.Empty() && strokes.needle.Empty()) return;
  stroker.Begin(bitmap);
  DrawStrokeSet(stroker, strokes.shadow);
  DrawStrokeSet(stroker, strokes.peak);
  DrawStrokeSet(stroker, strokes.needle);
  stroker.End();
}

template <typename Visit>
void ForEachCirclePixel(TPoint center, std::int32_t radius, int width, int height, Visit visit) {
  for (double angle = 0.0; angle < 2.0 * std::numbers::pi; angle += kArcMarkingAngleStep) {
    const double x = center.X + RoundHalfEven(std::cos(angle) * radius);
    const double y = center.Y + RoundHalfEven(std::sin(angle) * radius);
    if (x >= 0 && x < width && y >= 0 && y < height) {
      visit(static_cast<int>(x), static_cast<int>(y));
    }
  }
}

bool ArcMarkingsShown(const MeterSettings& settings, const MeterCalibration& calibration) {
  return settings.ShowArcMarkings && calibration.ArcCalibrationDone && calibration.ArcRadius > 0;
}

template <typename Visit>
void ForEachMarkingPixel(const MeterCalibration& state, int width, int height, Visit visit) {
  ForEachCirclePixel(state.ArcCenter, state.ArcRadius, width, height,
                     [&](int x, int y) { visit(x, y, kArcCircleColor); });
  ForEachCirclePixel(state.ArcCenter, state.PivotArcRadius, width, height,
                     [&](int x, int y) { visit(x, y, kPivotCircleColor); });
}

// Rows through one pointer: scanLine() checks for sharing on every call.
inline QRgb* Row(QImage& image, uchar* bits, int y) {
  return reinterpret_cast<QRgb*>(bits + static_cast<qsizetype>(y) * image.bytesPerLine());
}
inline const QRgb* Row(const QImage& image, const uchar* bits, int y) {
  return reinterpret_cast<const QRgb*>(bits + static_cast<qsizetype>(y) * image.bytesPerLine());
}

template <typename Run>
void ForEachSpanRow(QImage& image, const RowSpans& spans, Run run) {
  uchar* bits = image.bits();
  spans.ForEach([&](int y, int left, int right) {
    run(Row(image, bits, y) + left, right - left + 1, y, left);
  });
}

// Premultiplied source over target, rounded as the painter rounds.
QRgb BlendOver(QRgb source, QRgb target) {
  const QRgb alpha = qAlpha(source);
  if (alpha == 255) return source;
  if (alpha == 0) return target;
  auto channel = [&](int shift) {
    const QRgb t = ((target >> shift) & 0xFFu) * (255 - alpha);
    return (((t + (t >> 8) + 0x80u) >> 8) + ((source >> shift) & 0xFFu)) << shift;
  };
  return channel(24) | channel(16) | channel(8) | channel(0);
}

void KeyPixels(QRgb* pixel, int count) {
  for (int x = 0; x < count; ++x) {
    // Premultiplied black at any alpha has zero colour channels.
    pixel[x] = (pixel[x] & 0x00FFFFFFu) == 0 ? 0u : pixel[x];
  }
}

}  // namespace

StrokeShift PerpendicularStrokeShift(double DirectionX, double DirectionY) {
  const double length = std::hypot(DirectionX, DirectionY);
  if (!(length > 0.0) || !std::isfinite(length)) return {};
  return {-DirectionY / length, DirectionX / length};
}

bool IsEmblemDay(const LocalDateTime& Today) { return Today.month == 8 && Today.day == 1; }

void DrawNeedle(QImage& Bitmap, const MeterSettings& Settings, const MeterCalibration& Calibration,
                const Scale& NeedleScale, double Value, std::int32_t CenterX,
                std::int32_t CenterY) {
  LineStroker stroker;
  DrawStrokes(stroker, Bitmap,
              ComputeNeedleStrokes(Settings, Calibration, NeedleScale, Value, std::nullopt, CenterX,
                                   CenterY, Bitmap.width(), Bitmap.height(), 1.0));
}

void DrawArcMarkings(QImage& Bitmap, const MeterSettings& Settings, const MeterCalibration& State,
                     TextLog& Log) {
  if (!ArcMarkingsShown(Settings, State)) return;
  ForEachMarkingPixel(State, Bitmap.width(), Bitmap.height(), [&](int x, int y, TColor32 color) {
    reinterpret_cast<QRgb*>(Bitmap.scanLine(y))[x] = color;
  });
  Log.Log([&] {
    return "Drawing calibration circles at " + PointText(State.ArcCenter) + " with radius " +
           std::to_string(State.ArcRadius) + " and smaller arc radius " +
           std::to_string(State.PivotArcRadius);
  });
}

void ApplyTransparencyKey(QImage& Bitmap, const QRect& Area) {
  const QRect area = Area.intersected(Bitmap.rect());
  if (area.isEmpty()) return;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    KeyPixels(reinterpret_cast<QRgb*>(Bitmap.scanLine(y)) + area.left(), area.width());
  }
}

void ApplyTransparencyKey(QImage& Bitmap) { ApplyTransparencyKey(Bitmap, Bitmap.rect()); }

void MeterRenderer::SetForeground(const QImage& Foreground, QPoint At) {
  const QImage picture =
      Foreground.isNull() || Foreground.format() == QImage::Format_ARGB32_Premultiplied
          ? Foreground
          : Foreground.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  // A cap or a cover is a small part of a face-sized picture whose black is see-through:
  // only that part is kept (shared when it is all of the picture).
  const QRect shown = BoundsWhere(picture, [](QRgb pixel) { return (pixel & 0x00FFFFFFu) != 0; });
  foreground_ = shown.isEmpty()           ? QImage()
                : shown == picture.rect() ? picture
                                          : picture.copy(shown);
  foregroundAt_ = At + shown.topLeft();
  baseFaceKey_ = -1;
}

bool MeterRenderer::PrepareBase(const QImage& face, QSize size) {
  const qint64 faceKey = face.isNull() ? 0 : face.cacheKey();
  if (base_.size() == size && baseFaceKey_ == faceKey) return false;
  patches_.clear();
  patchPixels_ = 0;
  if (face.size() == size && face.format() == QImage::Format_ARGB32_Premultiplied) {
    // Drawn on a cleared frame of its own size, the face is itself: share it.
    base_ = face;
  } else {
    base_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    base_.fill(0u);
    if (!face.isNull()) {
      QPainter painter(&base_);
      painter.drawImage(0, 0, face);
    }
  }
  keyedBase_ = base_.copy();
  RowSpans all;
  all.Reset(size.width(), size.height());
  all.AddRect(keyedBase_.rect());
  DrawForeground(keyedBase_, all);
  ApplyTransparencyKey(keyedBase_);
  baseFaceKey_ = faceKey;
  return true;
}

void MeterRenderer::DrawForeground(QImage& target, const RowSpans& spans) {
  if (foreground_.isNull()) return;
  const QRect area = QRect(foregroundAt_, foreground_.size()).intersected(target.rect());
  const uchar* bits = foreground_.constBits();
  ForEachSpanRow(target, spans, [&](QRgb* pixel, int count, int y, int left) {
    if (y < area.top() || y > area.bottom()) return;
    const QRgb* over = Row(foreground_, bits, y - foregroundAt_.y());
    const int last = std::min(left + count - 1, area.right());
    for (int x = std::max(left, area.left()); x <= last; ++x) {
      const QRgb o = over[x - foregroundAt_.x()];
      // Pure black is see-through here as in the face: it leaves what lies below.
      if ((o & 0x00FFFFFFu) != 0) pixel[x - left] = BlendOver(o, pixel[x - left]);
    }
  });
}

namespace {

// Outside the spans the frame is the keyed face, so only the spans need a look.
bool SameSeeThroughPixels(QImage& frame, const QImage& keyedFace, const RowSpans& spans) {
  bool same = true;
  const uchar* faceBits = keyedFace.constBits();
  ForEachSpanRow(frame, spans, [&](QRgb* pixel, int count, int y, int left) {
    if (!same) return;
    const QRgb* face = Row(keyedFace, faceBits, y) + left;
    for (int i = 0; i < count; ++i) {
      if ((qAlpha(pixel[i]) == 0) != (qAlpha(face[i]) == 0)) {
        same = false;
        return;
      }
    }
  });
  return same;
}

}  // namespace

void MeterRenderer::CopyBase(const QImage& base, const RowSpans& spans) {
  const uchar* baseBits = base.constBits();
  ForEachSpanRow(frame_, spans, [&](QRgb* pixel, int count, int y, int left) {
    std::memcpy(pixel, Row(base, baseBits, y) + left,
                static_cast<std::size_t>(count) * sizeof(QRgb));
  });
}

const QImage& MeterRenderer::RenderFrame(const MeterSettings& Settings,
                                         const MeterCalibration& Calibration,
                                         const Scale& NeedleScale, double NeedleValue,
                                         const QImage& BackgroundBitmap, const QImage& PNGImage,
                                         std::int32_t ClientWidth, std::int32_t ClientHeight,
                                         const LocalDateTime& Today, TextLog& Log,
                                         std::optional<double> PeakValue, double StrokeWidth) {
  const QSize size(std::max(ClientWidth, 0), std::max(ClientHeight, 0));
  bool whole = false;
  if (frame_.size() != size) {
    frame_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    whole = true;
  }
  if (size.isEmpty()) {
    changedArea_ = QRegion();
    return frame_;
  }
  whole = PrepareBase(BackgroundBitmap, size) || whole;
  const int width = size.width(), height = size.height();

  const TPoint center = MeterCenter(Settings, Calibration, ClientWidth, ClientHeight);
  center_ = center;

  const bool emblem = IsEmblemDay(Today) && !PNGImage.isNull();
  const bool markings = ArcMarkingsShown(Settings, Calibration);
  const NeedleStrokes strokes =
      ComputeNeedleStrokes(Settings, Calibration, NeedleScale, NeedleValue, PeakValue, center.X,
                           center.Y, width, height, StrokeWidth);
  // The needle moves by less than a pixel on most ticks: the same strokes over the
  // same face give the same frame.
  const bool extras = emblem || markings;
  const bool overlayCleared = ClearMovedOverlay(whole);
  if (!whole && !extras && !extras_ && strokes == strokes_ && !overlayCleared) {
    changedArea_ = QRegion();
    DrawOverlay(false, false);
    return frame_;
  }
  strokes_ = strokes;
  extras_ = extras;
  TakePendingOverlay();

  // Outside what the last frame touched, the frame already holds the keyed face.
  if (whole) {
    frame_ = keyedBase_.copy();
  } else {
    CopyBase(keyedBase_, touched_);
  }

  const QRect previouslyTouched = touched_.Bounds();
  const bool patchable = !extras && Cacheable(strokes);
  if (patchable && DrawFromPatch(strokes)) {
    changedArea_ = whole ? frame_.rect() : previouslyTouched.united(touched_.Bounds());
    DrawOverlay(whole, true);
    return frame_;
  }
  touched_.Reset(width, height);
  if (emblem) {
    touched_.AddRect(QRect(ClientWidth - PNGImage.width(), 0, PNGImage.width(), PNGImage.height()));
  }
  if (markings) {
    ForEachMarkingPixel(Calibration, width, height,
                        [&](int x, int y, TColor32) { touched_.AddPoint(x, y); });
  }
  AddStrokeSet(touched_, strokes.shadow);
  AddStrokeSet(touched_, strokes.peak);
  AddStrokeSet(touched_, strokes.needle);

  // Where something is drawn, start again from the face as it was, so that blending
  // sees the original pixels and the key comes after the drawing.
  CopyBase(base_, touched_);
  if (emblem) {
    QPainter painter(&frame_);
    painter.drawImage(ClientWidth - PNGImage.width(), 0, PNGImage);
  }
  DrawArcMarkings(frame_, Settings, Calibration, Log);
  DrawStrokes(stroker_, frame_, strokes);
  DrawForeground(frame_, touched_);
  ForEachSpanRow(frame_, touched_,
                 [](QRgb* pixel, int count, int, int) { KeyPixels(pixel, count); });
  keyedLikeFace_ = SameSeeThroughPixels(frame_, keyedBase_, touched_);
  if (patchable) KeepPatch(strokes);
  changedArea_ = whole ? frame_.rect() : previouslyTouched.united(touched_.Bounds());
  DrawOverlay(whole, true);
  return frame_;
}

void MeterRenderer::SetOverlay(const CornerText& Overlay, bool WithNextChange) {
  const bool sameLook = Overlay.Box == overlay_.Box && Overlay.Font == overlay_.Font &&
                        Overlay.Align == overlay_.Align && Overlay.Ink == overlay_.Ink;
  if (sameLook && Overlay.Lines == overlay_.Lines) {
    pendingLines_.reset();
    return;
  }
  if (sameLook && WithNextChange && !overlay_.Lines.isEmpty() && !Overlay.Lines.isEmpty()) {
    pendingLines_ = Overlay.Lines;
    return;
  }
  pendingLines_.reset();
  if (!sameLook) overlayPatches_.clear();
  overlay_ = Overlay;
  overlayDirty_ = true;
}

QRect MeterRenderer::OverlayBox() const {
  return overlay_.Lines.isEmpty() ? QRect() : overlay_.Box.intersected(frame_.rect());
}

void MeterRenderer::TakePendingOverlay() {
  if (!pendingLines_) return;
  overlay_.Lines = std::move(*pendingLines_);
  pendingLines_.reset();
  overlayDirty_ = true;
}

bool MeterRenderer::RedrawOverlay() {
  TakePendingOverlay();
  const QRect box = OverlayBox();
  if (box.isEmpty() || box != overlayShown_) return false;
  changedArea_ = QRegion();
  DrawOverlay(false, false);
  return true;
}

bool MeterRenderer::ClearMovedOverlay(bool whole) {
  const QRect box = OverlayBox();
  if (overlayShown_.isEmpty() || box == overlayShown_) return false;
  const QRect gone = overlayShown_;
  overlayShown_ = QRect();
  if (whole) return false;
  RowSpans spans;
  spans.Reset(frame_.width(), frame_.height());
  spans.AddRect(gone);
  CopyBase(keyedBase_, spans);
  overlayGone_ = gone;
  return gone.intersects(touched_.Bounds());
}

void MeterRenderer::DrawOverlay(bool whole, bool NeedleMoved) {
  const QRect box = OverlayBox();
  const bool redraw = whole || overlayDirty_ || box != overlayShown_;
  overlayDirty_ = false;
  if (whole) overlayPatches_.clear();  // the face or the size changed
  changedArea_ += overlayGone_;
  overlayGone_ = QRect();
  // The needle of the last frame was taken away, and this one drawn, over what they touched.
  bool crossed = false;
  if (NeedleMoved) {
    const bool under = !box.isEmpty() && touched_.Intersects(box);
    crossed = overlayUnderNeedle_ || under;
    overlayUnderNeedle_ = under;
  }
  if (box.isEmpty() || (!redraw && !crossed)) return;
  if (redraw) overlayPatch_ = OverlayPatch(box);
  uchar* bits = frame_.bits();
  for (int y = 0; y < box.height(); ++y) {
    std::memcpy(Row(frame_, bits, box.top() + y) + box.left(), overlayPatch_.constScanLine(y),
                static_cast<std::size_t>(box.width()) * sizeof(QRgb));
  }
  overlayShown_ = box;
  // Its own rectangle: the needle's strip and the box are often far apart.
  changedArea_ = whole ? QRegion(frame_.rect()) : changedArea_ + box;
}

QImage MeterRenderer::OverlayPatch(const QRect& Box) {
  const QString key = overlay_.Lines.join(u'\n');
  if (const auto found = overlayPatches_.constFind(key); found != overlayPatches_.cend())
    return *found;
  QImage patch = keyedBase_.copy(Box);
  QPainter painter(&patch);
  painter.translate(-Box.topLeft());
  DrawCornerText(painter, overlay_);
  painter.end();
  ApplyTransparencyKey(patch);
  if (overlayPatches_.size() >= kOverlayPatches) overlayPatches_.clear();
  overlayPatches_.insert(key, patch);
  return patch;
}

std::size_t MeterRenderer::StrokesHash::operator()(const NeedleStrokes& strokes) const noexcept {
  std::size_t seed = 0;
  const auto mix = [&seed](std::size_t value) {
    seed ^= value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
  };
  for (const StrokeSet* set : {&strokes.shadow, &strokes.needle}) {
    for (double v :
         {set->base.x1, set->base.y1, set->base.x2, set->base.y2, set->shift.X, set->shift.Y})
      mix(std::hash<double>{}(v));
    mix(set->color);
    mix(static_cast<std::size_t>(set->first));
    mix(static_cast<std::size_t>(set->last));
  }
  return seed;
}

bool MeterRenderer::DrawFromPatch(const NeedleStrokes& strokes) {
  const auto found = patches_.find(strokes);
  if (found == patches_.end()) return false;
  const Patch& patch = found->second;
  touched_.Reset(frame_.width(), frame_.height());
  uchar* bits = frame_.bits();
  const QRgb* pixels = patch.pixels.data();
  for (const Patch::Run& run : patch.runs) {
    touched_.AddRun(run.y, run.left, run.right);
    const auto count = static_cast<std::size_t>(run.right - run.left + 1);
    std::memcpy(Row(frame_, bits, run.y) + run.left, pixels, count * sizeof(QRgb));
    pixels += count;
  }
  keyedLikeFace_ = patch.keyedLikeFace;
  return true;
}

void MeterRenderer::KeepPatch(const NeedleStrokes& strokes) {
  // About fifty bytes a row of the needle: a few hundred patches, a MiB or two.
  constexpr std::size_t kPatchBudgetPixels = std::size_t{1} << 20;
  // Only what differs from the keyed face: the rest of a frame holds it already when
  // the patch is copied back.
  patchRuns_.clear();
  std::size_t count = 0;
  const uchar* bits = frame_.constBits();
  const uchar* faceBits = keyedBase_.constBits();
  touched_.ForEach([&](int y, int left, int right) {
    const QRgb* row = Row(frame_, bits, y);
    const QRgb* face = Row(keyedBase_, faceBits, y);
    while (left <= right && row[left] == face[left]) ++left;
    while (right >= left && row[right] == face[right]) --right;
    if (left > right) return;
    patchRuns_.push_back({y, left, right});
    count += static_cast<std::size_t>(right - left + 1);
  });
  if (count > kPatchBudgetPixels) return;
  if (patchPixels_ + count > kPatchBudgetPixels) {
    patches_.clear();
    patchPixels_ = 0;
  }
  Patch patch;
  patch.keyedLikeFace = keyedLikeFace_;
  patch.runs.assign(patchRuns_.begin(), patchRuns_.end());
  patch.pixels.reserve(count);
  for (const Patch::Run& run : patchRuns_) {
    const QRgb* row = Row(frame_, bits, run.y);
    patch.pixels.insert(patch.pixels.end(), row + run.left, row + run.right + 1);
  }
  patchPixels_ += count;
  patches_.emplace(strokes, std::move(patch));
}

namespace {

// Appends one row's run; rows come in order, so QRegion only extends its last band.
void AddRun(QRegion& region, int y, int left, int right) {
  if (left <= right) region += QRect(left, y, right - left + 1, 1);
}

}  // namespace

MaskDifference MeterRenderer::MaskDifferenceFromFace() const {
  MaskDifference difference;
  if (frame_.size() != keyedBase_.size()) return difference;
  const uchar* frameBits = frame_.constBits();
  const uchar* faceBits = keyedBase_.constBits();
  touched_.ForEach([&](int y, int left, int right) {
    const QRgb* pixel = Row(frame_, frameBits, y);
    const QRgb* face = Row(keyedBase_, faceBits, y);
    // ShownByMask is the top bit of the pixel: most rows differ nowhere.
    QRgb differ = 0;
    for (int x = left; x <= right; ++x) differ |= pixel[x] ^ face[x];
    if ((differ & 0x80000000u) == 0) return;
    int shownFrom = -1, hiddenFrom = -1;
    for (int x = left; x <= right + 1; ++x) {
      const bool inside = x <= right;
      const bool shown = inside && ShownByMask(pixel[x]) && !ShownByMask(face[x]);
      const bool hidden = inside && !ShownByMask(pixel[x]) && ShownByMask(face[x]);
      if (shown && shownFrom < 0) shownFrom = x;
      if (!shown && shownFrom >= 0) {
        AddRun(difference.Shown, y, shownFrom, x - 1);
        shownFrom = -1;
      }
      if (hidden && hiddenFrom < 0) hiddenFrom = x;
      if (!hidden && hiddenFrom >= 0) {
        AddRun(difference.Hidden, y, hiddenFrom, x - 1);
        hiddenFrom = -1;
      }
    }
  });
  return difference;
}

}  // namespace quendal
