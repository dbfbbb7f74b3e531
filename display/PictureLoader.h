#pragma once

#include <QImage>
#include <QString>
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

// The picture drawn over the needle: the one named, else the face's own beside it
// ("quendal.png" has "quendal-foreground.png"), which may not exist.
// Pure-black (RGB 0, 0, 0) pixels that no pure-black path joins to the picture's edge: ticks
// and printing the window will show see-through, unlike the surround it is meant for.
std::int64_t EnclosedPureBlackPixels(const QImage& Picture);

QString ForegroundFileName(const QString& Named, const QString& FaceFileName);

}  // namespace quendal
