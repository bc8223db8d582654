#pragma once
// Lines of the surface-program input: level (2 columns), number of atoms
// (4 columns), and per atom x, y, z, radius and flag "(3f10.5,f10.5,i2)".
#include <string>

#include "common/esp/numin.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"

namespace tvl::esp {

// The line of atom number `atom` (1-based, for the message): a value that is
// not finite or does not fit its field stops the program naming it.
inline std::string gepol_atom_line(double x, double y, double z, double r, long long flag, long long atom) {
  namespace tx = tvl::text;
  const std::string of = " of atom " + std::to_string(atom), where = "the surface input";
  // Appended one by one, so that the first value that does not fit is the one named.
  std::string l = tx::checked_f(x, 10, 5, "x" + of, where);
  l += tx::checked_f(y, 10, 5, "y" + of, where);
  l += tx::checked_f(z, 10, 5, "z" + of, where);
  l += tx::checked_f(r, 10, 5, "radius" + of, where);
  l += tx::checked_i(flag, 2, "flag" + of, where);
  return l;
}

// The number of atoms must fill its 4 columns without asterisks.
inline void check_gepol_atoms(const NumberInput& in, long long n) {
  if (n < 0) in.fail("negative number of atoms");
  check_limit(in.label(), n, "atoms", natgepolmax, "natgepolmax");
}

}  // namespace tvl::esp
