#include "fitting/crout.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/error.h"

namespace tvl::fit {

double lu_factor(Matrix& m, std::vector<int>& indx) {
  const int n = m.n;
  constexpr double tiny = 1e-20;
  std::vector<double> scale(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    double big = 0;
    for (int k = 0; k < n; ++k) big = std::max(big, std::fabs(m(i, k)));
    // Stop here, before the scale divides by zero.
    if (big == 0) stop({singular_text});
    scale[static_cast<std::size_t>(i)] = 1.0 / big;
  }
  indx.assign(static_cast<std::size_t>(n), 0);
  double smallest = n > 0 ? 1.0 : 0.0;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < j; ++i) {
      double sum = m(i, j);
      for (int k = 0; k < i; ++k) sum -= m(i, k) * m(k, j);
      m(i, j) = sum;
    }
    double big = 0;
    int imax = j;
    for (int i = j; i < n; ++i) {
      double sum = m(i, j);
      for (int k = 0; k < j; ++k) sum -= m(i, k) * m(k, j);
      m(i, j) = sum;
      double d = scale[static_cast<std::size_t>(i)] * std::fabs(sum);
      if (d >= big) {
        big = d;
        imax = i;
      }
    }
    if (j != imax) {
      for (int k = 0; k < n; ++k) std::swap(m(imax, k), m(j, k));
      scale[static_cast<std::size_t>(imax)] = scale[static_cast<std::size_t>(j)];
    }
    indx[static_cast<std::size_t>(j)] = imax;
    smallest = std::min(smallest, big);
    if (m(j, j) == 0) m(j, j) = tiny;
    if (j != n - 1) {
      double d = 1.0 / m(j, j);
      for (int i = j + 1; i < n; ++i) m(i, j) *= d;
    }
  }
  return smallest;
}

void lu_solve(const Matrix& lu, const std::vector<int>& indx, std::vector<double>& b) {
  const int n = lu.n;
  int first = -1;  // first non-zero element of b: forward substitution starts there
  for (int i = 0; i < n; ++i) {
    int ip = indx[static_cast<std::size_t>(i)];
    double sum = b[static_cast<std::size_t>(ip)];
    b[static_cast<std::size_t>(ip)] = b[static_cast<std::size_t>(i)];
    if (first >= 0) {
      for (int k = first; k < i; ++k) sum -= lu(i, k) * b[static_cast<std::size_t>(k)];
    } else if (sum != 0) {
      first = i;
    }
    b[static_cast<std::size_t>(i)] = sum;
  }
  for (int i = n - 1; i >= 0; --i) {
    double sum = b[static_cast<std::size_t>(i)];
    for (int k = i + 1; k < n; ++k) sum -= lu(i, k) * b[static_cast<std::size_t>(k)];
    b[static_cast<std::size_t>(i)] = sum / lu(i, i);
  }
}

}  // namespace tvl::fit
