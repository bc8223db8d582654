#pragma once
// Lines of the surface-program input: level (2 columns), number of atoms
// (4 columns), and per atom x, y, z, radius and flag "(3f10.5,f10.5,i2)".
#include <string>

#include "common/esp/numin.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"

namespace tvl::esp {

inline std::string gepol_atom_line(double x, double y, double z, double r, long long flag) {
  namespace tx = tvl::text;
  return tx::fmt_f(x, 10, 5) + tx::fmt_f(y, 10, 5) + tx::fmt_f(z, 10, 5) + tx::fmt_f(r, 10, 5) +
         tx::fmt_i(flag, 2);
}

// The number of atoms must fill its 4 columns without asterisks.
inline void check_gepol_atoms(const NumberInput& in, long long n) {
  if (n < 0) in.fail("negative number of atoms");
  check_limit(in.label(), n, "atoms", natgepolmax, "natgepolmax");
}

}  // namespace tvl::esp
