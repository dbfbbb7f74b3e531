#pragma once

#include <QImage>
#include <QPointF>
#include <vector>

#include "calibration/Scale.h"
#include "display/MeterSettings.h"

namespace quendal::facegen {

// The default face: sized and laid out so that the meter's default geometry (pivot
// in the middle, 50 pixels below the bottom edge, needle 220 long) sweeps the scale
// and the needle tip ends on each mark.
inline constexpr int kFaceWidth = 480;
inline constexpr int kFaceHeight = 260;
inline constexpr QPointF kPivot{kFaceWidth / 2.0, kFaceHeight + 50.0};
inline constexpr double kTipRadius = 220.0;
inline constexpr int kEmblemSide = 22;
// The cover over the needle's base reaches this far from the pivot.
inline constexpr double kCoverRadius = 112.0;

// Angle in degrees (counter-clockwise from the x axis) of a scale position 0..15;
// S0..S9 take the left half of the sweep, +10..+60 dB the right half.
double ScaleAngleDegrees(double Position);

// The point at a radius from the pivot along a scale position's direction.
QPointF ScalePoint(double Position, double Radius);

// The 16 marks where the needle tip meets them, in whole pixels.
TCalibrationPoints MarkPoints();

// The transmit scales printed below the S scale, over the same sweep: power 0..100 W
// and SWR 1..∞ (∞ as kSwrInfinity), at whole-pixel points on their drawn marks.
std::vector<ScaleMark> PowerMarks();
std::vector<ScaleMark> SwrMarks();

QImage DrawFace();
// Drawn over the needle: the pivot cover; pure black elsewhere, which is see-through.
QImage DrawForeground();
QImage DrawEmblem();

}  // namespace quendal::facegen
