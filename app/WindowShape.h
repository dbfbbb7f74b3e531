#pragma once

#include <QRegion>
#include <QtGlobal>

#include "display/Renderer.h"

namespace quendal {

// The window mask that shows the visible pixels of the renderer's frames, for
// windows without per-pixel translucency. The face's shape is worked out once per
// face; a frame changes it only by what its needle drew, so the cost of a frame is
// that of its strokes, not of the window.
class WindowShape {
 public:
  // Follows the renderer's last frame; true when the mask changed.
  bool Update(const MeterRenderer& renderer);
  // The region to set: the visible pixels, or one pixel when none is visible, since
  // an empty mask would mean no shape at all, i.e. a fully visible window.
  QRegion WindowMask() const;

 private:
  qint64 face_key_ = -1;
  QRegion face_;
  QRegion mask_;
  bool shaped_ = false;
};

}  // namespace quendal
