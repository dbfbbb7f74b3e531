#pragma once

#include <QPainter>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <string>
#include <vector>

#include "calibration/MeterCalibration.h"
#include "calibration/Scale.h"
#include "meters/TransmitReading.h"

namespace quendal {

// The S scale's 16 marks, the arc's three points, or the marks of a transmit scale.
enum class GuidedKind { Scale, Arc, Transmit };

// Where a guided calibration stands: marks being clicked, the needle sweeping over
// them, or waiting for "Use this calibration?".
enum class GuidedStage { Idle, Clicking, Preview, Question };

// The answer to "Use this calibration?".
enum class GuidedAnswer { Yes, No, Cancel };

// The calibration on the face itself: an instruction names the next mark, each click
// leaves a marker with the mark's name, a click far off the others' arc is told at once, the last
// one can be taken back, and a finished scale is swept once before the question. Input comes as
// plain calls; the window draws DrawGuidedOverlay and saves the points on Yes. The calibration in
// use is never touched here, so a cancel keeps it.
class GuidedCalibration {
 public:
  // Meter ticks the preview sweep lasts (2 s at 10 ms).
  static constexpr int kPreviewTicks = 200;

  // Scale or Arc; Transmit again with the values of the last StartTransmit.
  void Start(GuidedKind Kind);
  // The marks of Reading's scale with these values (at least two, increasing), in order.
  void StartTransmit(TransmitReading Reading, std::vector<double> Values);
  // A left click on the face; ignored unless marks are being clicked.
  void Click(std::int32_t X, std::int32_t Y);
  // Takes the last marker back, also the last mark of a finished scale, whose click is
  // then asked for again; false when there is none.
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
  // How many clicks complete this calibration: 16 marks, 3 arc points, or the
  // transmit scale's values.
  int Needed() const;
  const std::vector<TPoint>& Points() const { return points_; }
  // The 16 marks as a calibration's points (unclicked ones stay (0, 0)).
  TCalibrationPoints ScalePoints() const;
  // Where the needle stands with the live reading at Live: swept from 0 (S0) to 15
  // (+60 dB) during the preview of an S scale, else the reading itself, so that the
  // question is answered looking at the new calibration at work.
  double NeedlePosition(double Live) const;
  TransmitReading Reading() const { return reading_; }
  // The transmit scale the clicks make: the values on their points (the clicked ones).
  Scale TransmitMarks() const;
  // The value the preview of a transmit scale shows: swept from the first mark to the
  // last, an equal time on each stretch between marks.
  double PreviewValue() const;
  // The badge beside marker Index: the S mark's name, the arc point's number, or the
  // transmit mark's value.
  std::string Badge(int Index) const;
  // The line shown on the face.
  std::string Instruction() const;

 private:
  GuidedKind kind_ = GuidedKind::Scale;
  GuidedStage stage_ = GuidedStage::Idle;
  std::string FarWarning() const;
  // The clicked point Index as the instruction names it.
  std::string PointName(int Index) const;

  TransmitReading reading_ = TransmitReading::Power;
  std::vector<double> values_;
  std::vector<TPoint> points_;
  int preview_tick_ = 0;
  // The last click lies far off the arc of the marks before it.
  bool last_far_ = false;
};

// The name of arc point Index: left end, middle of the scale, right end.
std::string ArcPointName(int Index);

// The badge beside a scale marker: the mark's own name as the face prints it, "S0" to
// "S9", then "+10" to "+60".
std::string MarkBadge(int Index);

// Where the badge of size Size for the marker at Points[Index] stands: on the inner side
// of the arc the points draw, staggered from its neighbours'.
QRect MarkerBadgeBox(const std::vector<TPoint>& Points, std::size_t Index, QSize Size);

// The instruction at the top of the face and a small marker at each click, its badge
// (the mark's name, or the arc point's number) on the inner side of the arc the marks
// draw, clear of the scale's printing, which lies on and outside it.
void DrawGuidedOverlay(QPainter& Painter, const GuidedCalibration& Guided,
                       std::int32_t ClientWidth);

}  // namespace quendal
