#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShowEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/RadioFamilies.h"
#include "app/main.h"
#include "display/Ballistics.h"
#include "display/MeterRest.h"
#include "display/NeedleGeometry.h"
#include "display/PictureLoader.h"
#include "display/Readout.h"
#include "display/TransmitText.h"

namespace quendal {

namespace {

constexpr int kMeterTickMs = 10;
constexpr int kBuildLabelMs = 10000;
constexpr int kTrackingPeriodMs = 1000;
// How long a new readout text may wait for the needle's next frame: well under the
// tenth of a second between readings.
constexpr std::chrono::milliseconds kReadoutWait{50};

// The numbers the calibration takes: 0 left, 1 right, 2 middle, 3 any other.
int MouseButtonNumber(Qt::MouseButton button) {
  constexpr Qt::MouseButton kNumbered[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
  return static_cast<int>(std::find(std::begin(kNumbered), std::end(kNumbered), button) -
                          std::begin(kNumbered));
}

// The setting a switch of the menu turns on and off (Config: AppConfig, const or not).
template <typename Config>
auto& SwitchSetting(Config& config, MeterSwitch which) {
  switch (which) {
    case MeterSwitch::AlwaysOnTop:
      return config.window.AlwaysOnTop;
    case MeterSwitch::ClickThrough:
      return config.window.ClickThrough;
    case MeterSwitch::Borderless:
      return config.window.Borderless;
    case MeterSwitch::FollowSmartSDR:
      return config.window.TrackSmartSDRWindowOn;
    case MeterSwitch::NeedleShadow:
      return config.meter.EnableShadow;
    case MeterSwitch::VhfSUnits:
      return config.meter.SUnits.IaruVhf;
    case MeterSwitch::Readout:
      return config.meter.Readout;
    case MeterSwitch::PeakHold:
      break;
  }
  return config.meter.PeakHold;
}

// config.ini beside the program file (the working folder when no application object
// exists, as in some tools).
std::string DefaultConfigPath() {
  const QString folder = QCoreApplication::instance() != nullptr
                             ? QCoreApplication::applicationDirPath()
                             : QDir::currentPath();
  return QDir(folder).filePath(QStringLiteral("config.ini")).toStdString();
}

}  // namespace

TForm1::TForm1(FormEnvironment environment, QWidget* parent)
    : QWidget(parent),
      env_(std::move(environment)),
      clock_(env_.clock ? *env_.clock : SystemClock::Instance()),
      log_("application.log", clock_),
      own_prompter_(env_.prompter ? nullptr : std::make_unique<MessageBoxPrompter>(kWindowCaption)),
      prompter_(env_.prompter ? env_.prompter : own_prompter_.get()),
      pictures_(config_.window, log_),
      calibration_(config_.calibration, config_.window, *prompter_, log_, *this),
      window_(*this, config_.window, log_,
              env_.MakeWindowFinder ? env_.MakeWindowFinder() : CreatePlatformWindowFinder(),
              [this] { return labels_.Region(Timer2_.isActive()) + frame_.ReadoutBox(); }),
      labels_(*this, log_),
      transmit_(config_.meter, config_.calibration, log_),
      frame_(config_, clock_, log_),
      recorder_(config_, clock_, log_, [this] { LevelSampled(); }),
      ticks_(Timer1_, [this](bool AfterRest) { MeterTick(AfterRest); }) {
  setWindowTitle(kWindowCaption);
  move(0, 0);
  resize(kDesignClientSize);
  // The guided calibration takes its keys (Backspace, Esc, Y, N) in the window.
  setFocusPolicy(Qt::StrongFocus);

  Timer1_.setInterval(50);
  Timer2_.setInterval(kBuildLabelMs);
  Timer3_.setInterval(kTrackingPeriodMs);
  connect(&Timer2_, &QTimer::timeout, this, &TForm1::Timer2Timer);
  connect(&Timer3_, &QTimer::timeout, this, &TForm1::Timer3Timer);
}

TForm1::~TForm1() {
  if (created_ && !closed_) FormClose();
}

void TForm1::Log(const std::string& message) { log_.Log(message); }

void TForm1::FormCreate() {
  // Read once: the window's keys now, the radio family's when its source is made.
  const IniFile ini(ConfigPath());
  LoadConfig(ini);
  if (env_.ResetWindow) window_.ResetWindowPlace();
  // Only now the configuration is known good: the timers start with the window.
  ticks_.Start();
  Timer2_.start();
  if (config_.window.TrackSmartSDRWindowOn) Timer3_.start();
  needle_.NeedlePosition = 0;
  needle_.TargetPosition = 0;
  Timer1_.setInterval(kMeterTickMs);
  config_.window.TimerInterval = kMeterTickMs;
  LoadPictures();
  if (config_.window.Borderless) {
    setWindowFlag(Qt::FramelessWindowHint, true);
    Log("Switched to borderless mode.");
  }
  window_.ApplyBorderAndTransparencyKey();
  LoadCalibration();
  CalculateImagePosition();
  Log("FormCreate completed.");
  created_ = true;
  menu_ = std::make_unique<MeterMenu>(*this, *this, *prompter_);
  if (env_.ResetWindow) SaveConfigOrReport();

  if (!env_.CreateRadioLink) return;
  const RadioFamily& family = FindRadioFamily(config_.radio);
  labels_.SetCaption(family.Caption);
  try {
    FlexRadio_ = family.Make({ini, family.Section, config_.window.EnableLogging, env_.FlexLink});
    FlexRadio_->OnChange([this] { ticks_.Wake(); });
    FlexRadio_->Start();
    recorder_.Start(*FlexRadio_);
  } catch (const std::exception& e) {
    const std::string text = "Error connecting to " + std::string(family.Peer) + ": " + e.what();
    Log(text);
    prompter_->info(text);
    FlexRadio_ = MakeNotStartedSource(e);
  }
}

std::string TForm1::ConfigPath() const {
  return env_.ConfigPath.empty() ? DefaultConfigPath() : env_.ConfigPath;
}

void TForm1::LoadConfig(const IniFile& ini) {
  config_.window.Top = y();
  config_.window.Left = x();
  const std::string file = std::filesystem::path(ConfigPath()).filename().string();
  const std::vector<std::string> unreadable = ReadConfig(ini, config_, file);
  FindRadioFamily(config_.radio);  // a type no family has stops the start here
  move(config_.window.Left, config_.window.Top);
  Timer1_.setInterval(config_.window.TimerInterval);
  log_.SetEnabled(config_.window.EnableLogging);
  Log("Configuration loaded.");
  for (const std::string& line : unreadable) Log("Setting not read, default used: " + line);
  if (!unreadable.empty()) prompter_->info(UnreadableSettingsText(unreadable, file));
}

void TForm1::SaveConfig() {
  IniFile ini(ConfigPath());
  config_.window.Top = y();
  config_.window.Left = x();
  config_.window.TimerInterval = Timer1_.interval();
  WriteConfig(ini, config_);
  ini.Save();
  Log("Configuration saved.");
}

void TForm1::SaveConfigOrReport() {
  try {
    SaveConfig();
  } catch (const std::exception& e) {
    const std::string text = std::string("Saving the configuration failed: ") + e.what();
    Log(text);
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

void TForm1::CalculateImagePosition() {
  quendal::CalculateImagePosition(needle_, config_.meter, config_.calibration, width(), height(),
                                  log_);
}

void TForm1::LoadPictures() {
  Log("Loading background image...");
  pictures_.Load();
  LockClientSize();
  LoadTransmitScales();
}

void TForm1::LoadTransmitScales() {
  for (const std::string& problem :
       transmit_.LoadScales(config_.window.BackgroundImageFileName, pictures_.UsingBuiltInFace(),
                            SettingsFolder())) {
    const std::string text = "Transmit scale not used: " + problem;
    Log(text);
    prompter_->info(text);
  }
}

void TForm1::LoadCalibration() { calibration_.LoadCalibration(pictures_.UsingBuiltInFace()); }

void TForm1::CalibrationChanged() {
  ApplyClickThrough();
  InvalidateFrame();
  // Readings through another face's calibration are not passed off as right.
  uncalibrated_face_ = calibration_.Borrowed() && !CalibrationPending();
  const QString note =
      uncalibrated_face_
          ? QStringLiteral(
                "Not calibrated for this face \u2013 Calibrate scale\u2026 from the menu")
          : QString();
  if (labels_.SetCalibrationNote(note)) window_.LabelsChanged();
}

void TForm1::WarnOfPureBlackPrinting() {
  if (EnclosedPureBlackPixels(pictures_.BackgroundBitmap()) == 0) return;
  prompter_->info(
      "Some of this face's ticks or printing are pure black (RGB 0, 0, 0), which the meter shows "
      "see-through: after the calibration they cannot be seen. Draw them in a near-black such "
      "as RGB 0, 0, 1 instead (see \"Your own meter face\" in the README).");
}

void TForm1::StartScaleCalibration() {
  if (CalibrationPending()) return;
  WarnOfPureBlackPrinting();
  if (calibration_.StartScaleCalibration()) CalibrationChanged();
}

void TForm1::StartArcCalibration() {
  if (calibration_.StartArcCalibration()) CalibrationChanged();
}

void TForm1::StartTransmitCalibration() {
  if (CalibrationPending()) return;
  WarnOfPureBlackPrinting();
  if (calibration_.StartTransmitCalibration(config_.meter.Transmit)) CalibrationChanged();
}

std::string TForm1::SaveTransmitScale(TransmitReading Reading, const Scale& Marks) {
  return transmit_.SaveScale(Reading, Marks);
}

double TForm1::TransmitNeedlePosition(const Scale& Marks, double Value) const {
  return transmit_.NeedlePositionOn(Marks, Value, pictures_.BackgroundBitmap().size());
}

void TForm1::ChangeFace(const std::string& fileName) {
  QString error;
  if (!pictures_.Change(fileName, error)) {
    prompter_->info("Background image could not be loaded: " + error.toStdString());
    return;
  }
  config_.window.BackgroundImageFileName = fileName;
  LockClientSize();
  LoadTransmitScales();
  const FoundCalibration found = calibration_.ChangeFace();
  CalculateImagePosition();
  InvalidateFrame();
  WarnOfPureBlackPrinting();
  calibration_.OfferCalibration(found);
  CalibrationChanged();
}

bool TForm1::SwitchOn(MeterSwitch which) const { return SwitchSetting(config_, which); }

void TForm1::SetSwitch(MeterSwitch which, bool on) {
  SwitchSetting(config_, which) = on;
  switch (which) {
    case MeterSwitch::AlwaysOnTop:
      window_.ApplyAlwaysOnTop();
      return;
    case MeterSwitch::ClickThrough:
      ApplyClickThrough();
      return;
    case MeterSwitch::Borderless:
      window_.ApplyBorderless(frame_.Renderer());
      break;
    case MeterSwitch::FollowSmartSDR:
      if (on) {
        Timer3_.start();
      } else {
        Timer3_.stop();
      }
      return;
    case MeterSwitch::NeedleShadow:
      break;
    case MeterSwitch::PeakHold:
      frame_.ResetPeakHold();
      break;
    case MeterSwitch::VhfSUnits:
      return;  // the next reading follows it
    case MeterSwitch::Readout:
      ShowReadout();
      return;
  }
  InvalidateFrame();
}

void TForm1::SetMovementMode(TNeedleMovementMode mode) {
  config_.meter.NeedleMovementMode = mode;
  ticks_.Wake();
}

void TForm1::SetTransmitShown(std::optional<TransmitReading> reading) {
  config_.meter.Transmit = reading;
  Log("On transmit: " + std::string(TransmitChoiceName(reading)) + ".");
}

void TForm1::SetScalePercent(int percent) {
  config_.meter.Scale = std::clamp(percent, kMinScalePercent, kMaxScalePercent);
  LockClientSize();
  CalculateImagePosition();
  InvalidateFrame();
}

std::string TForm1::SettingsFolder() const {
  return QFileInfo(QString::fromStdString(ConfigPath())).absolutePath().toStdString();
}

void TForm1::ApplyWindowSettings() { window_.ApplyWindowSettings(CalibrationPending()); }

void TForm1::ApplyClickThrough() { window_.ApplyClickThrough(CalibrationPending()); }

void TForm1::LockClientSize() {
  window_.LockClientSize(pictures_.BackgroundBitmap(), ScaleFactor());
}

double TForm1::ScaleFactor() const { return config_.meter.Scale / 100.0; }

void TForm1::MeterTick(bool AfterRest) {
  if (AfterRest) frame_.RenewPeakHold(std::chrono::milliseconds(Timer1_.interval()));
  // First the sample, so that a new readout goes out in the needle's repaint.
  recorder_.FollowTick();
  Timer1Timer();
  DrawWaitingReadout();
  ticks_.Rest(TickRest());
}

std::optional<std::chrono::milliseconds> TForm1::TickRest() {
  // The log has a line for every tick, and the guided preview sweeps the needle.
  if (!created_ || config_.window.EnableLogging || calibration_.PreviewSweeping())
    return std::nullopt;
  if (!NeedleSettled(needle_, frame_.PeakPosition())) return std::nullopt;
  if (!FlexRadio_) return kLongestRest;
  if (!FlexRadio_->TellsChanges()) return std::nullopt;
  try {
    // On the air the transmit readings age by the tick: no rest until the key is up.
    if (FlexRadio_->CurrentTransmit().Transmitting) return std::nullopt;
    return RestFor(FlexRadio_->CurrentLevel(), FlexRadio_->UpdateInterval());
  } catch (const std::exception&) {
    return std::nullopt;  // the tick reports it
  }
}

void TForm1::Timer1Timer() {
  if (!created_) return;
  ShowLinkState();
  if (calibration_.AdvancePreview()) {
    InvalidateFrame();
    return;
  }
  std::optional<double> target = FollowTransmitter();
  // Another face's marks would put the reading beside this face's printing.
  if (!target && uncalibrated_face_) target = 0.0;
  const bool moved = UpdateSMeter(needle_, config_.meter, FlexRadio_.get(), log_, target);
  const bool peakMoved = frame_.UpdatePeakHold(needle_.NeedlePosition);
  if (!moved && !peakMoved) return;
  // Repaint only what changed: a moving needle costs a strip of the window.
  if (!pictures_.Loaded() || !frame_.Moved(needle_.NeedlePosition)) return;
  RenderFrame();
  window_.RepaintChanged(frame_.Renderer());
}

std::optional<double> TForm1::FollowTransmitter() {
  if (!FlexRadio_) return std::nullopt;
  const std::int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 clock_.MonotonicNow().time_since_epoch())
                                 .count();
  const std::optional<double> target =
      transmit_.Follow(*FlexRadio_, nowMs, pictures_.BackgroundBitmap().size(),
                       calibration_.TransmitPreview(config_.meter.Transmit));
  if (labels_.FollowTransmit(transmit_.Corner())) window_.LabelsChanged();
  return target;
}

void TForm1::ShowLinkState() {
  if (!FlexRadio_ || !labels_.FollowLink(*FlexRadio_, recorder_.VhfSUnits())) return;
  window_.LabelsChanged();
}

void TForm1::LevelSampled() {
  ShowLinkState();
  ShowReadout();
  if (history_) history_->Follow();
}

void TForm1::ShowLevelHistory() {
  if (!history_) {
    history_ =
        std::make_unique<LevelHistoryWindow>(recorder_.History(), config_.meter.SUnits, *prompter_);
  }
  history_->show();
  history_->raise();
  history_->activateWindow();
  history_->Follow();
}

void TForm1::ShowReadout() {
  const QRect before = frame_.ReadoutBox();
  const QString text = config_.meter.Readout ? ReadoutText(recorder_.Latest()) : QString();
  const bool withNeedle =
      !before.isEmpty() && !text.isEmpty() && !NeedleSettled(needle_, frame_.PeakPosition());
  if (!frame_.SetReadout(text, withNeedle) || !pictures_.Loaded() || frame_.Stale()) return;
  if (withNeedle) {
    if (!readout_waiting_since_) readout_waiting_since_ = clock_.MonotonicNow();
    return;
  }
  readout_waiting_since_.reset();
  DrawReadout(before);
}

void TForm1::DrawWaitingReadout() {
  if (!readout_waiting_since_) return;
  // A frame of the needle took it along, or the next paint draws the frame anew.
  if (!frame_.ReadoutDue() || frame_.Stale()) {
    readout_waiting_since_.reset();
    return;
  }
  if (!NeedleSettled(needle_, frame_.PeakPosition()) &&
      clock_.MonotonicNow() - *readout_waiting_since_ < kReadoutWait)
    return;
  readout_waiting_since_.reset();
  DrawReadout(frame_.ReadoutBox());
}

void TForm1::DrawReadout(const QRect& Before) {
  // A new text in the same box changes neither the needle nor the window's mask.
  if (frame_.RedrawReadout()) {
    window_.RepaintChanged(frame_.Renderer());
    return;
  }
  RenderFrame();
  // The window's mask takes the readout in where the face is see-through.
  if (frame_.ReadoutBox() != Before) {
    window_.LabelsChanged();
  } else {
    window_.RepaintChanged(frame_.Renderer());
  }
}

void TForm1::Timer2Timer() {
  Timer2_.stop();
  window_.LabelsChanged();
  ticks_.Wake();  // the link's state takes the corner
}

void TForm1::Timer3Timer() { TrackSmartSDRWindow(); }

void TForm1::TrackSmartSDRWindow() { window_.TrackSmartSDRWindow(); }

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Start-up messages waited for the face; they come once the window is up.
  if (own_prompter_) QTimer::singleShot(0, this, [this] { own_prompter_->Release(); });
}

void TForm1::paintEvent(QPaintEvent* event) { FormPaint(event->region()); }

void TForm1::FormPaint(const QRegion& area) {
  if (!created_ || !pictures_.Loaded()) return;
  if (frame_.Stale()) RenderFrame();
  QPainter painter(this);
  for (const QRect& part : area) frame_.Paint(painter, part, devicePixelRatioF());
  labels_.Draw(painter, Timer2_.isActive());
  calibration_.DrawOverlay(painter, ScaleFactor(), width());
}

void TForm1::RenderFrame() {
  // Drawn at device pixels, so a 200 % screen shows a crisp needle.
  frame_.Render(pictures_, CalibrationPending(), size(), devicePixelRatioF(),
                calibration_.NeedlePosition(needle_.NeedlePosition), calibration_.Preview());
  needle_.ImageCenterX = frame_.Center().X;
  needle_.ImageCenterY = frame_.Center().Y;
  window_.FollowFrame(frame_.Renderer());
  if (labels_.FollowFace(frame_.NeedleSweep(), ScaleFactor(), frame_.ReadoutBox()))
    window_.LabelsChanged();
}

void TForm1::InvalidateFrame() {
  frame_.Invalidate();
  update();
  ticks_.Wake();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TForm1::FormResize() {
  if (!pictures_.Loaded()) return;
  LockClientSize();
  CalculateImagePosition();
  InvalidateFrame();
}

void TForm1::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const bool calibrating = CalibrationPending();
  FormMouseDown(MouseButtonNumber(event->button()), p.x(), p.y());
  if (calibrating || !menu_) return;
  if (event->button() == Qt::RightButton) {
    menu_->Popup(event->globalPosition().toPoint());
  } else if (event->button() == Qt::LeftButton) {
    window_.PressLeft(event->globalPosition().toPoint());
  }
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
  window_.MoveTo(event->globalPosition().toPoint(), event->buttons() & Qt::LeftButton);
}

void TForm1::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) window_.ReleaseLeft();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (!calibration_.Guided().Active()) {
    QWidget::keyPressEvent(event);
    return;
  }
  GuidedKey(event->key());
}

void TForm1::GuidedKey(int key) {
  if (calibration_.GuidedKey(key)) CalibrationChanged();
}

void TForm1::FormMouseDown(int button, int x, int y) {
  if (calibration_.FormMouseDown(button, x, y, ScaleFactor())) CalibrationChanged();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (created_ && !closed_) FormClose();
  event->accept();
}

void TForm1::FormClose() {
  closed_ = true;
  ticks_.Stop();
  Timer2_.stop();
  Timer3_.stop();
  SaveConfigOrReport();
  pictures_.Release();
  recorder_.Stop();
  history_.reset();
  if (FlexRadio_) {
    FlexRadio_->Stop();
    FlexRadio_.reset();
  }
}

}  // namespace quendal
