#pragma once

#include <QPainterPath>
#include <QPointF>
#include <string_view>

namespace quendal::facegen {

// A small stroked font of our own, so the face comes out the same on every machine
// whatever fonts are installed. Glyphs sit on a 4 x 6 grid, y downwards.
inline constexpr double kGlyphWidth = 4.0;
inline constexpr double kGlyphHeight = 6.0;
inline constexpr double kGlyphAdvance = 5.5;

// Stands for "∞" in a text, which has no one-byte spelling.
inline constexpr char kInfinityGlyph = '\x01';

// Outline strokes of Text, UnitSize pixels per grid unit, centred on Centre.
QPainterPath TextPath(std::string_view Text, double UnitSize, QPointF Centre);

}  // namespace quendal::facegen
