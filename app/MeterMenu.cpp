#include "app/MeterMenu.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/WindowCaption.h"
#include "display/LinkStatusText.h"

namespace quendal {

namespace {

constexpr int kSizes[] = {50, 75, 100, 150, 200};
// Keyboard accelerators, unique within the size menu.
const char* const kSizeTexts[] = {"&50 %", "&75 %", "&100 %", "15&0 %", "&200 %"};

// As LICENSE and the package's copyright file have it.
const char* const kLicence =
    "Free software under the GNU General Public License, version 3 or later (GPL-3.0-or-later).";

std::string JoinKnown(std::initializer_list<std::string> parts) {
  std::string text;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!text.empty()) text += ", ";
    text += part;
  }
  return text;
}

}  // namespace

std::string AboutText(const std::string& version, std::int32_t buildNumber,
                      const LevelSource* radio) {
  std::string text = std::string(kWindowCaption) + " " + version +
                     "\nBuild: " + std::to_string(buildNumber) + "\n" + kLicence + "\n\nRadio: ";
  if (radio == nullptr) return text + "none\nLink: " + LinkStateText(LinkStatus{}).toStdString();
  const RadioIdentity id = radio->Identity();
  const std::string who = JoinKnown({id.Name, id.Model, id.Serial, id.Address});
  text += who.empty() ? "unknown" : who;
  return text + "\nLink: " + LinkStateText(radio->Status()).toStdString();
}

MeterMenu::MeterMenu(MeterMenuHost& host, QWidget& window, Prompter& prompter, UrlOpener openUrl)
    : host_(host),
      window_(window),
      prompter_(prompter),
      open_url_(openUrl ? std::move(openUrl) : UrlOpener(&QDesktopServices::openUrl)),
      menu_(std::make_unique<QMenu>()) {
  Fill(*menu_);
  CreateTrayIcon();
}

MeterMenu::~MeterMenu() = default;

void MeterMenu::Popup(const QPoint& globalPosition) {
  Refresh();
  menu_->popup(globalPosition);
}

void MeterMenu::Fill(QMenu& menu) {
  connect(&menu, &QMenu::aboutToShow, this, &MeterMenu::Refresh);
  AddSwitch(menu, "Always on &top", MeterSwitch::AlwaysOnTop);
  AddSwitch(menu, "Clic&k-through", MeterSwitch::ClickThrough);
  AddSwitch(menu, "&Borderless", MeterSwitch::Borderless);
  AddSwitch(menu, "&Follow the SmartSDR window", MeterSwitch::FollowSmartSDR);
  AddSwitch(menu, "Needle &shadow", MeterSwitch::NeedleShadow);
  AddSwitch(menu, "&Peak hold", MeterSwitch::PeakHold);
  AddSwitch(menu, "Rea&dout", MeterSwitch::Readout);
  AddSwitch(menu,
            "&VHF S units (S9 = \u2212"
            "93 dBm)",
            MeterSwitch::VhfSUnits);
  menu.addSeparator();
  AddMovementItems(*menu.addMenu("Needle &movement"));
  AddSizeItems(*menu.addMenu("Si&ze"));
  AddTransmitItems(*menu.addMenu("On t&ransmit"));
  menu.addSeparator();
  QAction* face = menu.addAction("Meter fac&e\u2026", this, &MeterMenu::ChooseFace);
  QAction* scale =
      menu.addAction("&Calibrate scale\u2026", this, [this] { host_.StartScaleCalibration(); });
  QAction* arc =
      menu.addAction("Calibrate &arc\u2026", this, [this] { host_.StartArcCalibration(); });
  QAction* transmit = menu.addAction("Calibrate tra&nsmit scale\u2026", this,
                                     [this] { host_.StartTransmitCalibration(); });
  // A calibration under way keeps its clicks; a second one cannot start on top.
  for (QAction* action : {face, scale, arc, transmit}) {
    connect(&menu, &QMenu::aboutToShow, action,
            [this, action] { action->setEnabled(!host_.CalibrationPending()); });
  }
  menu.addSeparator();
  menu.addAction("Level &history\u2026", this, [this] { host_.ShowLevelHistory(); });
  menu.addAction("&Open settings folder", this, &MeterMenu::OpenSettingsFolder);
  menu.addAction("Abo&ut", this, &MeterMenu::ShowAbout);
  menu.addSeparator();
  menu.addAction("&Quit", this, [this] { host_.Quit(); });
}

