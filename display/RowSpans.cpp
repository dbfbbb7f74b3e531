#include "display/RowSpans.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace quendal {

namespace {

// Whole pixel index for a coordinate, kept inside [-1, limit] before conversion so
// that far-off or huge values never overflow.
int ClampedIndex(double value, int limit) {
  return static_cast<int>(std::clamp(value, -1.0, static_cast<double>(limit)));
}

}  // namespace

void RowSpans::Reset(int width, int height) {
  width_ = width;
  height_ = height;
  left_.assign(static_cast<std::size_t>(std::max(height, 0)), INT_MAX);
  right_.assign(static_cast<std::size_t>(std::max(height, 0)), INT_MIN);
  top_ = height;
  bottom_ = -1;
}

QRect RowSpans::Bounds() const {
  int left = INT_MAX;
  int right = INT_MIN;
  ForEach([&](int, int l, int r) {
    left = std::min(left, l);
    right = std::max(right, r);
  });
  if (left > right) return QRect();
  return QRect(QPoint(left, top_), QPoint(right, bottom_));
}

bool RowSpans::Intersects(const QRect& Rect) const {
  const int first = std::max(top_, Rect.top());
  const int last = std::min(bottom_, Rect.bottom());
  for (int y = first; y <= last; ++y) {
    if (left_[y] <= Rect.right() && right_[y] >= Rect.left() && left_[y] <= right_[y]) return true;
  }
  return false;
}

void RowSpans::AddRun(int y, int left, int right) {
  if (y < 0 || y >= height_) return;
  left = std::max(left, 0);
  right = std::min(right, width_ - 1);
  if (left > right) return;
  left_[y] = std::min(left_[y], left);
  right_[y] = std::max(right_[y], right);
  top_ = std::min(top_, y);
  bottom_ = std::max(bottom_, y);
}

void RowSpans::AddRect(const QRect& rect) {
  const QRect r = rect.intersected(QRect(0, 0, width_, height_));
  if (r.isEmpty()) return;
  for (int y = r.top(); y <= r.bottom(); ++y) AddRun(y, r.left(), r.right());
}

void RowSpans::AddPoint(int x, int y) { AddRun(y, x, x); }

void RowSpans::AddSegment(double x1, double y1, double x2, double y2, double margin) {
  if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) return;
  const int first = ClampedIndex(std::floor(std::min(y1, y2) - margin), height_);
  const int last = ClampedIndex(std::ceil(std::max(y1, y2) + margin), height_);
  const double dx = x2 - x1, dy = y2 - y1;
  const double inverseDy = dy != 0.0 ? 1.0 / dy : 0.0;
  for (int y = std::max(first, 0); y <= std::min(last, height_ - 1); ++y) {
    double t0 = 0.0, t1 = 1.0;
    if (dy != 0.0) {
      const double ta = (y - margin - y1) * inverseDy, tb = (y + margin - y1) * inverseDy;
      t0 = std::max(0.0, std::min(ta, tb));
      t1 = std::min(1.0, std::max(ta, tb));
      if (t0 > t1) continue;
    } else if (std::abs(y - y1) > margin) {
      continue;
    }
    const double xa = x1 + dx * t0, xb = x1 + dx * t1;
    AddRun(y, ClampedIndex(std::floor(std::min(xa, xb) - margin), width_),
           ClampedIndex(std::ceil(std::max(xa, xb) + margin), width_));
  }
}

}  // namespace quendal
