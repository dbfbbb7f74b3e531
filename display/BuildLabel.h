#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;
class QPaintDevice;

namespace quendal {

// The build number of this program (the fourth number of its version), or -1.
std::int32_t GetBuildNumber();

// "Build: " followed by the number in decimal.
QString BuildLabelText(std::int32_t BuildNumber);

// Writes the label in white bold 10 pt at the bottom-right corner of a client area
// of the given size, 10 pixels from both edges, without a background box.
void DrawBuildNumber(QPainter& Painter, std::int32_t ClientWidth, std::int32_t ClientHeight,
                     std::int32_t BuildNumber);
// Where DrawBuildNumber on Device can leave ink, with room to spare.
QRect BuildNumberArea(const QPaintDevice* Device, std::int32_t ClientWidth,
                      std::int32_t ClientHeight, std::int32_t BuildNumber);

}  // namespace quendal
