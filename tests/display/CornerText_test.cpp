#include "display/CornerText.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainterPath>

#include "calibration/CalibrationFile.h"
#include "display/MeterScale.h"
#include "display/NeedleGeometry.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

const std::string kAssets = QUENDAL_ASSETS_DIR;
const QSize kDefaultFace(480, 260);

// The default face's needle path at a size, as the window places texts against it.
QPolygonF DefaultFaceSweep(double factor) {
  testing::TestLog log{"corner_text", false};
  MeterCalibration calibration;
  LoadCalibrationFromFile(calibration.CalibrationPoints, kAssets + "/calibration.txt", log.Log());
  calibration.CalibrationDone = true;
  const ScaledMeter drawn = ScaleMeter(MeterSettings{}, calibration, factor);
  const QSize client = ScaleSize(kDefaultFace, factor);
  const TPoint center =
      MeterCenter(drawn.Settings, drawn.Calibration, client.width(), client.height());
  return NeedleSweep(drawn.Settings, drawn.Calibration, SScale(drawn.Calibration), center);
}

bool Clear(const QRect& box, const QPolygonF& sweep) {
  QPainterPath path;
  path.addPolygon(sweep);
  return !path.intersects(QRectF(box));
}

TEST(CornerText, TheSweepRunsFromThePivotOverEveryMark) {
  const QPolygonF sweep = DefaultFaceSweep(1.0);
  QPainterPath path;
  path.addPolygon(sweep);
  // The S9 mark and a point on the needle's way to +60; the corners are free.
  for (const QPointF inside : {QPointF(240, 120), QPointF(300, 200)})
    EXPECT_TRUE(path.contains(inside)) << inside.x() << "," << inside.y();
  for (const QPointF outside : {QPointF(470, 250), QPointF(10, 250), QPointF(470, 10)})
    EXPECT_FALSE(path.contains(outside)) << outside.x() << "," << outside.y();
}

TEST(CornerText, StaysInsideTheWindowAndClearOfTheNeedleAtEverySize) {
  if (QFontDatabase::families().isEmpty()) GTEST_SKIP() << "no fonts installed";
  const QString texts[] = {
      QStringLiteral("Searching for radio\u2026"),
      QStringLiteral("No meter data \u2013 check the firewall (UDP 60351)"),
      QStringLiteral("No meter data for 12 s\nNot calibrated for this face \u2013 Calibrate "
                     "scale\u2026 from the menu"),
  };
  for (const double factor : {0.5, 1.0, 2.0}) {
    const QSize client = ScaleSize(kDefaultFace, factor);
    const QPolygonF sweep = DefaultFaceSweep(factor);
    for (const QString& text : texts) {
      const CornerText placed = PlaceCornerText(text, client, sweep, factor);
      SCOPED_TRACE(text.toStdString() + " at " + std::to_string(factor));
      EXPECT_TRUE(QRect(QPoint(0, 0), client).contains(placed.Box));
      EXPECT_TRUE(Clear(placed.Box, sweep));
      EXPECT_GE(placed.Font.pixelSize(), 9);
      EXPECT_LE(placed.Font.pixelSize(), std::max(9.0, 13 * factor));
      EXPECT_EQ(placed.Lines.join(u' ').remove(QStringLiteral("\u2013 ")),
                QString(text).replace(u'\n', u' ').remove(QStringLiteral("\u2013 ")));
    }
  }
}

TEST(CornerText, ShortTextTakesTheBottomRightAtFullSizeOnOneLine) {
  if (QFontDatabase::families().isEmpty()) GTEST_SKIP() << "no fonts installed";
  const CornerText placed =
      PlaceCornerText(QStringLiteral("Searching\u2026"), kDefaultFace, DefaultFaceSweep(1.0), 1.0);
  EXPECT_EQ(placed.Font.pixelSize(), 13);
  EXPECT_EQ(placed.Lines, QStringList{QStringLiteral("Searching\u2026")});
  EXPECT_EQ(placed.Box.right(), 480 - 8 - 1);
  EXPECT_EQ(placed.Box.bottom(), 260 - 8 - 1);
  EXPECT_EQ(placed.Align, Qt::AlignRight);
}

TEST(CornerText, ALongTextBreaksAtItsMiddleDotsWhichGo) {
  if (QFontDatabase::families().isEmpty()) GTEST_SKIP() << "no fonts installed";
  const CornerText placed = PlaceCornerText(QStringLiteral("TX 48 W \u00b7 SWR 1.4"), kDefaultFace,
                                            DefaultFaceSweep(1.0), 1.0);
  EXPECT_EQ(placed.Lines, (QStringList{QStringLiteral("TX 48 W"), QStringLiteral("SWR 1.4")}));
}

TEST(CornerText, KeepsOffWhatOthersTookAndHasNoBoxWithoutText) {
  if (QFontDatabase::families().isEmpty()) GTEST_SKIP() << "no fonts installed";
  const QPolygonF sweep = DefaultFaceSweep(1.0);
  const CornerText first = PlaceCornerText(QStringLiteral("Receiving"), kDefaultFace, sweep, 1.0);
  const QRect taken[] = {first.Box};
  const CornerText second =
      PlaceCornerText(QStringLiteral("Searching\u2026"), kDefaultFace, sweep, 1.0, taken);
  EXPECT_FALSE(second.Box.intersects(first.Box));
  EXPECT_EQ(second.Align, Qt::AlignLeft) << "the bottom left is next";
  EXPECT_TRUE(PlaceCornerText(QString(), kDefaultFace, sweep, 1.0).Box.isEmpty());
}

TEST(CornerText, WhereNothingIsClearTheFloorSizeStaysInside) {
  if (QFontDatabase::families().isEmpty()) GTEST_SKIP() << "no fonts installed";
  const QPolygonF everywhere(QRectF(-10, -10, 500, 280));
  const CornerText placed =
      PlaceCornerText(QStringLiteral("Radio not answering"), kDefaultFace, everywhere, 2.0);
  EXPECT_EQ(placed.Font.pixelSize(), 9);
  EXPECT_TRUE(QRect(QPoint(0, 0), kDefaultFace).contains(placed.Box));
}

}  // namespace
}  // namespace quendal
