#pragma once

#include <cstdint>
#include <optional>

#include "display/Types.h"
#include "meters/LevelConversions.h"
#include "meters/TransmitReading.h"

namespace quendal {

inline constexpr std::int32_t kMinScalePercent = 25;
inline constexpr std::int32_t kMaxScalePercent = 400;
inline constexpr std::int32_t kMaxPeakHoldMs = 60000;
// The highest frequency a reading carries, in whole MHz.
inline constexpr std::int32_t kMaxVhfFromMHz = 2147;

// How the needle looks and moves: read from config.ini at start, changed from the
// meter's menu, written back at close. The initial values are the defaults.
struct MeterSettings {
  // Ballistics
  TNeedleMovementMode NeedleMovementMode = nmExponentialSmoothing;
  double SmoothingFactor = 0.5;
  double DecayFactor = 0.2;
  double DampingFactor = 0.15;
  double MinimumMoveThreshold = 0.001;

  // Standard geometry
  std::int32_t NeedleLength = 220;
  std::int32_t ImageBottomOffset = -50;

  // Drawing
  std::int32_t NeedleThickness = 2;
  TColor32 NeedleColor = 0xFFFF0000u;
  bool ShowArcMarkings = false;
  bool EnableShadow = false;
  std::int32_t ShadowOffset = 4;
  std::int32_t ShadowTransparency = 45;
  bool UseNeedleColorForShadow = true;
  // Stays transparent black unless config.ini supplies it.
  TColor32 ShadowColor = 0;

  // A thin marker at the highest needle position of the last PeakHoldMs.
  bool PeakHold = false;
  std::int32_t PeakHoldMs = 1500;
  // 0: the needle's colour.
  TColor32 PeakHoldColor = 0;

  // Window, face and needle size, in percent of the face picture's own pixels.
  std::int32_t Scale = 100;
  // The reading written on the face beside the needle.
  bool Readout = false;

  // What the needle shows while the rig transmits; none: it rests at S0.
  std::optional<TransmitReading> Transmit = TransmitReading::Power;
  // An SWR above this turns the transmit text red; 0: never.
  double SwrWarning = 3.0;
  // Where S9 lies on each band.
  SUnitRule SUnits;
};

// The live needle, owned by the window: where it is, where it heads, and the meter
// centre of the last layout.
struct NeedleState {
  double NeedlePosition = 0.0;
  double TargetPosition = 0.0;
  std::int32_t ImageCenterX = 0;
  std::int32_t ImageCenterY = 0;
};

}  // namespace quendal
