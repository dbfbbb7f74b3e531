#pragma once

#include <cstdint>

#include "display/Types.h"

namespace quendal {

// The needle's parallel strokes lie one pixel apart across the needle, so that it is
// equally thick at every angle: stroke i is moved by i times this unit vector, the
// normal of the direction (x right, y down). Zero for a direction of no length.
struct StrokeShift {
  double X = 0.0;
  double Y = 0.0;
  bool operator==(const StrokeShift&) const = default;
};

struct Segment {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const Segment&) const = default;
};

// One set of parallel strokes: the segment moved by i times shift for i in [first, last].
struct StrokeSet {
  Segment base;
  StrokeShift shift;
  TColor32 color = 0;
  double width = 1.0;  // of each stroke, in drawn pixels; shift is as long
  std::int64_t first = 0;
  std::int64_t last = -1;

  bool Empty() const { return last < first; }
  Segment Stroke(std::int64_t i) const {
    const double dx = static_cast<double>(i) * shift.X, dy = static_cast<double>(i) * shift.Y;
    return {base.x1 + dx, base.y1 + dy, base.x2 + dx, base.y2 + dy};
  }
  bool operator==(const StrokeSet&) const = default;
};

// What the renderer draws of the needle: its shadow, the peak marker, then the needle.
struct NeedleStrokes {
  StrokeSet shadow;
  StrokeSet peak;
  StrokeSet needle;
  bool operator==(const NeedleStrokes&) const = default;
};

}  // namespace quendal
