#include "app/LevelHistoryWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPushButton>
#include <cstdlib>

#include "tests/calibration/ScriptedPrompter.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

constexpr std::int64_t kSecondMs = 1796749509000;  // 2026-12-08T17:05:09Z

class LevelHistoryWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char arg0[] = "level_history_window_test";
    static char* argv[] = {arg0, nullptr};
    static QApplication app(argc, argv);
  }

  void SetUp() override {
    // Two seconds on the air at -60 dBm within a minute at -73 dBm.
    for (int second = 0; second < 60; ++second) {
      LevelSample sample;
      sample.UtcMs = kSecondMs + second * 1000;
      sample.FrequencyHz = 14074000;
      sample.Transmitting = second == 30 || second == 31;
      sample.Dbm = sample.Transmitting ? -60.0 : -73.0;
      history_.Add(sample);
    }
    window_.show();
  }

  void Click(const QString& caption) {
    for (QPushButton* button : window_.findChildren<QPushButton*>())
      if (button->text() == caption) return button->click();
    FAIL() << caption.toStdString();
  }

  testing::TempDir dir_{"level_history_window"};
  testing::ScriptedPrompter prompter_;
  QString chosen_;
  LevelHistory history_;
  SUnitRule rule_;
  LevelHistoryWindow window_{history_, rule_, prompter_, [this](QWidget&) { return chosen_; }};
};

TEST_F(LevelHistoryWindowTest, CopyPutsEverySecondOnTheClipboardAsCsv) {
  QApplication::clipboard()->clear();
  Click(QStringLiteral("&Copy"));
  const QString copied = QApplication::clipboard()->text();
  EXPECT_EQ(copied.count(QStringLiteral("\r\n")), 61);  // the header and 60 seconds
  EXPECT_EQ(copied.toStdString(), HistoryCsv(history_.Seconds()));
}

TEST_F(LevelHistoryWindowTest, SavePictureWritesTheChartAsPngOrSaysWhyNot) {
  const auto* chart = window_.findChild<LevelHistoryChart*>();
  ASSERT_NE(chart, nullptr);
  struct Case {
    QString chosen;
    bool written;
    std::vector<std::string> shown;
  };
  const QString missing = QString::fromStdString(dir_.File("missing/level.png"));
  const Case cases[] = {
      {QString(), false, {}},  // the dialog was cancelled
      {QString::fromStdString(dir_.File("level.png")), true, {}},
      {missing, false, {"info: " + missing.toStdString() + " could not be written."}},
  };
  for (const Case& c : cases) {
    chosen_ = c.chosen;
    prompter_.shown.clear();
    Click(QStringLiteral("&Save picture\u2026"));
    EXPECT_EQ(prompter_.shown, c.shown) << c.chosen.toStdString();
    if (!c.written) continue;
    const QImage picture(c.chosen, "PNG");
    EXPECT_EQ(picture.size(), chart->size());
    // The chart itself: the mean line and the shaded transmission.
    const auto has = [&](QRgb colour) {
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
          if ((picture.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
      return false;
    };
    EXPECT_TRUE(has(qRgb(20, 80, 200)));
    EXPECT_TRUE(has(qRgb(255, 214, 214)));
  }
}

}  // namespace
}  // namespace quendal
