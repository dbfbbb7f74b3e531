#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calibration/CircleFit.h"
#include "calibration/MeterCalibration.h"
#include "calibration/Prompter.h"
#include "support/TextLog.h"

namespace quendal {

// Circle through three points. False (and a message) when they lie on one line;
// Center and Radius are then left as they were.
bool CalculateCircleCenterFromThreePoints(TPoint P1, TPoint P2, TPoint P3, TPoint& Center,
                                          std::int32_t& Radius, Prompter& prompter, TextLog& log);

// True when no calibration point is (0, 0).
bool ValidateCalibrationPoints(const TCalibrationPoints& points, TextLog& log);

// The name printed on the scale at calibration point Index: S0 ... S9, +10 dB ... +60 dB.
std::string MarkName(int Index);

// How far the needle reaches past the arc through the marks, so that its tip
// crosses the ticks rather than stopping at the clicked points.
inline constexpr std::int32_t kTipPastArc = 3;

// The circle through the 16 marks when they lie on an arc (logged either way); none
// for a straight scale.
std::optional<FittedCircle> FitMarks(const TCalibrationPoints& Points, TextLog& Log);

// The question that offers the circle's centre as the pivot.
std::string FittedPivotQuestion(const FittedCircle& Circle);

// Fills in the arc geometry from that circle: its centre is the pivot, and the
// needle is kTipPastArc longer than its radius.
void UseFittedPivot(MeterCalibration& Calibration, const FittedCircle& Circle);

// The two click-driven calibrations: 16 confirmed scale marks, or the three
// points of the scale arc. Both share one click counter. Clicks are collected
// apart and replace the calibration in use only once complete, so a meter being
// recalibrated keeps reading right until the last click.
class CalibrationProcedure {
 public:
  // save_config writes config.ini (after the arc calibration); every file of
  // calibration_files receives the 16 points at the end of the main calibration.
  CalibrationProcedure(MeterCalibration& state, Prompter& prompter, TextLog& log,
                       std::function<void()> save_config,
                       std::vector<std::string> calibration_files);

  // The start-up calibration: says it is required, then asks for S0.
  void PerformCalibration();
  // A calibration the user asked for: asks for S0 at once.
  void BeginCalibration();
  void PerformArcCalibration();
  // button: 0 left, 1 right, 2 middle; face pixels.
  void FormMouseDown(int button, std::int32_t x, std::int32_t y);

  // Where the next completed calibration is written (another face, other files).
  void SetCalibrationFiles(std::vector<std::string> calibration_files);
  // Drops a calibration under way; the one in use stays.
  void Cancel();

  // A guided calibration's results, saved as the clicked ones are: the 16 marks (then
  // the fitted pivot is offered), or the arc through its left end, middle and right
  // end (false, with a message, when the three lie on a line).
  void AcceptScale(const TCalibrationPoints& Points);
  bool AcceptArc(TPoint Left, TPoint Middle, TPoint Right);

  bool ArcCalibrationPending() const;
  bool MainCalibrationPending() const { return main_pending_; }
  bool Pending() const { return ArcCalibrationPending() || MainCalibrationPending(); }
  std::int32_t CalibrationIndex() const { return calibration_index_; }
  // The marks clicked so far by the calibration under way.
  const TCalibrationPoints& PendingPoints() const { return pending_points_; }

 private:
  void HandleArcClick(std::int32_t x, std::int32_t y);
  void CompleteArcCalibration(std::int32_t x, std::int32_t y);
  void SaveArcAndRestartScale();
  void HandleMainClick(std::int32_t x, std::int32_t y);
  void CompleteMainCalibration();
  void SaveMainCalibration();
  void OfferFittedPivot();

  MeterCalibration& state_;
  Prompter& prompter_;
  TextLog& log_;
  std::function<void()> save_config_;
  std::vector<std::string> calibration_files_;
  std::int32_t calibration_index_ = 0;
  bool main_pending_ = false;
  bool arc_pending_ = false;
  TCalibrationPoints pending_points_{};
  // The arc's clicked midpoint and end points belong to the arc, not to the scale.
  TPoint arc_middle_{};
  TPoint arc_left_{};
};

}  // namespace quendal
