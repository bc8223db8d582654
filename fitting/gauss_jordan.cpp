#include "fitting/gauss_jordan.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "common/error.h"
#include "common/text/fortran.h"

namespace tvl::fit {

void gaussj(std::vector<double>& a, int n, std::vector<double>& b) {
  const std::size_t un = static_cast<std::size_t>(n);
  auto at = [&](std::size_t r, std::size_t c) -> double& { return a[r * un + c]; };
  std::vector<int> ipiv(un, 0);
  std::vector<std::size_t> indxr(un), indxc(un);
  // Each row's largest absolute element before the elimination; it travels
  // with its row.
  std::vector<double> scale(un, 0.0);
  for (std::size_t r = 0; r < un; ++r)
    for (std::size_t c = 0; c < un; ++c) scale[r] = std::max(scale[r], std::fabs(at(r, c)));
  for (std::size_t i = 0; i < un; ++i) {
    double big = 0.0;
    bool found = false;
    std::size_t irow = 0, icol = 0;
    for (std::size_t j = 0; j < un; ++j) {
      if (ipiv[j] == 1) continue;
      for (std::size_t k = 0; k < un; ++k) {
        if (ipiv[k] == 0) {
          if (std::fabs(at(j, k)) >= big) {
            big = std::fabs(at(j, k));
            irow = j;
            icol = k;
            found = true;
          }
        } else if (ipiv[k] > 1) {
          tvl::stop({tvl::text::free_text("singular matrix")});
        }
      }
    }
    // Nothing comparable is left (values that are not numbers): the pivot
    // position of an earlier pass would be taken again.
    if (!found) tvl::stop({tvl::text::free_text("singular matrix")});
    ++ipiv[icol];
    if (irow != icol) {
      for (std::size_t l = 0; l < un; ++l) std::swap(at(irow, l), at(icol, l));
      std::swap(b[irow], b[icol]);
      std::swap(scale[irow], scale[icol]);
    }
    indxr[i] = irow;
    indxc[i] = icol;
    // A pivot this small against its row is rounding noise: the matrix is
    // singular, and dividing by it would give arbitrary huge values.
    if (!(std::fabs(at(icol, icol)) > relative_pivot_min * scale[icol]))
      tvl::stop({tvl::text::free_text("singular matrix.")});
    const double pivinv = 1.0 / at(icol, icol);
    at(icol, icol) = 1.0;
    for (std::size_t l = 0; l < un; ++l) at(icol, l) *= pivinv;
    b[icol] *= pivinv;
    for (std::size_t ll = 0; ll < un; ++ll) {
      if (ll == icol) continue;
      const double dum = at(ll, icol);
      at(ll, icol) = 0.0;
      for (std::size_t l = 0; l < un; ++l) at(ll, l) -= at(icol, l) * dum;
      b[ll] -= b[icol] * dum;
    }
  }
  for (std::size_t l = un; l-- > 0;)
    if (indxr[l] != indxc[l])
      for (std::size_t k = 0; k < un; ++k) std::swap(at(k, indxr[l]), at(k, indxc[l]));
}

}  // namespace tvl::fit
