#pragma once

#include <QImage>
#include <QPainter>
#include <cstdint>

#include "display/RowSpans.h"
#include "display/Types.h"

namespace quendal {

// Lines are clipped to the frame plus this margin before they reach the painter,
// which keeps far-off coordinates out of its fixed-point rasteriser.
inline constexpr double kClipMargin = 2.0;
// Anti-aliasing reaches at most one pixel beyond the ideal line; one more for safety.
inline constexpr double kTouchMargin = 2.0;
// How far from its middle a line of this width can touch pixels.
inline double TouchMargin(double width) { return kTouchMargin + (width - 1.0) / 2.0; }

// Draws anti-aliased lines, one pixel wide unless told otherwise, into an ARGB32
// premultiplied frame. Each
// line is blended on its own by its colour's alpha times its coverage, so lines
// that cross darken where they meet. Whole coordinates are pixel centres; the
// first pixel of a line is drawn and the last one left out.
class LineStroker {
 public:
  void Begin(QImage& frame);
  void Stroke(double x1, double y1, double x2, double y2, TColor32 color, double penWidth = 1.0);
  void End();

 private:
  void StrokeTranslucent(double x1, double y1, double x2, double y2, TColor32 color, double width);

  QImage* frame_ = nullptr;
  QPainter painter_;
  // Translucent lines are drawn opaque here and blended by hand over the few
  // pixels they touch: the painter's own translucent anti-aliased lines are many
  // times slower.
  QImage coverage_;
  QPainter coveragePainter_;
  RowSpans spans_;
};

}  // namespace quendal
