// Meter faces: whatever picture file the user names in config.ini.
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "display/PictureLoader.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

namespace {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t ReadBig32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Mutated PNGs would mostly die at the first chunk checksum; fix the checksums
// so the decoder gets to the pixel data.
void FixChunkCrcs(std::uint8_t* data, std::size_t size) {
  std::size_t at = 8;  // after the signature
  while (at + 12 <= size) {
    const std::uint32_t length = ReadBig32(data + at);
    if (length > size - at - 12) return;
    const std::uint32_t crc = Crc32(data + at + 4, length + 4);
    std::uint8_t* out = data + at + 8 + length;
    out[0] = static_cast<std::uint8_t>(crc >> 24);
    out[1] = static_cast<std::uint8_t>(crc >> 16);
    out[2] = static_cast<std::uint8_t>(crc >> 8);
    out[3] = static_cast<std::uint8_t>(crc);
    at += 12 + length;
  }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t max_size, unsigned int /*seed*/) {
  size = LLVMFuzzerMutate(data, size, max_size);
  // Every other mutation keeps broken checksums, so that path stays covered.
  static bool fix = false;
  fix = !fix;
  if (fix) FixChunkCrcs(data, size);
  return size;
}

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
