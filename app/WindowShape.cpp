#include "app/WindowShape.h"

#include <QImage>

namespace quendal {

namespace {

// The pixels ShownByMask, row by row; rows come in order, so QRegion only extends
// its last band.
QRegion ShownRegion(const QImage& image) {
  QRegion region;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int from = -1;
    for (int x = 0; x <= image.width(); ++x) {
      const bool shown = x < image.width() && ShownByMask(row[x]);
      if (shown && from < 0) from = x;
      if (!shown && from >= 0) {
        region += QRect(from, y, x - from, 1);
        from = -1;
      }
    }
  }
  return region;
}

}  // namespace

bool WindowShape::Update(const MeterRenderer& renderer) {
  const QImage& face = renderer.KeyedFace();
  if (face.cacheKey() != face_key_) {
    face_key_ = face.cacheKey();
    face_ = ShownRegion(face);
  }
  const MaskDifference difference = renderer.MaskDifferenceFromFace();
  QRegion mask = face_;
  if (!difference.Shown.isEmpty()) mask = mask.united(difference.Shown);
  if (!difference.Hidden.isEmpty()) mask = mask.subtracted(difference.Hidden);
  if (shaped_ && mask == mask_) return false;
  shaped_ = true;
  mask_ = std::move(mask);
  return true;
}

QRegion WindowShape::WindowMask() const { return mask_.isEmpty() ? QRegion(0, 0, 1, 1) : mask_; }

}  // namespace quendal
