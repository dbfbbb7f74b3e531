#include "calibration/CalibrationProcedure.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "calibration/CalibrationFile.h"
#include "support/Rounding.h"

namespace quendal {

namespace {
std::string Pixels(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

std::string FittedPivotQuestion(const FittedCircle& Circle) {
  return "Your marks curve around the point (" + std::to_string(std::lround(Circle.CenterX)) +
         ", " + std::to_string(std::lround(Circle.CenterY)) +
         "), which is most likely where the needle turns on this face. Let the needle turn about "
         "that point and reach each mark? (Recommended: Yes)";
}

std::string MarkName(int Index) {
  if (Index < 10) return "S" + std::to_string(Index);
  return "+" + std::to_string((Index - 9) * 10) + " dB";
}

std::optional<FittedCircle> FitMarks(const TCalibrationPoints& Points, TextLog& Log) {
  const std::optional<FittedCircle> circle = FitCircle(Points);
  if (!circle || !LiesOnArc(*circle)) {
    Log.Log("The marks lie on no arc; the needle keeps its pivot.");
    return std::nullopt;
  }
  Log.Log("The marks lie on an arc about (" + Pixels(circle->CenterX) + ", " +
          Pixels(circle->CenterY) + ") with radius " + Pixels(circle->Radius) + ", within " +
          Pixels(circle->Residual) + " px.");
  return circle;
}

void UseFittedPivot(MeterCalibration& Calibration, const FittedCircle& Circle) {
  Calibration.UseArcCalibration = true;
  Calibration.ArcCalibrationDone = true;
  Calibration.ArcCenter = {static_cast<std::int32_t>(RoundHalfEven(Circle.CenterX)),
                           static_cast<std::int32_t>(RoundHalfEven(Circle.CenterY))};
  Calibration.ArcRadius = static_cast<std::int32_t>(RoundHalfEven(Circle.Radius)) + kTipPastArc;
}

bool CalculateCircleCenterFromThreePoints(TPoint P1, TPoint P2, TPoint P3, TPoint& Center,
                                          std::int32_t& Radius, Prompter& prompter, TextLog& log) {
  const long double x1 = P1.X, y1 = P1.Y, x2 = P2.X, y2 = P2.Y, x3 = P3.X, y3 = P3.Y;
  const long double det = x1 * (y2 - y3) + x2 * (y3 - y1) + x3 * (y1 - y2);
  if (std::fabs(det) < 1e-10L) {
    prompter.info("Error calculating circle center: points are collinear.");
    return false;
  }
  const long double a = x1 * x1 + y1 * y1;
  const long double b = x2 * x2 + y2 * y2;
  const long double c = x3 * x3 + y3 * y3;
  const long double xc = (a * (y2 - y3) + b * (y3 - y1) + c * (y1 - y2)) / (2 * det);
  const long double yc = (a * (x3 - x2) + b * (x1 - x3) + c * (x2 - x1)) / (2 * det);
  Center = TPoint{static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(xc))),
                  static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(yc)))};
  const long double dx = static_cast<long double>(Center.X) - x1;
  const long double dy = static_cast<long double>(Center.Y) - y1;
  Radius =
      static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(std::sqrt(dx * dx + dy * dy))));
  char text[128];
  std::snprintf(text, sizeof text, "Calculated circle center at (%d, %d) with radius %d", Center.X,
                Center.Y, Radius);
  log.Log(text);
  return true;
}

bool ValidateCalibrationPoints(const TCalibrationPoints& points, TextLog& log) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i].X == 0 && points[i].Y == 0) {
      log.Log("Validation failed at point " + std::to_string(i) + ". Point: (0, 0)");
      return false;
    }
  }
  return true;
}

CalibrationProcedure::CalibrationProcedure(MeterCalibration& state, Prompter& prompter,
                                           TextLog& log, std::function<void()> save_config,
                                           std::vector<std::string> calibration_files)
    : state_(state),
      prompter_(prompter),
      log_(log),
      save_config_(std::move(save_config)),
      calibration_files_(std::move(calibration_files)) {}

void CalibrationProcedure::SetCalibrationFiles(std::vector<std::string> calibration_files) {
  calibration_files_ = std::move(calibration_files);
}

void CalibrationProcedure::Cancel() {
  main_pending_ = false;
  arc_pending_ = false;
  calibration_index_ = 0;
}

bool CalibrationProcedure::ArcCalibrationPending() const {
  return arc_pending_ && state_.UseArcCalibration;
}

void CalibrationProcedure::PerformCalibration() {
  log_.Log("PerformCalibration: Calibration required.");
  prompter_.info("Calibration required. Let\u2019s start!");
  BeginCalibration();
}

void CalibrationProcedure::BeginCalibration() {
  calibration_index_ = 0;
  main_pending_ = true;
  pending_points_ = state_.CalibrationPoints;
  prompter_.info("Please click on the S0 position.");
}

void CalibrationProcedure::PerformArcCalibration() {
  log_.Log("PerformArcCalibration: Arc Calibration required.");
  prompter_.info("Arc Calibration required. Click the center of the arc first.");
  calibration_index_ = 0;
  arc_pending_ = true;
}

