#pragma once

#include <QSize>
#include <cstdint>

#include "display/MeterSettings.h"

namespace quendal {

// A length or coordinate in face pixels drawn at Factor times the face's own size,
// rounded half to even.
std::int32_t ScaleLength(std::int32_t FacePixels, double Factor);
QSize ScaleSize(QSize FaceSize, double Factor);

// Settings and calibration for drawing at Factor: needle length, thickness, shadow
// offset, pivot height and every calibrated point and radius scale together, so the
// needle points at the same marks of the scaled face. The stored values stay in face
// pixels; these copies are only drawn with. A stroke is never thinner than a pixel:
// above 100 % each stroke widens (StrokeWidth) and the strokes keep their number,
// below it fewer strokes are drawn.
struct ScaledMeter {
  MeterSettings Settings;
  MeterCalibration Calibration;
  double StrokeWidth = 1.0;
};
ScaledMeter ScaleMeter(const MeterSettings& Settings, const MeterCalibration& Calibration,
                       double Factor);

}  // namespace quendal
