// Draws the default meter face, its foreground, its calibration file and the emblem.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <exception>

#include "calibration/CalibrationFile.h"
#include "support/TextLog.h"
#include "tools/facegen/FaceDesign.h"

namespace {

bool Save(const QImage& image, const QString& path) {
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "facegen: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: facegen <output folder>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(out.path())) {
    std::fprintf(stderr, "facegen: cannot create %s\n", argv[1]);
    return 1;
  }
  if (!Save(quendal::facegen::DrawFace(), out.filePath("quendal.png")) ||
      !Save(quendal::facegen::DrawForeground(), out.filePath("quendal-foreground.png")) ||
      !Save(quendal::facegen::DrawEmblem(), out.filePath("emblem.png"))) {
    return 1;
  }
  try {
    quendal::TextLog quiet(out.filePath("facegen.log").toStdString());
    quendal::SaveCalibrationToFile(quendal::facegen::MarkPoints(),
                                   out.filePath("calibration.txt").toStdString(), quiet);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "facegen: %s\n", e.what());
    return 1;
  }
  return 0;
}
