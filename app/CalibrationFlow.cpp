#include "app/CalibrationFlow.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <Qt>
#include <cmath>
#include <cstdio>

#include "app/TransmitScaleQuestions.h"
#include "calibration/CalibrationFile.h"
#include "calibration/TransmitScaleFile.h"
#include "display/TransmitText.h"

namespace quendal {

namespace {

const char* const kCalibrationFile = "calibration.txt";

bool OwnCalibrationExists(const std::string& faceFileName) {
  return QFileInfo::exists(QString::fromStdString(FaceCalibrationFileName(faceFileName)));
}

}  // namespace

CalibrationFlow::CalibrationFlow(MeterCalibration& calibration, const WindowSettings& window,
                                 Prompter& prompter, TextLog& log, CalibrationFlowHost& host)
    : calibration_(calibration), window_(window), prompter_(prompter), log_(log), host_(host) {}

void CalibrationFlow::LoadCalibration(bool BuiltInFace) {
  procedure_ = std::make_unique<CalibrationProcedure>(
      calibration_, prompter_, log_, [this] { host_.SaveConfig(); }, CalibrationFiles());
  log_.Log("Attempting to load calibration data...");
  if (BuiltInFace && LoadBuiltInCalibration()) return;
  const bool valid = LoadFaceCalibration();
  const bool arcMissing = calibration_.UseArcCalibration && !calibration_.ArcCalibrationDone;
  if (window_.GuidedCalibration) {
    // One guided calibration at a time: the arc first, as the dialogs have it.
    scale_after_arc_ = !valid && arcMissing;
    if (arcMissing) {
      BeginArcCalibration();
    } else if (!valid) {
      BeginScaleCalibration(true);
    }
    return;
  }
  if (!valid) procedure_->PerformCalibration();
  if (calibration_.UseArcCalibration && !calibration_.ArcCalibrationDone)
    procedure_->PerformArcCalibration();
}

bool CalibrationFlow::Borrowed() const {
  // A completed scale calibration writes the face's own file.
  return borrowed_ && !OwnCalibrationExists(window_.BackgroundImageFileName);
}

bool CalibrationFlow::LoadBuiltInCalibration() {
  QFile file(QStringLiteral(":/builtin-face/calibration.txt"));
  if (!file.open(QIODevice::ReadOnly)) return false;
  QTextStream in(&file);
  for (TPoint& point : calibration_.CalibrationPoints) in >> point.X >> point.Y;
  // Only the points: the geometry settings stay the user's and are saved as they are.
  calibration_.CalibrationDone = in.status() == QTextStream::Ok;
  return calibration_.CalibrationDone;
}

std::vector<std::string> CalibrationFlow::CalibrationFiles() const {
  // The face's own file first; calibration.txt too, for set-ups and tools that read it.
  return {FaceCalibrationFileName(window_.BackgroundImageFileName), kCalibrationFile};
}

bool CalibrationFlow::LoadFaceCalibration() {
  calibration_.CalibrationPoints = {};
  calibration_.CalibrationDone = false;
  const std::string file = OwnCalibrationExists(window_.BackgroundImageFileName)
                               ? FaceCalibrationFileName(window_.BackgroundImageFileName)
                               : kCalibrationFile;
  try {
    LoadCalibrationFromFile(calibration_.CalibrationPoints, file, log_);
    if (ValidateCalibrationPoints(calibration_.CalibrationPoints, log_)) {
      log_.Log("Calibration points loaded and validated.");
      calibration_.CalibrationDone = true;
      return true;
    }
    log_.Log("Invalid calibration data. Starting calibration.");
  } catch (const std::exception& e) {
    log_.Log(std::string("Exception occurred while loading calibration: ") + e.what());
  }
  return false;
}

FoundCalibration CalibrationFlow::ChangeFace() {
  procedure_->Cancel();
  guided_.Cancel();
  scale_after_arc_ = false;
  procedure_->SetCalibrationFiles(CalibrationFiles());
  const bool own = OwnCalibrationExists(window_.BackgroundImageFileName);
  borrowed_ = !own;
  if (!LoadFaceCalibration()) return FoundCalibration::None;
  return own ? FoundCalibration::Own : FoundCalibration::Common;
}

void CalibrationFlow::OfferCalibration(FoundCalibration Found) {
  if (Found == FoundCalibration::None) {
    BeginScaleCalibration(true);
  } else if (Found == FoundCalibration::Common &&
             prompter_.confirm("This face has no calibration of its own yet. "
                               "Calibrate its scale now?")) {
    BeginScaleCalibration(false);
  }
}

void CalibrationFlow::BeginScaleCalibration(bool Required) {
  if (window_.GuidedCalibration) {
    log_.Log("Guided scale calibration started.");
    guided_.Start(GuidedKind::Scale);
  } else if (Required) {
    procedure_->PerformCalibration();
  } else {
    procedure_->BeginCalibration();
  }
}

void CalibrationFlow::BeginArcCalibration() {
  if (!window_.GuidedCalibration) {
    calibration_.UseArcCalibration = true;
    procedure_->PerformArcCalibration();
    return;
  }
  log_.Log("Guided arc calibration started.");
  guided_.Start(GuidedKind::Arc);
}

bool CalibrationFlow::StartScaleCalibration() {
  if (Pending()) return false;
  if (window_.GuidedCalibration) {
    // Nothing to ask first: Esc leaves it and keeps the calibration in use.
    BeginScaleCalibration(false);
    return true;
  }
  if (!prompter_.confirm("Calibrate the scale: click its 16 marks in turn, S0 to +60 dB. The "
                         "calibration in use stays until the last mark is confirmed. Start?"))
    return false;
  procedure_->BeginCalibration();
  return true;
}

bool CalibrationFlow::StartArcCalibration() {
  if (Pending()) return false;
  BeginArcCalibration();
  return true;
}

bool CalibrationFlow::StartTransmitCalibration(std::optional<TransmitReading> Shown) {
  if (Pending()) return false;
  const std::optional<TransmitReading> reading = Shown ? Shown : AskTransmitReading(prompter_);
  if (!reading) return false;
  std::optional<std::vector<double>> values = AskScaleValues(prompter_, *reading);
  if (!values) return false;
  const std::string list = ScaleValuesText(*values, *reading);
  guided_.StartTransmit(*reading, std::move(*values));
  log_.Log("Guided " + GuidedName() + " calibration started (" + list + ").");
  return true;
}

bool CalibrationFlow::FormMouseDown(int button, int ClientX, int ClientY, double Factor) {
  const auto facePixel = [Factor](int v) {
    return static_cast<std::int32_t>(std::lround(static_cast<double>(v) / Factor));
  };
  const std::int32_t x = facePixel(ClientX);
  const std::int32_t y = facePixel(ClientY);
  if (guided_.Active()) {
    GuidedMouseDown(button, x, y);
    return true;
  }
  if (!procedure_) return false;
  const bool wasPending = procedure_->Pending();
  try {
    procedure_->FormMouseDown(button, x, y);
  } catch (const std::exception& e) {
    ReportSaveFailure(e);
  }
  return wasPending;
}

void CalibrationFlow::GuidedMouseDown(int button, std::int32_t x, std::int32_t y) {
  if (button == 1) {
    if (guided_.TakeBack()) log_.Log("Guided calibration: last mark taken back.");
  } else if (button == 0) {
    guided_.Click(x, y);
    log_.Log("Guided calibration: point " + std::to_string(guided_.Points().size()) + " at (" +
             std::to_string(x) + ", " + std::to_string(y) + ").");
    if (guided_.Stage() != GuidedStage::Preview) return;
    if (guided_.Kind() == GuidedKind::Scale) KeepPreview();
    if (guided_.Kind() == GuidedKind::Transmit) preview_transmit_ = guided_.TransmitMarks();
  }
}

void CalibrationFlow::KeepPreview() {
  preview_calibration_ = calibration_;
  preview_calibration_.CalibrationPoints = guided_.ScalePoints();
  preview_calibration_.CalibrationDone = true;
  // The sweep shows what Yes gives when the fitted pivot is then taken.
  if (!preview_calibration_.IndependentPivotSet) {
    if (const auto circle = FitMarks(preview_calibration_.CalibrationPoints, log_))
      UseFittedPivot(preview_calibration_, *circle);
  }
}

bool CalibrationFlow::GuidedKey(int key) {
  switch (key) {
    case Qt::Key_Backspace:
      if (guided_.TakeBack()) log_.Log("Guided calibration: last mark taken back.");
      return true;
    case Qt::Key_Escape:
      AnswerGuided(GuidedAnswer::Cancel);
      return true;
    case Qt::Key_Y:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      AnswerGuided(GuidedAnswer::Yes);
      return true;
    case Qt::Key_N:
      AnswerGuided(GuidedAnswer::No);
      return true;
    default:
      return false;
  }
}

std::string CalibrationFlow::GuidedName() const {
  switch (guided_.Kind()) {
    case GuidedKind::Scale:
      return "scale";
    case GuidedKind::Arc:
      return "arc";
    case GuidedKind::Transmit:
      break;
  }
  return std::string(TransmitReadingWord(guided_.Reading())) + " scale";
}

void CalibrationFlow::AnswerGuided(GuidedAnswer reply) {
  if (guided_.Answer(reply)) {
    AcceptGuided();
  } else if (!guided_.Active()) {
    log_.Log("Guided calibration cancelled; the calibration in use stays.");
    scale_after_arc_ = false;
  } else if (reply == GuidedAnswer::No) {
    log_.Log("Guided " + GuidedName() + " calibration started again.");
  }
}

void CalibrationFlow::AcceptGuided() {
  if (guided_.Kind() == GuidedKind::Transmit) {
    AcceptTransmitScale();
    return;
  }
  const std::vector<TPoint> points = guided_.Points();
  try {
    if (guided_.Kind() == GuidedKind::Scale) {
      procedure_->AcceptScale(guided_.ScalePoints());
    } else if (!procedure_->AcceptArc(points[0], points[1], points[2])) {
      guided_.Start(GuidedKind::Arc);  // on one line: no arc, click again
      return;
    } else if (scale_after_arc_) {
      scale_after_arc_ = false;
      guided_.Start(GuidedKind::Scale);
    }
  } catch (const std::exception& e) {
    ReportSaveFailure(e);
  }
  host_.CalculateImagePosition();
}

void CalibrationFlow::AcceptTransmitScale() {
  const std::string problem = host_.SaveTransmitScale(guided_.Reading(), preview_transmit_);
  if (problem.empty()) return;
  const std::string text =
      "The new " + std::string(TransmitReadingWord(guided_.Reading())) +
      " scale is in use until the meter closes, but it was not saved: " + problem;
  std::fprintf(stderr, "%s\n", text.c_str());
  prompter_.info(text);
}

void CalibrationFlow::ReportSaveFailure(const std::exception& e) {
  const std::string text = std::string("Saving the calibration failed: ") + e.what();
  log_.Log(text);
  std::fprintf(stderr, "%s\n", text.c_str());
  prompter_.info(text);
}

bool CalibrationFlow::AdvancePreview() {
  if (guided_.Stage() != GuidedStage::Preview) return false;
  // The sweep over the new marks takes the needle; the level waits.
  guided_.AdvancePreview();
  if (guided_.Stage() == GuidedStage::Question) log_.Log("Guided calibration: preview done.");
  return true;
}

void CalibrationFlow::DrawOverlay(QPainter& painter, double Factor, int ClientWidth) const {
  painter.save();
  painter.scale(Factor, Factor);
  DrawGuidedOverlay(painter, guided_, static_cast<std::int32_t>(std::lround(ClientWidth / Factor)));
  painter.restore();
}

double CalibrationFlow::NeedlePosition(double Live) const {
  if (guided_.Kind() == GuidedKind::Transmit && guided_.Stage() == GuidedStage::Preview)
    return host_.TransmitNeedlePosition(preview_transmit_, guided_.PreviewValue());
  return guided_.NeedlePosition(Live);
}

bool CalibrationFlow::PreviewSweeping() const { return guided_.Stage() == GuidedStage::Preview; }

const MeterCalibration* CalibrationFlow::Preview() const {
  // A finished guided scale shows its own marks until the answer.
  const bool shown =
      guided_.Kind() == GuidedKind::Scale &&
      (guided_.Stage() == GuidedStage::Preview || guided_.Stage() == GuidedStage::Question);
  return shown ? &preview_calibration_ : nullptr;
}

const Scale* CalibrationFlow::TransmitPreview(std::optional<TransmitReading> Shown) const {
  const bool shown = guided_.Kind() == GuidedKind::Transmit && guided_.Reading() == Shown &&
                     guided_.Stage() == GuidedStage::Question;
  return shown ? &preview_transmit_ : nullptr;
}

}  // namespace quendal
