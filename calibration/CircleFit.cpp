#include "calibration/CircleFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace quendal {

namespace {

// Marks are clicked by hand: a couple of pixels off the printed arc is normal.
constexpr double kMostResidual = 2.5;
// A scale that bows by less than this is treated as straight.
constexpr double kLeastSagitta = 6.0;
constexpr int kRefinements = 20;
// Further off the others' arc than this, a click has missed its mark (or taken another).
constexpr double kFarFromArc = 12.0;
// Fewer marks, all at one end of the scale, fix no curve well enough to judge by.
constexpr std::size_t kLeastOthers = 5;

struct Centred {
  double x, y;
};

// Solves the 3 x 3 system a * v = b by Cramer's rule; false when it is singular.
bool Solve3(const std::array<std::array<double, 3>, 3>& a, const std::array<double, 3>& b,
            std::array<double, 3>& v) {
  auto det = [](const std::array<std::array<double, 3>, 3>& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  const double d = det(a);
  double scale = 0.0;
  for (const auto& row : a) {
    for (double e : row) scale = std::max(scale, std::fabs(e));
  }
  if (!(std::fabs(d) > 1e-12 * scale * scale * scale)) return false;
  for (int k = 0; k < 3; ++k) {
    auto m = a;
    for (int r = 0; r < 3; ++r) m[r][k] = b[r];
    v[k] = det(m) / d;
  }
  return true;
}

// Algebraic fit x² + y² + D x + E y + F = 0 (a good start for the geometric one).
bool AlgebraicFit(const std::vector<Centred>& p, double& cx, double& cy, double& r) {
  std::array<std::array<double, 3>, 3> a{};
  std::array<double, 3> b{};
  for (const Centred& q : p) {
    const double row[3] = {q.x, q.y, 1.0};
    const double z = -(q.x * q.x + q.y * q.y);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) a[i][j] += row[i] * row[j];
      b[i] += row[i] * z;
    }
  }
  std::array<double, 3> v{};
  if (!Solve3(a, b, v)) return false;
  cx = -v[0] / 2.0;
  cy = -v[1] / 2.0;
  const double r2 = cx * cx + cy * cy - v[2];
  if (!(r2 > 0.0) || !std::isfinite(r2)) return false;
  r = std::sqrt(r2);
  return true;
}

// Gauss-Newton steps on the distances themselves, which the algebraic fit only
// approximates when the points are noisy.
void RefineGeometric(const std::vector<Centred>& p, double& cx, double& cy, double& r) {
  for (int step = 0; step < kRefinements; ++step) {
    std::array<std::array<double, 3>, 3> a{};
    std::array<double, 3> b{};
    for (const Centred& q : p) {
      const double dx = q.x - cx, dy = q.y - cy;
      const double d = std::hypot(dx, dy);
      if (d == 0.0) return;
      const double j[3] = {-dx / d, -dy / d, -1.0};
      const double e = d - r;
      for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) a[i][k] += j[i] * j[k];
        b[i] -= j[i] * e;
      }
    }
    std::array<double, 3> delta{};
    if (!Solve3(a, b, delta)) return;
    cx += delta[0];
    cy += delta[1];
    r += delta[2];
    if (std::fabs(delta[0]) + std::fabs(delta[1]) + std::fabs(delta[2]) < 1e-9) return;
  }
}

}  // namespace

std::optional<FittedCircle> FitCircle(std::span<const TPoint> Points) {
  if (Points.size() < 3) return std::nullopt;
  // Centred on the mean, so the sums stay small.
  double meanX = 0.0, meanY = 0.0;
  for (const TPoint& p : Points) {
    meanX += p.X;
    meanY += p.Y;
  }
  meanX /= static_cast<double>(Points.size());
  meanY /= static_cast<double>(Points.size());
  std::vector<Centred> centred;
  centred.reserve(Points.size());
  for (const TPoint& p : Points) centred.push_back({p.X - meanX, p.Y - meanY});

  double cx = 0.0, cy = 0.0, r = 0.0;
  if (!AlgebraicFit(centred, cx, cy, r)) return std::nullopt;
  RefineGeometric(centred, cx, cy, r);
  if (!std::isfinite(cx) || !std::isfinite(cy) || !(r > 0.0) || !std::isfinite(r)) {
    return std::nullopt;
  }
  double sum = 0.0;
  for (const Centred& q : centred) {
    const double e = std::hypot(q.x - cx, q.y - cy) - r;
    sum += e * e;
  }
  FittedCircle circle;
  circle.CenterX = cx + meanX;
  circle.CenterY = cy + meanY;
  circle.Radius = r;
  circle.Residual = std::sqrt(sum / static_cast<double>(Points.size()));
  const double chord =
      std::hypot(Points.back().X - Points.front().X, Points.back().Y - Points.front().Y);
  const double half = std::min(chord / 2.0, r);
  circle.Sagitta = r - std::sqrt(r * r - half * half);
  return circle;
}

bool LiesOnArc(const FittedCircle& Circle) {
  return Circle.Residual <= kMostResidual && Circle.Sagitta >= kLeastSagitta &&
         Circle.Sagitta >= 3.0 * Circle.Residual;
}

bool LastFarFromTheOthers(std::span<const TPoint> Points) {
  if (Points.size() < kLeastOthers + 1) return false;
  const std::optional<FittedCircle> others = FitCircle(Points.first(Points.size() - 1));
  // Others that scatter, or lie on one line, draw no curve to measure against.
  if (!others || others->Residual > kMostResidual) return false;
  const TPoint last = Points.back();
  const double off =
      std::fabs(std::hypot(last.X - others->CenterX, last.Y - others->CenterY) - others->Radius);
  return off > std::max(kFarFromArc, 4.0 * others->Residual);
}

}  // namespace quendal
