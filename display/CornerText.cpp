#include "display/CornerText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "display/NeedleGeometry.h"

namespace quendal {

namespace {

constexpr int kStandardPixelSize = 13;
// Below this a bold sans serif blurs into a smudge on most screens.
constexpr int kFloorPixelSize = 9;
// Steps along the scale between two marks for the swept outline.
constexpr int kSweepStepsPerMark = 4;
// Room kept between a text's box and the needle's path.
constexpr double kSweepClearance = 2.0;

enum class CornerPlace { BottomRight, BottomLeft, TopRight, TopLeft };
constexpr CornerPlace kBottom[] = {CornerPlace::BottomRight, CornerPlace::BottomLeft};
// The top corners hold the scale's printing on most faces.
constexpr CornerPlace kTop[] = {CornerPlace::TopRight, CornerPlace::TopLeft};

// One way of looking for room: where, how small the text may get, and whether every
// paragraph may take more than one line.
struct Pass {
  std::span<const CornerPlace> corners;
  double smallest;  // of the preferred size
  bool broken;
};
// A large text in a top corner reads better than a small one in a bottom corner.
constexpr Pass kPasses[] = {{kBottom, 0.75, true},
                            {kTop, 0.75, false},
                            {kTop, 0.75, true},
                            {kBottom, 0.0, true},
                            {kTop, 0.0, true}};

QFont CornerFont(int pixelSize) {
  QFont font(QStringLiteral("Segoe UI"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(true);
  return font;
}

// The line broken at the blank nearest its middle; unbroken without a blank.
QStringList BreakAtMiddle(const QString& line) {
  const qsizetype middle = line.size() / 2;
  qsizetype best = -1;
  for (qsizetype i = 0; i < line.size(); ++i) {
    if (line[i] == u' ' && (best < 0 || std::abs(i - middle) < std::abs(best - middle))) best = i;
  }
  if (best <= 0) return {line};
  return {line.left(best).trimmed(), line.mid(best + 1).trimmed()};
}

// The parts of the line between its " – " and " · ", which go; none of them empty. By
// hand: a regular expression would bring PCRE2 and its compiler into memory for this.
QStringList SplitAtDashes(const QString& line) {
  QStringList parts;
  qsizetype from = 0;
  for (qsizetype i = 0; i + 2 < line.size(); ++i) {
    const QChar mark = line[i + 1];
    if (line[i] != u' ' || (mark != u'\u2013' && mark != u'\u00b7') || line[i + 2] != u' ')
      continue;
    if (i > from) parts += line.mid(from, i - from);
    from = i + 3;
    i += 2;
  }
  if (line.size() > from) parts += line.mid(from);
  return parts;
}

// The ways to set the text, fewest lines first: as written, broken at its dashes and
// middle dots (which go), then each of those lines halved.
std::vector<QStringList> LineChoices(const QString& text) {
  std::vector<QStringList> choices{text.split(u'\n')};
  QStringList atDashes;
  for (const QString& line : choices.front()) atDashes += SplitAtDashes(line);
  choices.push_back(atDashes);
  QStringList halved;
  for (const QString& line : atDashes) halved += BreakAtMiddle(line);
  choices.push_back(halved);
  choices.erase(std::unique(choices.begin(), choices.end()), choices.end());
  return choices;
}

int Padding(double factor) { return std::max(2, static_cast<int>(std::lround(3.0 * factor))); }
int Margin(double factor) { return std::max(3, static_cast<int>(std::lround(8.0 * factor))); }

QSize BoxSize(const QFont& font, const QStringList& lines, int padding) {
  const QFontMetrics metrics(font);
  int width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
  return {width + 2 * padding, static_cast<int>(lines.size()) * metrics.height() + 2 * padding};
}

bool AtRight(CornerPlace place) {
  return place == CornerPlace::BottomRight || place == CornerPlace::TopRight;
}

QRect BoxAt(CornerPlace place, QSize box, QSize client, int margin) {
  const bool right = AtRight(place);
  const bool bottom = place == CornerPlace::BottomRight || place == CornerPlace::BottomLeft;
  const int x = right ? client.width() - margin - box.width() : margin;
  const int y = bottom ? client.height() - margin - box.height() : margin;
  return {QPoint(x, y), box};
}

// How much of what must stay clear the box covers, in square pixels; 0 when clear.
double Covered(const QRect& box, QSize client, const QPainterPath& sweep,
               std::span<const QRect> taken) {
  if (!QRect(QPoint(0, 0), client).contains(box)) return std::numeric_limits<double>::infinity();
  const QRectF kept =
      QRectF(box).adjusted(-kSweepClearance, -kSweepClearance, kSweepClearance, kSweepClearance);
  double covered = 0.0;
  if (sweep.intersects(kept)) {
    QPainterPath area;
    area.addRect(kept);
    const QRectF overlap = sweep.intersected(area).boundingRect();
    covered += std::max(1.0, overlap.width() * overlap.height());
  }
  for (const QRect& other : taken) {
    const QRect overlap = other.intersected(box);
    if (!overlap.isEmpty()) covered += static_cast<double>(overlap.width()) * overlap.height();
  }
  return covered;
}

}  // namespace

QPolygonF NeedleSweep(const MeterSettings& Settings, const MeterCalibration& Calibration,
                      const Scale& NeedleScale, TPoint Center) {
  const double last =
      NeedleScale.Empty() ? kCalibrationPointCount - 1 : NeedleScale.Marks().back().Value;
  const double first = NeedleScale.Empty() ? 0.0 : NeedleScale.Marks().front().Value;
  const int steps =
      kSweepStepsPerMark *
      std::max<int>(1, static_cast<int>(NeedleScale.Empty() ? kCalibrationPointCount - 1
                                                            : NeedleScale.Marks().size() - 1));
  QPolygonF tips, pivots;
  for (int i = 0; i <= steps; ++i) {
    const double value = first + (last - first) * i / steps;
    const NeedleGeometry g =
        SelectNeedleGeometry(Settings, Calibration, NeedleScale, value, Center.X, Center.Y);
    if (!std::isfinite(g.Angle) || !std::isfinite(g.PivotX) || !std::isfinite(g.PivotY)) continue;
    tips << QPointF(g.PivotX + std::cos(g.Angle) * g.Length,
                    g.PivotY - std::sin(g.Angle) * g.Length);
    pivots.prepend(QPointF(g.PivotX, g.PivotY));
  }
  const QPolygonF needle = tips + pivots;
  if (!Settings.EnableShadow) return needle;
  return needle.united(needle.translated(Settings.ShadowOffset, Settings.ShadowOffset));
}

CornerText PlaceCornerText(const QString& Text, QSize Client, const QPolygonF& Sweep, double Factor,
                           std::span<const QRect> Taken) {
  CornerText best;
  if (Text.isEmpty()) return best;
  QPainterPath sweep;
  sweep.addPolygon(Sweep);
  sweep.closeSubpath();
  const int padding = Padding(Factor);
  const int margin = Margin(Factor);
  const int preferred =
      std::max(kFloorPixelSize, static_cast<int>(std::lround(kStandardPixelSize * Factor)));
  const std::vector<QStringList> choices = LineChoices(Text);
  double leastCovered = std::numeric_limits<double>::infinity();
  for (const Pass& pass : kPasses) {
    const int smallest =
        std::max(kFloorPixelSize, static_cast<int>(std::ceil(preferred * pass.smallest)));
    for (int size = preferred; size >= smallest; --size) {
      const QFont font = CornerFont(size);
      for (std::size_t choice = 0; choice < (pass.broken ? choices.size() : 1); ++choice) {
        const QSize box = BoxSize(font, choices[choice], padding);
        for (CornerPlace place : pass.corners) {
          const QRect rect = BoxAt(place, box, Client, margin);
          const double covered = Covered(rect, Client, sweep, Taken);
          const Qt::Alignment align = AtRight(place) ? Qt::AlignRight : Qt::AlignLeft;
          if (covered == 0.0) return {font, choices[choice], rect, align};
          // At the floor size only: a larger text is never worth covering the needle.
          if (size == kFloorPixelSize && covered < leastCovered) {
            leastCovered = covered;
            best = {font, choices[choice], rect, align};
          }
        }
      }
    }
  }
  if (best.Lines.isEmpty()) {
    // Not even inside the window: the smallest set in the bottom right.
    best.Font = CornerFont(kFloorPixelSize);
    best.Lines = choices.back();
    best.Box = BoxAt(CornerPlace::BottomRight, BoxSize(best.Font, best.Lines, padding), Client,
                     std::min(margin, 2));
  }
  return best;
}

void DrawCornerText(QPainter& Painter, const CornerText& Text) {
  if (Text.Lines.isEmpty() || Text.Box.isEmpty()) return;
  const QFontMetrics metrics(Text.Font);
  const double radius = std::max(2.0, metrics.height() / 4.0);
  const int padding =
      std::max(2, (Text.Box.height() - static_cast<int>(Text.Lines.size()) * metrics.height()) / 2);
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, true);
  Painter.setPen(Qt::NoPen);
  // Not pure black: the window keys that out.
  Painter.setBrush(QColor(28, 28, 28, 225));
  Painter.drawRoundedRect(QRectF(Text.Box), radius, radius);
  Painter.setFont(Text.Font);
  Painter.setPen(Text.Ink);
  for (qsizetype i = 0; i < Text.Lines.size(); ++i) {
    const QRect line(Text.Box.left() + padding,
                     Text.Box.top() + padding + static_cast<int>(i) * metrics.height(),
                     Text.Box.width() - 2 * padding, metrics.height());
    Painter.drawText(line, static_cast<int>(Text.Align | Qt::AlignVCenter), Text.Lines[i]);
  }
  Painter.restore();
}

}  // namespace quendal
