#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quendal {

// A point in window client pixels.
struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;

  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// "(x, y)", as the logs write points.
inline std::string PointText(TPoint p) {
  return "(" + std::to_string(p.X) + ", " + std::to_string(p.Y) + ")";
}

inline constexpr int kCalibrationPointCount = 16;
using TCalibrationPoints = std::array<TPoint, kCalibrationPointCount>;

// Where the face's scale lies: the clicked marks (calibration.txt) and the arc
// geometry (config.ini). Changed only by the calibration procedures.
struct MeterCalibration {
  // 0..9 = S0..S9, 10..15 = S9+10 .. S9+60 dB
  TCalibrationPoints CalibrationPoints{};
  bool CalibrationDone = false;

  bool UseArcCalibration = false;
  bool ArcCalibrationDone = false;
  TPoint ArcCenter{};
  std::int32_t ArcRadius = 0;
  std::int32_t NeedleLengthOffset = 0;
  std::int32_t PivotArcRadius = 0;
  std::int32_t ArcCenterOffsetX = 0;
  std::int32_t ArcCenterOffsetY = 0;
  TPoint IndependentPivot{};
  bool IndependentPivotSet = false;

  bool ArcMode() const { return UseArcCalibration && ArcCalibrationDone; }
};

}  // namespace quendal
