#include "app/FacePictures.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "display/MeterScale.h"
#include "display/PictureLoader.h"

namespace quendal {

namespace {

// Drawn for pure black while calibrating: dark, but neither see-through nor click-through.
constexpr QRgb kClickableBlack = 0xFF101010u;

}  // namespace

FacePictures::FacePictures(const WindowSettings& window, TextLog& log)
    : window_(window), log_(log) {}

void FacePictures::Load() {
  QString error;
  if (!LoadPicture(QStringLiteral(":/SCPNG"), PNGImage_, error)) {
    throw ConfigError("The built-in emblem could not be loaded: " + error.toStdString());
  }
  if (LoadPicture(QString::fromStdString(window_.BackgroundImageFileName), BackgroundBitmap_,
                  error)) {
    log_.Log("Background image loaded successfully.");
    LoadForeground(window_.BackgroundImageFileName);
  } else {
    log_.Log("Failed to load background image. Error: " + error.toStdString());
    LoadBuiltInFace();
  }
  loaded_ = true;
}

bool FacePictures::Change(const std::string& fileName, QString& Error) {
  QImage face;
  if (!LoadPicture(QString::fromStdString(fileName), face, Error)) return false;
  BackgroundBitmap_ = face;
  using_built_in_face_ = false;
  log_.Log("Background image loaded successfully.");
  SetForeground(QImage());
  LoadForeground(fileName);
  return true;
}

void FacePictures::Release() {
  BackgroundBitmap_ = QImage();
  PNGImage_ = QImage();
  loaded_ = false;
}

void FacePictures::LoadBuiltInFace() {
  // A window with a face and a working needle says more than a black one with a box.
  QString error;
  if (!LoadPicture(QStringLiteral(":/builtin-face/quendal.png"), BackgroundBitmap_, error)) {
    log_.Log("The built-in face could not be loaded either: " + error.toStdString());
    return;
  }
  QImage foreground;
  if (LoadPicture(QStringLiteral(":/builtin-face/quendal-foreground.png"), foreground, error)) {
    SetForeground(foreground);
  }
  WriteNotice(BackgroundBitmap_, QStringLiteral("%1 not found: the built-in face is shown")
                                     .arg(QString::fromStdString(window_.BackgroundImageFileName)));
  using_built_in_face_ = true;
  log_.Log("Using the built-in default face and its calibration instead of " +
           window_.BackgroundImageFileName + ".");
}

void FacePictures::LoadForeground(const std::string& faceFileName) {
  const QString named = QString::fromStdString(window_.ForegroundImageFileName);
  const QString name = ForegroundFileName(named, QString::fromStdString(faceFileName));
  // A face without a foreground of its own simply has none.
  if (named.isEmpty() && !QFileInfo::exists(name)) return;
  QImage foreground;
  QString error;
  if (!LoadPicture(name, foreground, error)) {
    log_.Log("Failed to load foreground image. Error: " + error.toStdString());
    return;
  }
  if (foreground.size() != BackgroundBitmap_.size()) {
    log_.Log("Foreground image " + name.toStdString() +
             " is not the size of the face; drawn from the "
             "top left corner.");
  }
  SetForeground(foreground);
  log_.Log("Foreground image loaded: " + name.toStdString());
}

void FacePictures::SetForeground(const QImage& foreground) {
  const QImage picture = foreground.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  foreground_size_ = picture.size();
  foreground_fill_ = picture.isNull() ? 0 : reinterpret_cast<const QRgb*>(picture.constBits())[0];
  const QRect part = BoundsWhere(picture, [this](QRgb pixel) { return pixel != foreground_fill_; });
  foreground_ = part.isEmpty() ? QImage() : picture.copy(part);
  foreground_at_ = part.topLeft();
  drawn_foreground_factor_ = 0.0;
}

QImage FacePictures::WholeForeground() const {
  if (foreground_size_.isEmpty()) return {};
  QImage whole(foreground_size_, QImage::Format_ARGB32_Premultiplied);
  whole.fill(foreground_fill_);
  for (int y = 0; y < foreground_.height(); ++y) {
    std::memcpy(whole.scanLine(foreground_at_.y() + y) + foreground_at_.x() * sizeof(QRgb),
                foreground_.constScanLine(y), foreground_.width() * sizeof(QRgb));
  }
  return whole;
}

void FacePictures::ApplyForeground(MeterRenderer& renderer, double Factor) {
  // Scaled with the face, once per size.
  if (Factor == drawn_foreground_factor_) return;
  drawn_foreground_factor_ = Factor;
  if (foreground_size_.isEmpty()) {
    renderer.SetForeground(QImage());
  } else if (Factor == 1.0 && (foreground_fill_ & 0x00FFFFFFu) == 0) {
    // Around its part the foreground is see-through: the part alone draws the same.
    renderer.SetForeground(foreground_, foreground_at_);
  } else {
    const QImage whole = WholeForeground();
    renderer.SetForeground(Factor == 1.0
                               ? whole
                               : whole.scaled(ScaleSize(whole.size(), Factor),
                                              Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
}

const QImage& FacePictures::Drawn(double Factor, bool Clickable) {
  const QImage& source = Clickable ? ClickableFace() : BackgroundBitmap_;
  // Scaled smoothly once per face and size, not once per frame.
  if (Factor == 1.0 || source.isNull()) return source;
  const QSize size = ScaleSize(source.size(), Factor);
  if (scaled_face_.size() != size || scaled_face_source_ != source.cacheKey()) {
    scaled_face_ = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    scaled_face_source_ = source.cacheKey();
  }
  return scaled_face_;
}

const QImage& FacePictures::ClickableFace() {
  // While calibrating, every pixel of the face must take clicks: a black tick is a mark
  // to click, not a hole to the desktop. Pure black becomes near-black until then.
  if (clickable_face_key_ == BackgroundBitmap_.cacheKey()) return clickable_face_;
  clickable_face_ = BackgroundBitmap_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < clickable_face_.height(); ++y) {
    auto* pixel = reinterpret_cast<QRgb*>(clickable_face_.scanLine(y));
    for (int x = 0; x < clickable_face_.width(); ++x) {
      if ((pixel[x] & 0x00FFFFFFu) == 0) pixel[x] = kClickableBlack;
    }
  }
  clickable_face_key_ = BackgroundBitmap_.cacheKey();
  return clickable_face_;
}

}  // namespace quendal
