#include "tools/facegen/StrokeFont.h"

#include <initializer_list>
#include <vector>

namespace quendal::facegen {

namespace {

using Polyline = std::vector<QPointF>;
using Glyph = std::vector<Polyline>;

Glyph GlyphFor(char c) {
  switch (c) {
    case '0':
      return {{{1, 0}, {3, 0}, {4, 1}, {4, 5}, {3, 6}, {1, 6}, {0, 5}, {0, 1}, {1, 0}}};
    case '1':
      return {{{1, 1}, {2, 0}, {2, 6}}, {{1, 6}, {3, 6}}};
    case '2':
      return {{{0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 2}, {0, 6}, {4, 6}}};
    case '3':
      return {{{0, 0}, {4, 0}, {2, 2.5}, {3, 2.5}, {4, 3.5}, {4, 5}, {3, 6}, {1, 6}, {0, 5}}};
    case '4':
      return {{{3, 6}, {3, 0}, {0, 4}, {4, 4}}};
    case '5':
      return {{{4, 0}, {0, 0}, {0, 2.5}, {3, 2.5}, {4, 3.5}, {4, 5}, {3, 6}, {0, 6}}};
    case '6':
      return {
          {{3, 0}, {1, 0}, {0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 3.5}, {3, 2.5}, {0, 2.5}}};
    case '7':
      return {{{0, 0}, {4, 0}, {1.5, 6}}};
    case '8':
      return {{{1, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {1, 3}, {0, 2}, {0, 1}, {1, 0}},
              {{1, 3}, {3, 3}, {4, 4}, {4, 5}, {3, 6}, {1, 6}, {0, 5}, {0, 4}, {1, 3}}};
    case '9':
      return {
          {{4, 3.5}, {1, 3.5}, {0, 2.5}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 5}, {3, 6}, {1, 6}}};
    case '+':
      return {{{2, 1.5}, {2, 4.5}}, {{0.5, 3}, {3.5, 3}}};
    case '-':
      return {{{0.5, 3}, {3.5, 3}}};
    case '.':
      return {{{1.7, 5.6}, {2.3, 5.6}, {2.3, 6}, {1.7, 6}, {1.7, 5.6}}};
    case kInfinityGlyph:
      return {{{2, 3},
               {1, 1.8},
               {-0.2, 1.8},
               {-1, 3},
               {-0.2, 4.2},
               {1, 4.2},
               {2, 3},
               {3, 1.8},
               {4.2, 1.8},
               {5, 3},
               {4.2, 4.2},
               {3, 4.2},
               {2, 3}}};
    case 'W':
      return {{{0, 0}, {1, 6}, {2, 2.5}, {3, 6}, {4, 0}}};
    case 'R':
      return {{{0, 6}, {0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {0, 3}}, {{2, 3}, {4, 6}}};
    case 'S':
      return {{{4, 1},
               {3, 0},
               {1, 0},
               {0, 1},
               {0, 2},
               {1, 3},
               {3, 3},
               {4, 4},
               {4, 5},
               {3, 6},
               {1, 6},
               {0, 5}}};
    case 'U':
      return {{{0, 0}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 0}}};
    case 'N':
      return {{{0, 6}, {0, 0}, {4, 6}, {4, 0}}};
    case 'I':
      return {{{2, 0}, {2, 6}}, {{1, 0}, {3, 0}}, {{1, 6}, {3, 6}}};
    case 'T':
      return {{{0, 0}, {4, 0}}, {{2, 0}, {2, 6}}};
    case 'd':
      return {{{4, 0}, {4, 6}}, {{4, 4}, {3, 3}, {1, 3}, {0, 4}, {0, 5}, {1, 6}, {3, 6}, {4, 5}}};
    case 'B':
      return {
          {{0, 3}, {3, 3}, {4, 4}, {4, 5}, {3, 6}, {0, 6}, {0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}}};
    default:
      return {};
  }
}

}  // namespace

QPainterPath TextPath(std::string_view Text, double UnitSize, QPointF Centre) {
  const double width =
      Text.empty() ? 0.0 : ((Text.size() - 1) * kGlyphAdvance + kGlyphWidth) * UnitSize;
  const QPointF origin(Centre.x() - width / 2.0, Centre.y() - kGlyphHeight * UnitSize / 2.0);
  QPainterPath path;
  for (std::size_t n = 0; n < Text.size(); ++n) {
    const QPointF glyphOrigin = origin + QPointF(n * kGlyphAdvance * UnitSize, 0.0);
    for (const Polyline& line : GlyphFor(Text[n])) {
      path.moveTo(glyphOrigin + line.front() * UnitSize);
      for (std::size_t k = 1; k < line.size(); ++k) path.lineTo(glyphOrigin + line[k] * UnitSize);
    }
  }
  return path;
}

}  // namespace quendal::facegen
