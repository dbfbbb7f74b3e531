#include "app/MeterMenu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QUrl>
#include <QWidget>
#include <cstdlib>
#include <map>

#include "tests/calibration/ScriptedPrompter.h"

namespace quendal {
namespace {

class IdleHost final : public MeterMenuHost {
 public:
  bool SwitchOn(MeterSwitch) const override { return false; }
  void SetSwitch(MeterSwitch, bool) override {}
  TNeedleMovementMode MovementMode() const override { return nmExponentialSmoothing; }
  void SetMovementMode(TNeedleMovementMode) override {}
  std::optional<TransmitReading> TransmitShown() const override { return shown; }
  void SetTransmitShown(std::optional<TransmitReading> reading) override { shown = reading; }
  int ScalePercent() const override { return 100; }
  void SetScalePercent(int) override {}
  void ChangeFace(const std::string&) override {}
  void StartScaleCalibration() override {}
  void StartArcCalibration() override {}
  void StartTransmitCalibration() override {}
  void ShowLevelHistory() override {}
  bool CalibrationPending() const override { return false; }
  std::string SettingsFolder() const override { return "/home/op/quendal"; }
  std::int32_t Build() const override { return 7; }
  const LevelSource* Radio() const override { return nullptr; }
  void Quit() override {}

  std::optional<TransmitReading> shown = TransmitReading::Power;
};

class MeterMenuTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char arg0[] = "meter_menu_test";
    static char* argv[] = {arg0, nullptr};
    static QApplication app(argc, argv);
  }

  QAction* Find(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions())
      if (action->text() == text) return action;
    return nullptr;
  }

  IdleHost host_;
  QWidget window_;
  testing::ScriptedPrompter prompter_;
};

// The underlined letters of one menu and its submenus, each checked in its own menu.
void ExpectDistinctAccelerators(QMenu& menu) {
  std::map<QChar, QString> taken;
  for (QAction* action : menu.actions()) {
    if (action->isSeparator()) continue;
    const qsizetype amp = action->text().indexOf(u'&');
    ASSERT_GE(amp, 0) << action->text().toStdString() << " has no accelerator";
    const QChar key = action->text()[amp + 1].toLower();
    const auto [it, fresh] = taken.emplace(key, action->text());
    EXPECT_TRUE(fresh) << action->text().toStdString() << " and " << it->second.toStdString()
                       << " share '" << QString(key).toStdString() << "'";
    if (action->menu()) ExpectDistinctAccelerators(*action->menu());
  }
}

TEST_F(MeterMenuTest, EveryItemHasAnAcceleratorOfItsOwn) {
  MeterMenu menu(host_, window_, prompter_, [](const QUrl&) { return true; });
  ExpectDistinctAccelerators(menu.Menu());
  EXPECT_NE(Find(menu.Menu(), "Meter fac&e\u2026"), nullptr);
  EXPECT_NE(Find(menu.Menu(), "&Follow the SmartSDR window"), nullptr);
}

TEST_F(MeterMenuTest, OnTransmitChecksTheChosenReadingAndChoosesAnother) {
  MeterMenu menu(host_, window_, prompter_, [](const QUrl&) { return true; });
  QMenu* transmit = Find(menu.Menu(), "On t&ransmit")->menu();
  const struct {
    const char* item;
    std::optional<TransmitReading> chosen;
  } items[] = {{"&SWR", TransmitReading::Swr},
               {"&ALC", TransmitReading::Alc},
               {"&Compression", TransmitReading::Compression},
               {"&Nothing", std::nullopt},
               {"&Power", TransmitReading::Power}};
  for (const auto& item : items) {
    Find(*transmit, item.item)->trigger();
    EXPECT_EQ(host_.shown, item.chosen) << item.item;
    emit transmit->aboutToShow();
    for (QAction* action : transmit->actions())
      EXPECT_EQ(action->isChecked(), action->text() == item.item) << action->text().toStdString();
  }
}

TEST_F(MeterMenuTest, SettingsFolderIsShownWhereNothingOpensIt) {
  struct Case {
    bool opened;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {true, {}},
      {false, {"info: The settings (config.ini) are in this folder:\n/home/op/quendal"}},
  };
  for (const Case& c : cases) {
    prompter_.shown.clear();
    QUrl asked;
    MeterMenu menu(host_, window_, prompter_, [&](const QUrl& url) {
      asked = url;
      return c.opened;
    });
    Find(menu.Menu(), "&Open settings folder")->trigger();
    EXPECT_EQ(asked, QUrl::fromLocalFile("/home/op/quendal"));
    EXPECT_EQ(prompter_.shown, c.shown) << c.opened;
  }
}

TEST(AboutText, NamesVersionBuildLicenceAndLink) {
  EXPECT_EQ(AboutText("1.2.3", 7, nullptr),
            "Quendal for FlexRadio 1.2.3\nBuild: 7\nFree software under the GNU General Public "
            "License, version 3 or later (GPL-3.0-or-later).\n\nRadio: none\nLink: Not connected");
}

}  // namespace
}  // namespace quendal
