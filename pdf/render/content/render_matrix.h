#pragma once
// Six-number affine matrices [a b c d e f] in the row-vector convention:
// x' = a*x + c*y + e, y' = b*x + d*y + f.
#include <array>
#include <cmath>

namespace ostrel {

using TPDFMatrix = std::array<double, 6>;

inline constexpr TPDFMatrix kIdentityMatrix{1, 0, 0, 1, 0, 0};

// m applied first, then n: the product m x n.
inline TPDFMatrix MultiplyMatrix(const TPDFMatrix& m, const TPDFMatrix& n) {
  return {m[0] * n[0] + m[1] * n[2],        m[0] * n[1] + m[1] * n[3],
          m[2] * n[0] + m[3] * n[2],        m[2] * n[1] + m[3] * n[3],
          m[4] * n[0] + m[5] * n[2] + n[4], m[4] * n[1] + m[5] * n[3] + n[5]};
}

inline bool MatrixIsFinite(const TPDFMatrix& m) {
  for (double v : m)
    if (!std::isfinite(v)) return false;
  return true;
}

inline void TransformByMatrix(const TPDFMatrix& m, double x, double y, double& outX, double& outY) {
  outX = m[0] * x + m[2] * y + m[4];
  outY = m[1] * x + m[3] * y + m[5];
}

}  // namespace ostrel
