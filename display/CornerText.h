#pragma once

#include <QColor>
#include <QFont>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <span>

#include "calibration/Scale.h"
#include "display/MeterSettings.h"

class QPainter;

namespace quendal {

// Where the needle (and its shadow) can be: from its pivot to its tip, swept over the
// whole scale from the first mark to the last, in the pixels Settings and Calibration are
// drawn at.
QPolygonF NeedleSweep(const MeterSettings& Settings, const MeterCalibration& Calibration,
                      const Scale& NeedleScale, TPoint Center);

// A text over the face, set and placed.
struct CornerText {
  QFont Font;
  QStringList Lines;
  QRect Box;  // the dark box behind the lines, in client pixels; empty for no text
  Qt::Alignment Align = Qt::AlignRight;  // towards the window edge it stands at
  QColor Ink{255, 255, 255};
};

// Sets Text in a corner of a Client area drawn at Factor times the face's own size: the
// bottom right first, then bottom left, top right and top left. It takes the largest
// size (up to Factor times the standard, never below a legible floor) and the fewest
// lines with which its box stays inside the window, clear of Sweep and of the boxes
// already Taken by other texts. Where nothing is clear, the box that covers least of
// them at the floor size.
CornerText PlaceCornerText(const QString& Text, QSize Client, const QPolygonF& Sweep, double Factor,
                           std::span<const QRect> Taken = {});

// Lines in their ink (white unless set) on a dark box, legible on light and dark faces alike.
void DrawCornerText(QPainter& Painter, const CornerText& Text);

}  // namespace quendal