void CalibrationProcedure::FormMouseDown(int button, std::int32_t x, std::int32_t y) {
  log_.Log("FormMouseDown triggered. Button: " + std::to_string(button) +
           ", X: " + std::to_string(x) + ", Y: " + std::to_string(y));
  if (ArcCalibrationPending()) {
    HandleArcClick(x, y);
    return;
  }
  if (!main_pending_ || button != 0) {
    log_.Log(std::string("Click ignored. CalibrationDone=") +
             (state_.CalibrationDone ? "True" : "False") + ", Button=" + std::to_string(button));
    return;
  }
  HandleMainClick(x, y);
}

void CalibrationProcedure::HandleArcClick(std::int32_t x, std::int32_t y) {
  switch (calibration_index_) {
    case 0:
      log_.Log("Arc Calibration: Center set at " + PointText({x, y}));
      arc_middle_ = TPoint{x, y};
      prompter_.info("Now click on the left endpoint of the arc.");
      break;
    case 1:
      log_.Log("Arc Calibration: Left endpoint set at " + PointText({x, y}));
      arc_left_ = TPoint{x, y};
      prompter_.info("Now click on the right endpoint of the arc.");
      break;
    case 2:
      CompleteArcCalibration(x, y);
      return;
    default:
      break;
  }
  ++calibration_index_;
}

void CalibrationProcedure::CompleteArcCalibration(std::int32_t x, std::int32_t y) {
  log_.Log("Arc Calibration: Right endpoint set at " + PointText({x, y}));
  TPoint center = arc_middle_;
  std::int32_t radius = state_.ArcRadius;
  if (!CalculateCircleCenterFromThreePoints(arc_left_, arc_middle_, TPoint{x, y}, center, radius,
                                            prompter_, log_)) {
    // Three points on a line give no circle: ask for them again.
    PerformArcCalibration();
    return;
  }
  state_.ArcCenter = center;
  state_.ArcRadius = radius;
  state_.ArcCalibrationDone = true;
  arc_pending_ = false;
  log_.Log("Arc Calibration complete. True Center: " + PointText(state_.ArcCenter) +
           ", Radius: " + std::to_string(state_.ArcRadius));
  prompter_.info("Arc Calibration complete.");
  SaveArcAndRestartScale();
}

void CalibrationProcedure::SaveArcAndRestartScale() {
  // The arc took the shared counter's first clicks; a pending scale calibration
  // starts over at S0, even when config.ini could not be written.
  calibration_index_ = 0;
  const auto askForS0 = [this] {
    if (main_pending_) prompter_.info("Please click on the S0 position.");
  };
  try {
    save_config_();
  } catch (...) {
    askForS0();
    throw;
  }
  askForS0();
}

void CalibrationProcedure::HandleMainClick(std::int32_t x, std::int32_t y) {
  log_.Log("Main Calibration in progress...");
  if (calibration_index_ < 0 || calibration_index_ >= kCalibrationPointCount) return;
  pending_points_[static_cast<std::size_t>(calibration_index_)] = TPoint{x, y};
  const std::string index = std::to_string(calibration_index_);
  log_.Log("Main Calibration point " + index + " set at: " + PointText({x, y}));
  if (!prompter_.confirm("Is this the correct position for " + MarkName(calibration_index_) +
                         "?")) {
    prompter_.info("Please click on the " + MarkName(calibration_index_) + " position again.");
    return;
  }
  ++calibration_index_;
  if (calibration_index_ == kCalibrationPointCount) {
    CompleteMainCalibration();
  } else {
    prompter_.info("Now, please click on the " + MarkName(calibration_index_) + " position.");
  }
}

void CalibrationProcedure::CompleteMainCalibration() {
  state_.CalibrationPoints = pending_points_;
  state_.CalibrationDone = true;
  main_pending_ = false;
  log_.Log("Main Calibration complete.");
  prompter_.info("Main Calibration complete.");
  SaveMainCalibration();
}

void CalibrationProcedure::AcceptScale(const TCalibrationPoints& Points) {
  Cancel();
  state_.CalibrationPoints = Points;
  state_.CalibrationDone = true;
  log_.Log("Main Calibration complete.");
  SaveMainCalibration();
}

bool CalibrationProcedure::AcceptArc(TPoint Left, TPoint Middle, TPoint Right) {
  Cancel();
  TPoint center = Middle;
  std::int32_t radius = state_.ArcRadius;
  if (!CalculateCircleCenterFromThreePoints(Left, Middle, Right, center, radius, prompter_, log_))
    return false;
  state_.UseArcCalibration = true;
  state_.ArcCenter = center;
  state_.ArcRadius = radius;
  state_.ArcCalibrationDone = true;
  log_.Log("Arc Calibration complete. True Center: " + PointText(state_.ArcCenter) +
           ", Radius: " + std::to_string(state_.ArcRadius));
  save_config_();
  return true;
}

void CalibrationProcedure::SaveMainCalibration() {
  for (const std::string& file : calibration_files_) {
    SaveCalibrationToFile(state_.CalibrationPoints, file, log_);
  }
  OfferFittedPivot();
}

void CalibrationProcedure::OfferFittedPivot() {
  // A pivot set by hand in config.ini is the user's own choice.
  if (state_.IndependentPivotSet) return;
  const std::optional<FittedCircle> circle = FitMarks(state_.CalibrationPoints, log_);
  if (!circle) return;
  if (!prompter_.confirm(FittedPivotQuestion(*circle))) return;
  UseFittedPivot(state_, *circle);
  save_config_();
}

}  // namespace quendal
