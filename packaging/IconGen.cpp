// Makes the desktop icons from the default meter face: pure black becomes see-through,
// as on the meter window, and the face is centred in each square size.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

QImage KeyPureBlack(const QImage& face) {
  QImage keyed = face.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < keyed.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x) {
      if ((row[x] & 0x00FFFFFFu) == 0) row[x] = 0;
    }
  }
  return keyed;
}

QImage SquareIcon(const QImage& keyedFace, int side) {
  QImage icon(side, side, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  const QImage scaled = keyedFace.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter painter(&icon);
  painter.drawImage((side - scaled.width()) / 2, (side - scaled.height()) / 2, scaled);
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: quendal-icongen <face.png> <output folder> <size>...\n");
    return 2;
  }
  const QImage face(QString::fromLocal8Bit(argv[1]));
  if (face.isNull()) {
    std::fprintf(stderr, "quendal-icongen: cannot read %s\n", argv[1]);
    return 1;
  }
  const QImage keyed = KeyPureBlack(face);
  const QDir out(QString::fromLocal8Bit(argv[2]));
  for (int i = 3; i < argc; ++i) {
    const int side = std::atoi(argv[i]);
    if (side < 16 || side > 1024) {
      std::fprintf(stderr, "quendal-icongen: icon size %s is not between 16 and 1024\n", argv[i]);
      return 2;
    }
    const QString folder = QString("%1x%1").arg(side);
    const QString path = out.filePath(folder + "/quendal.png");
    if (!QDir().mkpath(out.filePath(folder)) || !SquareIcon(keyed, side).save(path, "PNG")) {
      std::fprintf(stderr, "quendal-icongen: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
