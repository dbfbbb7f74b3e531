#include "display/PictureLoader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <vector>

namespace quendal {

bool LoadPicture(const QString& FileName, QImage& Picture, QString& Error) {
  if (!QFileInfo::exists(FileName)) {
    Error = QStringLiteral("File not found: %1").arg(FileName);
    return false;
  }
  QImageReader reader(FileName);
  const QSize size = reader.size();
  if (!size.isValid()) {
    Error = QStringLiteral("Not a readable picture: %1 (%2)").arg(FileName, reader.errorString());
    return false;
  }
  if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
    Error = QStringLiteral("Picture too large: %1 x %2 pixels (at most %3 x %3): %4")
                .arg(size.width())
                .arg(size.height())
                .arg(kMaxPictureSide)
                .arg(FileName);
    return false;
  }
  // The largest accepted picture needs 256 MiB decoded; allow exactly that much.
  reader.setAllocationLimit(kMaxPictureSide * kMaxPictureSide * 4 / (1024 * 1024) + 1);
  QImage decoded;
  if (!reader.read(&decoded)) {
    Error =
        QStringLiteral("Picture could not be decoded: %1 (%2)").arg(FileName, reader.errorString());
    return false;
  }
  Picture = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  return true;
}

void WriteNotice(QImage& Picture, const QString& Text) {
  if (Picture.isNull()) return;
  QPainter painter(&Picture);
  QFont font = painter.font();
  font.setPointSize(9);
  font.setBold(true);
  painter.setFont(font);
  const int band = painter.fontMetrics().height() + 8;
  // Near-black, not black: pure black would be see-through.
  painter.fillRect(QRect(0, 0, Picture.width(), band), QColor(30, 30, 34, 230));
  painter.setPen(QColor(255, 214, 90));
  painter.drawText(QRect(6, 0, Picture.width() - 12, band), Qt::AlignCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(Text, Qt::ElideMiddle, Picture.width() - 12));
}

QString ForegroundFileName(const QString& Named, const QString& FaceFileName) {
  if (!Named.isEmpty()) return Named;
  const QFileInfo face(FaceFileName);
  const QString name = face.completeBaseName() + QStringLiteral("-foreground.png");
  return face.path() == QStringLiteral(".") && !FaceFileName.startsWith(QStringLiteral("./"))
             ? name
             : face.path() + QLatin1Char('/') + name;
}

std::int64_t EnclosedPureBlackPixels(const QImage& Picture) {
  const QImage image = Picture.convertToFormat(QImage::Format_RGB32);
  const int width = image.width(), height = image.height();
  const auto black = [&](int x, int y) {
    return (reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] & 0x00FFFFFFu) == 0;
  };
  // The surround: every pure-black pixel reached from the edge through pure black.
  std::vector<bool> outside(static_cast<std::size_t>(width) * height, false);
  std::vector<QPoint> todo;
  const auto reach = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    const std::size_t at = static_cast<std::size_t>(y) * width + x;
    if (outside[at] || !black(x, y)) return;
    outside[at] = true;
    todo.push_back({x, y});
  };
  for (int x = 0; x < width; ++x) {
    reach(x, 0);
    reach(x, height - 1);
  }
  for (int y = 0; y < height; ++y) {
    reach(0, y);
    reach(width - 1, y);
  }
  while (!todo.empty()) {
    const QPoint p = todo.back();
    todo.pop_back();
    reach(p.x() + 1, p.y());
    reach(p.x() - 1, p.y());
    reach(p.x(), p.y() + 1);
    reach(p.x(), p.y() - 1);
  }
  std::int64_t enclosed = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      enclosed += black(x, y) && !outside[static_cast<std::size_t>(y) * width + x];
  return enclosed;
}

}  // namespace quendal
