// Meter faces: whatever picture file the user names in config.ini.
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "display/PictureLoader.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QString path = QString::fromStdString(fuzz::ScratchFile("face.png"));
  fuzz::WriteScratchFile(path.toStdString(), data, size);
  QImage picture(1, 1, QImage::Format_ARGB32_Premultiplied);
  QString error;
  if (LoadPicture(path, picture, error)) {
    if (picture.width() > kMaxPictureSide || picture.height() > kMaxPictureSide)
      fuzz::Fail("picture beyond the size limit accepted");
    if (picture.format() != QImage::Format_ARGB32_Premultiplied)
      fuzz::Fail("picture not converted");
  } else {
    if (error.isEmpty()) fuzz::Fail("failure without a message");
    if (picture.width() != 1 || picture.height() != 1)
      fuzz::Fail("failed load changed the picture");
  }
  return 0;
}