QAction* MeterMenu::AddSwitch(QMenu& menu, const QString& text, MeterSwitch which) {
  QAction* action = menu.addAction(text);
  action->setCheckable(true);
  connect(&menu, &QMenu::aboutToShow, action,
          [this, action, which] { action->setChecked(host_.SwitchOn(which)); });
  connect(action, &QAction::triggered, this, [this, which](bool on) { ChangeSwitch(which, on); });
  return action;
}

void MeterMenu::AddMovementItems(QMenu& menu) {
  auto* group = new QActionGroup(&menu);
  const std::pair<const char*, TNeedleMovementMode> modes[] = {
      {"&Smooth", nmExponentialSmoothing}, {"&Fast attack, slow decay", nmFastAttackSlowDecay}};
  for (const auto& [text, mode] : modes) {
    QAction* action = menu.addAction(text);
    action->setCheckable(true);
    group->addAction(action);
    connect(&menu, &QMenu::aboutToShow, action,
            [this, action, mode] { action->setChecked(host_.MovementMode() == mode); });
    connect(action, &QAction::triggered, this, [this, mode] { host_.SetMovementMode(mode); });
  }
}

void MeterMenu::AddSizeItems(QMenu& menu) {
  auto* group = new QActionGroup(&menu);
  for (std::size_t i = 0; i < std::size(kSizes); ++i) {
    const int percent = kSizes[i];
    QAction* action = menu.addAction(kSizeTexts[i]);
    action->setCheckable(true);
    group->addAction(action);
    connect(&menu, &QMenu::aboutToShow, action,
            [this, action, percent] { action->setChecked(host_.ScalePercent() == percent); });
    connect(action, &QAction::triggered, this, [this, percent] { host_.SetScalePercent(percent); });
  }
}

void MeterMenu::AddTransmitItems(QMenu& menu) {
  auto* group = new QActionGroup(&menu);
  const std::pair<const char*, std::optional<TransmitReading>> choices[] = {
      {"&Power", TransmitReading::Power},
      {"&SWR", TransmitReading::Swr},
      {"&ALC", TransmitReading::Alc},
      {"&Compression", TransmitReading::Compression},
      {"&Nothing", std::nullopt}};
  for (const auto& [text, reading] : choices) {
    QAction* action = menu.addAction(text);
    action->setCheckable(true);
    group->addAction(action);
    connect(&menu, &QMenu::aboutToShow, action,
            [this, action, reading] { action->setChecked(host_.TransmitShown() == reading); });
    connect(action, &QAction::triggered, this,
            [this, reading] { host_.SetTransmitShown(reading); });
  }
}

void MeterMenu::Refresh() {
  if (showHide_) showHide_->setText(window_.isVisible() ? "&Hide" : "&Show");
}

void MeterMenu::ChangeSwitch(MeterSwitch which, bool on) {
  if (which == MeterSwitch::ClickThrough && on && !HasTrayIcon() &&
      !prompter_.confirm("With click-through on, every click passes through the meter, so this "
                         "menu cannot be opened again. To undo it, start the meter with "
                         "quendal --reset-window, or set ClickThrough=0 in config.ini.\n\n"
                         "Switch click-through on?")) {
    return;
  }
  host_.SetSwitch(which, on);
}

void MeterMenu::ChooseFace() {
  const QString file = QFileDialog::getOpenFileName(&window_, "Meter face", QString(),
                                                    "PNG pictures (*.png);;All files (*)");
  if (!file.isEmpty()) host_.ChangeFace(file.toStdString());
}

void MeterMenu::OpenSettingsFolder() {
  const std::string folder = host_.SettingsFolder();
  // Without a file manager nothing would open: the path is what the user needs then.
  if (!open_url_(QUrl::fromLocalFile(QString::fromStdString(folder))))
    prompter_.info("The settings (config.ini) are in this folder:\n" + folder);
}

void MeterMenu::ShowAbout() {
  const std::string text =
      AboutText(QCoreApplication::applicationVersion().toStdString(), host_.Build(), host_.Radio());
  QMessageBox::about(&window_, QStringLiteral("About %1").arg(kWindowCaption),
                     QString::fromStdString(text));
}

void MeterMenu::CreateTrayIcon() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  trayMenu_ = std::make_unique<QMenu>();
  showHide_ =
      trayMenu_->addAction("&Hide", this, [this] { window_.setVisible(!window_.isVisible()); });
  trayMenu_->addSeparator();
  Fill(*trayMenu_);
  tray_ = new QSystemTrayIcon(QIcon(QStringLiteral(":/SCPNG")), this);
  tray_->setToolTip(window_.windowTitle());
  tray_->setContextMenu(trayMenu_.get());
  tray_->show();
}

}  // namespace quendal
