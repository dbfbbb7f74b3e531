#pragma once

#include <optional>
#include <span>

#include "calibration/MeterCalibration.h"

namespace quendal {

// The circle that best fits a set of points, by least squares on their distances.
struct FittedCircle {
  double CenterX = 0.0;
  double CenterY = 0.0;
  double Radius = 0.0;
  // Root mean square of the points' distances from the circle, in pixels.
  double Residual = 0.0;
  // How far the circle bows away from the chord between the first and last point.
  double Sagitta = 0.0;
};

// Nothing for fewer than three points or points on one line.
std::optional<FittedCircle> FitCircle(std::span<const TPoint> Points);

// True when the points lie on an arc: close to the circle and clearly bent, so
// that its centre can serve as the needle's pivot. A straight scale is not one.
bool LiesOnArc(const FittedCircle& Circle);

// True when the last point lies clearly off the curve the ones before it draw: at least
// five of them, close to one circle, and the last further from it than a hand slips.
bool LastFarFromTheOthers(std::span<const TPoint> Points);

}  // namespace quendal
