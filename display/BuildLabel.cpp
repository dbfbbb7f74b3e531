#include "display/BuildLabel.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace quendal {

std::int32_t GetBuildNumber() {
#ifdef QUENDAL_BUILD_NUMBER
  constexpr long long kBuild = QUENDAL_BUILD_NUMBER;
  // The version's fourth number is 16 bits wide; anything else is no build number.
  if (kBuild >= 0 && kBuild <= 0xFFFF) return static_cast<std::int32_t>(kBuild);
#endif
  return -1;
}

QString BuildLabelText(std::int32_t BuildNumber) {
  return QStringLiteral("Build: ") + QString::number(BuildNumber);
}

namespace {

QFont BuildLabelFont() {
  QFont font(QStringLiteral("Segoe UI"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(10);
  font.setBold(true);
  return font;
}

// The line's top left corner: 10 pixels from the right and bottom edges.
QPoint BuildLabelAt(const QFontMetrics& metrics, const QString& Text, std::int32_t ClientWidth,
                    std::int32_t ClientHeight) {
  return {ClientWidth - metrics.horizontalAdvance(Text) - 10, ClientHeight - metrics.height() - 10};
}

}  // namespace

QRect BuildNumberArea(const QPaintDevice* Device, std::int32_t ClientWidth,
                      std::int32_t ClientHeight, std::int32_t BuildNumber) {
  const QFontMetrics metrics(BuildLabelFont(), Device);
  const QPoint at = BuildLabelAt(metrics, BuildLabelText(BuildNumber), ClientWidth, ClientHeight);
  // Glyphs may reach a little past their advance and their line: a line's height spare.
  const int spare = metrics.height();
  return QRect(at, QPoint(ClientWidth - 1, ClientHeight - 1)).adjusted(-spare, -spare, 0, 0);
}

void DrawBuildNumber(QPainter& Painter, std::int32_t ClientWidth, std::int32_t ClientHeight,
                     std::int32_t BuildNumber) {
  const QString Text = BuildLabelText(BuildNumber);
  const QFont font = BuildLabelFont();
  const QFontMetrics metrics(font, Painter.device());
  const QPoint at = BuildLabelAt(metrics, Text, ClientWidth, ClientHeight);
  const int x = at.x();
  const int y = at.y();
  Painter.save();
  Painter.setFont(font);
  Painter.setPen(QColor(255, 255, 255));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawText(x, y + metrics.ascent(), Text);
  Painter.restore();
}

}  // namespace quendal
