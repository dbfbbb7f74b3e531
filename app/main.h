#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/CalibrationFlow.h"
#include "app/Config.h"
#include "app/FacePictures.h"
#include "app/LevelHistoryWindow.h"
#include "app/LevelRecorder.h"
#include "app/MessageBoxPrompter.h"
#include "app/MeterFrame.h"
#include "app/MeterMenu.h"
#include "app/StatusLabels.h"
#include "app/TickScheduler.h"
#include "app/TransmitMeter.h"
#include "app/WindowBehaviour.h"
#include "app/WindowCaption.h"
#include "calibration/Prompter.h"
#include "flex/FlexRadioLib_v3_1.h"
#include "meters/LevelSource.h"
#include "platform/WindowFinder.h"
#include "support/Clock.h"
#include "support/TextLog.h"

namespace quendal {

// What differs between the program and its tests; the program uses the defaults.
struct FormEnvironment {
  std::string ConfigPath;  // empty: config.ini beside the program file
  // Ports and clock of the FlexRadio link; no other family takes any from the tests.
  RadioLinkSettings FlexLink;
  Prompter* prompter = nullptr;                                     // null: message boxes
  std::function<std::unique_ptr<WindowFinder>()> MakeWindowFinder;  // null: the platform's
  const Clock* clock = nullptr;                                     // null: the system clock
  bool CreateRadioLink = true;
  // Click-through and always-on-top off, the window on the primary screen, saved.
  bool ResetWindow = false;
};

// The meter window. It owns the settings, the level source and the three timers, and
// wires together what does the work: the face pictures, the calibration flow, the
// window's behaviour on the desk, the status labels, the frame and the menu. It runs
// start-up, the ticks, paints and the close in their fixed order.
class TForm1 : public QWidget, public MeterMenuHost, public CalibrationFlowHost {
 public:
  explicit TForm1(FormEnvironment environment = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // Start-up in its fixed order. Throws ConfigError (or an ini file error) when the
  // settings must stop the start; nothing has then been created.
  void FormCreate();

  // Moves a position that lies on no screen back, then applies AlwaysOnTop and
  // ClickThrough; called once before the window is first shown.
  void ApplyWindowSettings();

  void Log(const std::string& message);
  void LoadConfig(const IniFile& ini);
  void SaveConfig() override;
  // The pivot for the client size and the calibration in use.
  void CalculateImagePosition() override;
  void TrackSmartSDRWindow();
  // A click in client pixels; calibrations receive it in face pixels.
  void FormMouseDown(int button, int x, int y);

  // The calibrations the menu starts. Scale: asks first; the calibration in use
  // stays until the new one is complete.
  void StartScaleCalibration() override;
  void StartArcCalibration() override;
  void StartTransmitCalibration() override;
  std::string SaveTransmitScale(TransmitReading Reading, const Scale& Marks) override;
  double TransmitNeedlePosition(const Scale& Marks, double Value) const override;
  void ShowLevelHistory() override;
  // Loads another face with its own calibration (else calibration.txt), and offers
  // to calibrate a face that has none of its own.
  void ChangeFace(const std::string& fileName) override;

  // The menu's view of the window.
  bool SwitchOn(MeterSwitch which) const override;
  void SetSwitch(MeterSwitch which, bool on) override;
  TNeedleMovementMode MovementMode() const override { return config_.meter.NeedleMovementMode; }
  void SetMovementMode(TNeedleMovementMode mode) override;
  std::optional<TransmitReading> TransmitShown() const override { return config_.meter.Transmit; }
  void SetTransmitShown(std::optional<TransmitReading> reading) override;
  int ScalePercent() const override { return config_.meter.Scale; }
  void SetScalePercent(int percent) override;
  bool CalibrationPending() const override { return calibration_.Pending(); }
  std::string SettingsFolder() const override;
  std::int32_t Build() const override { return BuildNumber(); }
  const LevelSource* Radio() const override { return FlexRadio_.get(); }
  void Quit() override { close(); }

  // State, read by tests and the paint.
  const AppConfig& Config() const { return config_; }
  const MeterCalibration& MeterCalibrationData() const { return config_.calibration; }
  const NeedleState& Needle() const { return needle_; }
  const QImage& BackgroundBitmap() const { return pictures_.BackgroundBitmap(); }
  // The last frame drawn, keyed as the window shows it.
  const QImage& RenderedFrame() const { return frame_.Renderer().Frame(); }
  const CalibrationProcedure* Calibration() const { return calibration_.Procedure(); }
  const GuidedCalibration& Guided() const { return calibration_.Guided(); }
  // A key of the guided calibration: Backspace, Esc, Y or Enter, N.
  void GuidedKey(int key);
  QTimer& Timer1() { return Timer1_; }
  QTimer& Timer3() { return Timer3_; }
  bool ClickThroughApplied() const { return window_.ClickThroughApplied(); }
  // The note over the face about its calibration; empty for none.
  const QString& CalibrationNote() const { return labels_.CalibrationNote(); }

  // The settings file in use: the injected one, else the default.
  std::string ConfigPath() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // One meter tick as the scheduler runs it, then whether the tick may sleep.
  void MeterTick(bool AfterRest);
  std::optional<std::chrono::milliseconds> TickRest();
  void Timer1Timer();
  void Timer2Timer();
  // Shows the link's state on the face and its radio in the title, when they change.
  void ShowLinkState();
  // The recorder took its look at the level: the face and the history follow.
  void LevelSampled();
  // Writes the last reading on the face while the readout is on. While the needle moves,
  // a new text in the same box waits for the next frame in which the needle moves, so
  // both go out in one repaint.
  void ShowReadout();
  // A waiting text the needle's frames did not take along: drawn alone once the needle
  // rests or the text has waited kReadoutWait.
  void DrawWaitingReadout();
  // Draws a new readout text into the frame; Before is the box the old text stood in.
  void DrawReadout(const QRect& Before);
  void Timer3Timer();
  void FormPaint(const QRegion& area);
  // Draws the frame for the current state into the renderer's buffer.
  void RenderFrame();
  // The next paint draws the frame anew (size, calibration or settings changed).
  void InvalidateFrame();
  void FormResize();
  void FormClose();

  void LoadPictures();
  // The face's transmit scales; a bad file is reported and its scale not used.
  void LoadTransmitScales();
  // Reads the transmitter for this tick and shows it in the corner; the S scale position
  // the needle heads for while the rig transmits.
  std::optional<double> FollowTransmitter();
  void LoadCalibration();
  // At close and after --reset-window: a failure is logged and printed, not raised.
  void SaveConfigOrReport();
  // A calibration began, took input or ended: click-through and the frame follow.
  void CalibrationChanged();
  // Before a calibration: pure-black printing on the face will vanish after it.
  void WarnOfPureBlackPrinting();
  void LockClientSize();
  // Scale percent as a factor of the face picture's pixels.
  double ScaleFactor() const;
  void ApplyClickThrough();

  FormEnvironment env_;
  const Clock& clock_;
  TextLog log_;
  std::unique_ptr<MessageBoxPrompter> own_prompter_;
  Prompter* prompter_;

  AppConfig config_;
  NeedleState needle_;
  FacePictures pictures_;
  CalibrationFlow calibration_;
  WindowBehaviour window_;
  StatusLabels labels_;
  TransmitMeter transmit_;
  // Any family's source; kept under the name of the window's field for the radio link.
  std::unique_ptr<LevelSource> FlexRadio_;
  std::unique_ptr<MeterMenu> menu_;
  MeterFrame frame_;
  LevelRecorder recorder_;
  std::unique_ptr<LevelHistoryWindow> history_;
  // Since when a new readout text waits for the needle's next frame.
  std::optional<std::chrono::steady_clock::time_point> readout_waiting_since_;

  QTimer Timer1_;
  QTimer Timer2_;
  QTimer Timer3_;
  TickScheduler ticks_;

  bool created_ = false;
  bool closed_ = false;
  // A face chosen from the menu reads through calibration.txt, and no calibration of its
  // own is under way: the needle rests at S0 and the face says why.
  bool uncalibrated_face_ = false;
};

}  // namespace quendal
