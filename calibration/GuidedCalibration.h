#pragma once

#include <QPainter>
#include <cstdint>
#include <string>
#include <vector>

#include "calibration/MeterCalibration.h"

namespace quendal {

enum class GuidedKind { Scale, Arc };

// Where a guided calibration stands: marks being clicked, the needle sweeping over
// them, or waiting for "Use this calibration?".
enum class GuidedStage { Idle, Clicking, Preview, Question };

// The answer to "Use this calibration?".
enum class GuidedAnswer { Yes, No, Cancel };

// The calibration on the face itself: an instruction names the next mark, each click
// leaves a numbered marker, the last one can be taken back, and a finished scale is
// swept once before the question. Input comes as plain calls; the window draws
// DrawGuidedOverlay and saves the points on Yes. The calibration in use is never
// touched here, so a cancel keeps it.
class GuidedCalibration {
 public:
  // Meter ticks the preview sweep lasts (2 s at 10 ms).
  static constexpr int kPreviewTicks = 200;

  void Start(GuidedKind Kind);
  // A left click on the face; ignored unless marks are being clicked.
  void Click(std::int32_t X, std::int32_t Y);
  // Takes the last marker back; false when there is none.
  bool TakeBack();
  void Cancel();
  // One meter tick of the preview sweep; the question follows its last tick.
  void AdvancePreview();
  // Yes: true, and the stage goes Idle (the caller saves Points()). No: the clicks
  // start again. Cancel: Idle, nothing kept.
  bool Answer(GuidedAnswer Reply);

  bool Active() const { return stage_ != GuidedStage::Idle; }
  GuidedStage Stage() const { return stage_; }
  GuidedKind Kind() const { return kind_; }
  // How many clicks complete this calibration: 16 marks, or 3 arc points.
  int Needed() const;
  const std::vector<TPoint>& Points() const { return points_; }
  // The 16 marks as a calibration's points (unclicked ones stay (0, 0)).
  TCalibrationPoints ScalePoints() const;
  // The needle position of the preview, 0 (S0) to 15 (+60 dB).
  double PreviewPosition() const;
  // The line shown on the face.
  std::string Instruction() const;

 private:
  GuidedKind kind_ = GuidedKind::Scale;
  GuidedStage stage_ = GuidedStage::Idle;
  std::vector<TPoint> points_;
  int preview_tick_ = 0;
};

// The name of arc point Index: left end, middle of the scale, right end.
std::string ArcPointName(int Index);

// The instruction at the top of the face and a small numbered marker at each click.
void DrawGuidedOverlay(QPainter& Painter, const GuidedCalibration& Guided,
                       std::int32_t ClientWidth);

}  // namespace quendal
