#include "display/PictureLoader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

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

}  // namespace quendal
