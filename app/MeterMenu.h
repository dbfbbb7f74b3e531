#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "calibration/Prompter.h"
#include "display/Types.h"
#include "meters/LevelSource.h"
#include "meters/TransmitReading.h"

class QAction;
class QMenu;
class QPoint;
class QSystemTrayIcon;
class QUrl;
class QWidget;

namespace quendal {

// The on/off items of the menu.
enum class MeterSwitch {
  AlwaysOnTop,
  ClickThrough,
  Borderless,
  FollowSmartSDR,
  NeedleShadow,
  PeakHold,
  VhfSUnits,
  Readout
};

// What the menu reads and changes; the meter window implements it. Every change
// takes effect at once and is saved with the rest of the settings at close.
class MeterMenuHost {
 public:
  virtual ~MeterMenuHost() = default;
  virtual bool SwitchOn(MeterSwitch which) const = 0;
  virtual void SetSwitch(MeterSwitch which, bool on) = 0;
  virtual TNeedleMovementMode MovementMode() const = 0;
  virtual void SetMovementMode(TNeedleMovementMode mode) = 0;
  // The reading the needle shows on transmit; none: it rests at S0.
  virtual std::optional<TransmitReading> TransmitShown() const = 0;
  virtual void SetTransmitShown(std::optional<TransmitReading> reading) = 0;
  virtual int ScalePercent() const = 0;
  virtual void SetScalePercent(int percent) = 0;
  // The face picture is changed by ChangeFace; the menu only picks the file.
  virtual void ChangeFace(const std::string& fileName) = 0;
  virtual void StartScaleCalibration() = 0;
  virtual void StartArcCalibration() = 0;
  // The scale of the reading shown on transmit (asks which when none is).
  virtual void StartTransmitCalibration() = 0;
  // Opens the window of the level's last ten minutes, or brings it to the front.
  virtual void ShowLevelHistory() = 0;
  virtual bool CalibrationPending() const = 0;
  // The folder that holds config.ini.
  virtual std::string SettingsFolder() const = 0;
  virtual std::int32_t Build() const = 0;
  // Null while the radio link does not exist.
  virtual const LevelSource* Radio() const = 0;
  // Closes as the close button does: settings saved first.
  virtual void Quit() = 0;
};

// The About box's text: version, build number, licence, the radio's identity and its
// link state.
std::string AboutText(const std::string& version, std::int32_t buildNumber,
                      const LevelSource* radio);

// Opens a URL in the desktop's own program; false where none would.
using UrlOpener = std::function<bool(const QUrl&)>;

// The right-click menu of the meter, and the same menu with Show/Hide on a tray
// icon where the desktop has a tray.
class MeterMenu : public QObject {
 public:
  // openUrl: the desktop's (QDesktopServices) when empty.
  MeterMenu(MeterMenuHost& host, QWidget& window, Prompter& prompter, UrlOpener openUrl = {});
  ~MeterMenu() override;

  void Popup(const QPoint& globalPosition);
  // False where the desktop has no tray: nothing then undoes click-through but
  // quendal --reset-window.
  bool HasTrayIcon() const { return tray_ != nullptr; }
  QMenu& Menu() { return *menu_; }

 private:
  void Fill(QMenu& menu);
  QAction* AddSwitch(QMenu& menu, const QString& text, MeterSwitch which);
  void AddMovementItems(QMenu& menu);
  void AddSizeItems(QMenu& menu);
  void AddTransmitItems(QMenu& menu);
  void Refresh();
  void ChangeSwitch(MeterSwitch which, bool on);
  void ChooseFace();
  void OpenSettingsFolder();
  void ShowAbout();
  void CreateTrayIcon();

  MeterMenuHost& host_;
  QWidget& window_;
  Prompter& prompter_;
  UrlOpener open_url_;
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QMenu> trayMenu_;
  QSystemTrayIcon* tray_ = nullptr;
  QAction* showHide_ = nullptr;
};

}  // namespace quendal
