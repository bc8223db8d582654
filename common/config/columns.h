#pragma once
// Fixed-column reals as the configuration files hold them.
#include <cmath>
#include <string_view>

#include "common/text/fortran.h"

namespace tvl::config {

// A real read from columns col .. col+w-1; a field without a decimal point
// carries d implied decimals (so "  1234" read with 3 decimals is 1.234).
inline bool column_real(std::string_view line, std::size_t col, std::size_t w, int d, double& v) {
  if (!tvl::text::fixed_real(line, col, w, v)) return false;
  if (tvl::text::field(line, col, w).find('.') == std::string_view::npos && v != 0.0)
    v /= std::pow(10.0, d);
  return true;
}

}  // namespace tvl::config
