#include "calibration/Scale.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quendal {

namespace {

std::string MarkText(std::size_t index) { return "mark " + std::to_string(index + 1); }

}  // namespace

std::string ScaleMarksProblem(const std::vector<ScaleMark>& Marks) {
  if (Marks.size() < 2) return "a scale needs at least two marks";
  for (std::size_t i = 0; i < Marks.size(); ++i) {
    const double value = Marks[i].Value;
    if (!std::isfinite(value)) return MarkText(i) + ": the value is not a finite number";
    if (i > 0 && !(value > Marks[i - 1].Value)) {
      return MarkText(i) + ": the value is not above that of " + MarkText(i - 1);
    }
  }
  return {};
}

Scale::Scale(std::vector<ScaleMark> Marks, ScaleInterpolation Between) : between_(Between) {
  if (ScaleMarksProblem(Marks).empty()) marks_ = std::move(Marks);
}

ScaleSpot Scale::Locate(double Value) const {
  if (marks_.size() < 2) return {};
  const std::size_t last = marks_.size() - 1;
  if (Value >= marks_[last].Value) return {last - 1, 1.0};
  std::size_t index = 0;
  if (Value >= marks_[1].Value) {
    const auto above =
        std::upper_bound(marks_.begin() + 1, marks_.end(), Value,
                         [](double value, const ScaleMark& mark) { return value < mark.Value; });
    index = static_cast<std::size_t>(above - marks_.begin()) - 1;
  }
  const double from = marks_[index].Value;
  const double t = (Value - from) / (marks_[index + 1].Value - from);
  if (between_ == ScaleInterpolation::Angle) return {index, t < 0.0 ? 0.0 : t};
  return {index, t - std::trunc(t)};
}

Scale SScale(const TCalibrationPoints& Points) {
  std::vector<ScaleMark> marks;
  marks.reserve(Points.size());
  for (std::size_t i = 0; i < Points.size(); ++i) {
    marks.push_back({static_cast<double>(i), Points[i]});
  }
  return Scale(std::move(marks), ScaleInterpolation::Chord);
}

Scale SScale(const MeterCalibration& Calibration) {
  return Calibration.CalibrationDone ? SScale(Calibration.CalibrationPoints) : Scale();
}

}  // namespace quendal
