#include "app/StatusLabels.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBitmap>
#include <QImage>
#include <QWidget>
#include <cstdlib>

namespace quendal {
namespace {

class StatusLabelsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char arg0[] = "status_labels_test";
    static char* argv[] = {arg0, nullptr};
    static QApplication app(argc, argv);
  }
};

// The build label stands in the corner the first text takes: a text shown beside it
// would leave its first letters peeking out at the box's left.
TEST_F(StatusLabelsTest, AnyTextOverTheFaceTakesTheBuildLabelsPlace) {
  struct Case {
    const char* transmit;
    const char* note;
  };
  const Case cases[] = {
      {"TX", ""},
      {"TX 5 W \u00b7 SWR 1.5", ""},
      {"", "Not calibrated"},
  };
  for (const Case& c : cases) {
    QWidget window;
    window.resize(474, 254);
    TextLog log("");
    StatusLabels labels(window, log);
    labels.FollowTransmit({QString::fromUtf8(c.transmit), false, false});
    labels.SetCalibrationNote(QString::fromUtf8(c.note));
    EXPECT_FALSE(labels.Region(false).isEmpty()) << c.transmit << c.note;
    EXPECT_EQ(labels.Region(true), labels.Region(false)) << c.transmit << c.note;
  }
  QWidget window;
  window.resize(474, 254);
  TextLog log("");
  StatusLabels quiet(window, log);
  EXPECT_TRUE(quiet.Region(false).isEmpty());
  EXPECT_FALSE(quiet.Region(true).isEmpty()) << "with nothing to tell, the build label shows";
  quiet.FollowFace({}, 1.0, QRect(380, 220, 86, 26));
  EXPECT_TRUE(quiet.Region(true).isEmpty()) << "the readout took the build label's place";
}

// The readout keeps its corner: the texts over the face keep clear of it, at every size.
TEST_F(StatusLabelsTest, TextsKeepClearOfTheReadout) {
  for (const int percent : {50, 100, 200}) {
    QWidget window;
    window.resize(474 * percent / 100, 254 * percent / 100);
    TextLog log("");
    StatusLabels labels(window, log);
    // Where the readout stands on the default face, in its bottom right corner.
    const QRect readout(QPoint(380, 220) * percent / 100, QSize(86, 26) * percent / 100);
    labels.FollowFace({}, percent / 100.0, readout);
    labels.FollowTransmit({QStringLiteral("TX 48 W \u00b7 SWR 1.4"), false, true});
    labels.SetCalibrationNote(QStringLiteral("Not calibrated for this face"));
    const QRegion texts = labels.Region(false);
    EXPECT_FALSE(texts.isEmpty()) << percent;
    EXPECT_FALSE(texts.intersects(readout)) << percent;
  }
}

// The labels' region is exactly where they leave ink on the whole window, for the build
// label alone and for texts in every corner at every size.
TEST_F(StatusLabelsTest, RegionIsWhereTheLabelsDraw) {
  struct Case {
    int percent;
    bool buildLabel;
    const char* transmit;
    const char* note;
  };
  const Case cases[] = {
      {100, true, "", ""},
      {50, true, "", ""},
      {100, false, "TX 48 W \u00b7 SWR 1.4", "Not calibrated for this face"},
      {200, true, "TX", ""},
      {50, false, "", "Not calibrated for this face, nor for any other one here"},
  };
  for (const Case& c : cases) {
    QWidget window;
    window.resize(474 * c.percent / 100, 254 * c.percent / 100);
    TextLog log("");
    StatusLabels labels(window, log);
    labels.FollowFace({}, c.percent / 100.0);
    labels.FollowTransmit({QString::fromUtf8(c.transmit), false, false});
    labels.SetCalibrationNote(QString::fromUtf8(c.note));
    QImage whole(window.size(), QImage::Format_ARGB32_Premultiplied);
    whole.fill(0u);
    QPainter painter(&whole);
    labels.Draw(painter, c.buildLabel);
    painter.end();
    const QRegion drawn(QBitmap::fromImage(whole.createAlphaMask()));
    EXPECT_FALSE(drawn.isEmpty()) << c.percent << c.transmit << c.note;
    EXPECT_EQ(labels.Region(c.buildLabel), drawn) << c.percent << c.transmit << c.note;
  }
}

}  // namespace
}  // namespace quendal
