// Draws the default meter face, its foreground, its calibration and transmit scale files
// and the emblem.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

#include "calibration/CalibrationFile.h"
#include "calibration/TransmitScaleFile.h"
#include "support/TextLog.h"
#include "tools/facegen/FaceDesign.h"

namespace {

bool Save(const QImage& image, const QString& path) {
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "facegen: cannot write %s\n", qPrintable(path));
  return false;
}

// The power and SWR scales printed on the face, beside it.
bool SaveTransmitScales(const std::string& face) {
  using quendal::TransmitReading;
  for (const auto& [reading, marks] :
       {std::pair{TransmitReading::Power, quendal::facegen::PowerMarks()},
        std::pair{TransmitReading::Swr, quendal::facegen::SwrMarks()}}) {
    const std::string problem =
        quendal::WriteScaleFile(marks, quendal::TransmitScaleFileName(face, reading));
    if (!problem.empty()) {
      std::fprintf(stderr, "facegen: %s\n", problem.c_str());
      return false;
    }
  }
  return true;
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
  return SaveTransmitScales(out.filePath("quendal.png").toStdString()) ? 0 : 1;
}
