#pragma once

#include <QRect>
#include <vector>

namespace quendal {

// For each row of a frame, the one run of columns [left, right] that something
// touched; the renderer restores and keys only these instead of the whole frame.
class RowSpans {
 public:
  void Reset(int width, int height);

  void AddRect(const QRect& rect);
  void AddPoint(int x, int y);
  // Columns [left, right] of row y.
  void AddRun(int y, int left, int right);
  // Every pixel whose centre lies within Margin of the segment (pixel centres at
  // whole coordinates).
  void AddSegment(double x1, double y1, double x2, double y2, double margin);

  // The smallest rectangle holding every run; empty when there is none.
  QRect Bounds() const;
  // Whether a run reaches into Rect.
  bool Intersects(const QRect& Rect) const;

  // Calls Visit(y, left, right) for every row with a run.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (int y = top_; y <= bottom_; ++y) {
      if (left_[y] <= right_[y]) visit(y, left_[y], right_[y]);
    }
  }

 private:
  int width_ = 0;
  int height_ = 0;
  int top_ = 0;
  int bottom_ = -1;
  std::vector<int> left_;
  std::vector<int> right_;
};

}  // namespace quendal
