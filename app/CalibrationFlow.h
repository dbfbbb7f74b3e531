#pragma once

#include <QPainter>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Config.h"
#include "calibration/CalibrationProcedure.h"
#include "calibration/GuidedCalibration.h"
#include "calibration/MeterCalibration.h"
#include "calibration/Prompter.h"
#include "calibration/Scale.h"
#include "meters/TransmitReading.h"
#include "support/TextLog.h"

namespace quendal {

// What the calibration flow asks of the window it runs in.
class CalibrationFlowHost {
 public:
  virtual ~CalibrationFlowHost() = default;
  // Writes config.ini, which keeps the arc and a fitted pivot.
  virtual void SaveConfig() = 0;
  // A guided calibration was taken into use: the pivot is placed anew.
  virtual void CalculateImagePosition() = 0;
  // A transmit scale calibrated anew: used at once and written to its file; "" or why
  // the file was not written.
  virtual std::string SaveTransmitScale(TransmitReading Reading, const Scale& Marks) = 0;
  // The S scale position at which the needle shows Value on Marks.
  virtual double TransmitNeedlePosition(const Scale& Marks, double Value) const = 0;
};

// Where a face's valid calibration came from: its own file, the common
// calibration.txt, or nowhere.
enum class FoundCalibration { Own, Common, None };

// The calibration of the face: guided on the face, or one dialog per mark, as
// [Calibration] Guided says. Loads the face's calibration, starts the calibrations
// that are missing or asked for, takes the clicks and keys, previews a guided scale
// and saves what is accepted. Marks are kept in face pixels at every size.
class CalibrationFlow {
 public:
  CalibrationFlow(MeterCalibration& calibration, const WindowSettings& window, Prompter& prompter,
                  TextLog& log, CalibrationFlowHost& host);

  // At start: the built-in face's calibration when that face stands in, else the face's
  // own file, else calibration.txt; then the calibrations still missing begin.
  void LoadCalibration(bool BuiltInFace);
  // Another face is in use: drops what is under way and loads its calibration.
  FoundCalibration ChangeFace();
  // Starts a calibration for a face without a valid one; offers one to a face that
  // borrows calibration.txt.
  void OfferCalibration(FoundCalibration Found);

  // The menu's calibrations; false when none started (one is under way, or the user
  // declined). The calibration in use stays until the new one is complete.
  bool StartScaleCalibration();
  bool StartArcCalibration();
  // The scale of Shown, or of the reading asked for when none is shown, after its mark
  // values are asked for.
  bool StartTransmitCalibration(std::optional<TransmitReading> Shown);

  // A click in client pixels on the face drawn at Factor; button: 0 left, 1 right,
  // 2 middle. True when a calibration under way took it.
  bool FormMouseDown(int button, int x, int y, double Factor);
  // Backspace, Esc, Y or Enter, N of a guided calibration; true when it took the key.
  bool GuidedKey(int key);
  // One meter tick; true while the preview sweep holds the needle.
  bool AdvancePreview();
  // The guided preview sweeps the needle on every tick.
  bool PreviewSweeping() const;
  // The guided calibration's instruction and markers over the face drawn at Factor.
  void DrawOverlay(QPainter& painter, double Factor, int ClientWidth) const;

  // A face chosen from the menu reads through calibration.txt, made for another face,
  // until it has a calibration of its own. The face the meter starts with may.
  bool Borrowed() const;

  bool Pending() const { return guided_.Active() || (procedure_ && procedure_->Pending()); }
  // The marks of a finished guided scale while they are previewed and asked about;
  // null otherwise.
  const MeterCalibration* Preview() const;
  // The marks of a finished transmit scale of the reading Shown while its question waits,
  // so that the live reading is seen on them; null otherwise.
  const Scale* TransmitPreview(std::optional<TransmitReading> Shown) const;
  // Where the needle is drawn with the live reading at Live.
  // A new transmit scale's preview sweeps the needle over its marks.
  double NeedlePosition(double Live) const;

  const CalibrationProcedure* Procedure() const { return procedure_.get(); }
  const GuidedCalibration& Guided() const { return guided_; }

 private:
  bool LoadBuiltInCalibration();
  // The face's own calibration, else calibration.txt; false when it is not valid.
  bool LoadFaceCalibration();
  std::vector<std::string> CalibrationFiles() const;
  // Required: there is no valid calibration to keep.
  void BeginScaleCalibration(bool Required);
  void BeginArcCalibration();
  void GuidedMouseDown(int button, std::int32_t x, std::int32_t y);
  void KeepPreview();
  // The guided calibration under way as the log names it: "scale", "arc", "power scale".
  std::string GuidedName() const;
  void AnswerGuided(GuidedAnswer reply);
  void AcceptGuided();
  void AcceptTransmitScale();
  // The points are in use; only calibration.txt or config.ini could not be written.
  void ReportSaveFailure(const std::exception& e);

  MeterCalibration& calibration_;
  const WindowSettings& window_;
  Prompter& prompter_;
  TextLog& log_;
  CalibrationFlowHost& host_;
  std::unique_ptr<CalibrationProcedure> procedure_;
  GuidedCalibration guided_;
  // The face in use was chosen from the menu and found no calibration of its own.
  bool borrowed_ = false;
  // The scale calibration waits for the guided arc calibration before it.
  bool scale_after_arc_ = false;
  // The finished marks (with their fitted pivot) the preview sweeps over.
  MeterCalibration preview_calibration_;
  // The finished marks of a transmit scale, swept over and asked about.
  Scale preview_transmit_;
};

}  // namespace quendal
