#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cstdint>

namespace quendal {

// Pictures larger than this in either direction are refused before decoding.
inline constexpr int kMaxPictureSide = 8192;

// Loads a picture file (or a Qt resource such as ":/SCPNG") into Picture as
// ARGB32 premultiplied. On failure Picture is left untouched and Error holds a text
// for the log and the message box.
bool LoadPicture(const QString& FileName, QImage& Picture, QString& Error);

// Writes a short notice across the top of a picture, on a dark band so that it
// reads on any face.
void WriteNotice(QImage& Picture, const QString& Text);

// Pure-black (RGB 0, 0, 0) pixels that no pure-black path joins to the picture's edge: ticks
// and printing the window will show see-through, unlike the surround it is meant for.
std::int64_t EnclosedPureBlackPixels(const QImage& Picture);

// The picture drawn over the needle: the one named, else the face's own beside it
// ("quendal.png" has "quendal-foreground.png"), which may not exist.
QString ForegroundFileName(const QString& Named, const QString& FaceFileName);

// The smallest rectangle holding every pixel of a 32-bit Picture for which Counts(pixel)
// holds; empty for none.
template <typename Predicate>
QRect BoundsWhere(const QImage& Picture, Predicate Counts) {
  int left = Picture.width(), right = -1, top = Picture.height(), bottom = -1;
  for (int y = 0; y < Picture.height(); ++y) {
    const auto* pixel = reinterpret_cast<const QRgb*>(Picture.constScanLine(y));
    for (int x = 0; x < Picture.width(); ++x) {
      if (!Counts(pixel[x])) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = y;
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace quendal
