#pragma once

#include <QImage>
#include <QString>
#include <QtGlobal>
#include <string>

#include "app/Config.h"
#include "display/Renderer.h"
#include "support/TextLog.h"

namespace quendal {

// The meter face, the emblem and the face's foreground layer, with the copies the
// frames are drawn from: the clickable face while calibrating, and face and
// foreground at the drawn size. Each copy is made once per face and size, not per frame.
class FacePictures {
 public:
  // The face and foreground named in window; the caller changes the face name only
  // through Change.
  FacePictures(const WindowSettings& window, TextLog& log);

  // The emblem, then the face with its foreground; a face that cannot be read gives
  // way to the built-in face with a notice on it. Throws ConfigError when the built-in
  // emblem cannot be read.
  void Load();
  // Another face and its foreground; false with Error when it cannot be read, and the
  // face in use stays.
  bool Change(const std::string& fileName, QString& Error);
  void Release();

  bool Loaded() const { return loaded_; }
  // The file failed at Load: the built-in face stands in, and its calibration with it.
  bool UsingBuiltInFace() const { return using_built_in_face_; }
  const QImage& BackgroundBitmap() const { return BackgroundBitmap_; }
  const QImage& PNGImage() const { return PNGImage_; }

  // The face as drawn at Factor (face pixels to frame pixels); Clickable while
  // calibrating, when black ticks must take clicks.
  const QImage& Drawn(double Factor, bool Clickable);
  // Gives the renderer the foreground at Factor when that size changed.
  void ApplyForeground(MeterRenderer& renderer, double Factor);

 private:
  void LoadBuiltInFace();
  void LoadForeground(const std::string& faceFileName);
  void SetForeground(const QImage& foreground);
  // The foreground as it was loaded.
  QImage WholeForeground() const;
  const QImage& ClickableFace();

  const WindowSettings& window_;
  TextLog& log_;
  QImage PNGImage_;
  QImage BackgroundBitmap_;
  bool loaded_ = false;
  bool using_built_in_face_ = false;
  QImage clickable_face_;
  qint64 clickable_face_key_ = -1;
  QImage scaled_face_;
  qint64 scaled_face_source_ = -1;
  // The foreground kept small: its part that differs from the colour of its corner
  // (the see-through black of a cap or a cover), where that part stands, that colour
  // and the whole picture's size. Scaled, it is rebuilt whole first.
  QImage foreground_;
  QPoint foreground_at_;
  QRgb foreground_fill_ = 0;
  QSize foreground_size_;
  double drawn_foreground_factor_ = 0.0;
};

}  // namespace quendal
