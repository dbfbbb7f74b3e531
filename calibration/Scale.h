#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "calibration/MeterCalibration.h"

namespace quendal {

// A mark printed on the face: its value in the reading's unit and where it lies.
struct ScaleMark {
  double Value = 0.0;
  TPoint Point{};

  friend bool operator==(const ScaleMark&, const ScaleMark&) = default;
};

// How the needle goes between two marks.
enum class ScaleInterpolation {
  // It aims along the straight chord between the marks, and on past the first mark.
  // The S scale has always been read this way, so its faces keep their angles.
  Chord,
  // Its angle goes linearly with the value, and it stops at the end marks.
  Angle,
};

// Where a value falls: Fraction of the way from mark Index to mark Index + 1.
struct ScaleSpot {
  std::size_t Index = 0;
  double Fraction = 0.0;

  friend bool operator==(const ScaleSpot&, const ScaleSpot&) = default;
};

// What is wrong with marks for a scale: "" when there are at least two, their values
// finite and strictly increasing; else the first fault, naming the mark (from 1).
std::string ScaleMarksProblem(const std::vector<ScaleMark>& Marks);

// A scale printed on the face: ordered (value, point) marks. Without marks (the
// default, or from marks with a problem) there is no scale to read.
class Scale {
 public:
  Scale() = default;
  Scale(std::vector<ScaleMark> Marks, ScaleInterpolation Between);

  bool Empty() const { return marks_.empty(); }
  const std::vector<ScaleMark>& Marks() const { return marks_; }
  ScaleInterpolation Between() const { return between_; }

  // The segment a value lies on. At and above the last mark: the last segment's end.
  // Below the first mark an Angle scale stops there; a Chord scale runs back along
  // its first segment by the fraction's part past whole segments (-1.25 gives
  // -0.25), kept because the S scale has always read so. NaN stays NaN in the first
  // segment. An empty scale gives {0, 0}.
  ScaleSpot Locate(double Value) const;

 private:
  std::vector<ScaleMark> marks_;
  ScaleInterpolation between_ = ScaleInterpolation::Chord;
};

// The S scale: its 16 marks at the values 0..15 (S0..S9, then S9+10 .. S9+60 dB), the
// needle's scale positions, on the clicked points.
Scale SScale(const TCalibrationPoints& Points);
// The S scale of a calibration, or no scale until its points are done.
Scale SScale(const MeterCalibration& Calibration);

}  // namespace quendal
