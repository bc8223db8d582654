#pragma once
// The charge fit: atomic point charges of a neutral molecule fitted by least
// squares to the potential on surface points, refined iteratively.
#include <string>
#include <vector>

#include "common/esp/potfile.h"

namespace tvl::fit {

using esp::bohr_to_a;     // coordinates: bohr -> Angstrom
using esp::pot_per_bohr;  // potential: per bohr -> per Angstrom
inline constexpr int max_iterations = 100;
inline constexpr float fit_tolerance = 1e-10f;      // on the first component of a correction

struct ChargeFit {
  std::vector<double> q;  // all N charges; the last is minus the single-precision sum of the others
  int iterations = 0;
};

// Fits the charges of pf (bohr and atomic units, at least 2 atoms and as many
// points as free charges). Before each iteration its line is printed; every
// correction is written to `delq_name`, one value per line (created with
// zeros first). A singular system, or charges that are not finite or do not
// fit their 10-column field, stop the program with "Singular matrix.".
// `label` names the input in the message about a point lying on an atom.
ChargeFit fit_charges(const esp::PotFile& pf, const std::string& label, const std::string& delq_name);

}  // namespace tvl::fit
