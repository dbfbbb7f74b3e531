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

void DrawBuildNumber(QPainter& Painter, std::int32_t ClientWidth, std::int32_t ClientHeight,
                     std::int32_t BuildNumber) {
  const QString Text = BuildLabelText(BuildNumber);
  QFont font(QStringLiteral("Segoe UI"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(10);
  font.setBold(true);
  const QFontMetrics metrics(font, Painter.device());
  const int x = ClientWidth - metrics.horizontalAdvance(Text) - 10;
  const int y = ClientHeight - metrics.height() - 10;
  Painter.save();
  Painter.setFont(font);
  Painter.setPen(QColor(255, 255, 255));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawText(x, y + metrics.ascent(), Text);
  Painter.restore();
}

}  // namespace quendal
