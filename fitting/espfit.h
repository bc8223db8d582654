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
  std::vector<double> q;   // all N charges; the last is minus the single-precision sum of the others
  std::vector<double> dq;  // the last correction of the N-1 free charges (already in q)
  int iterations = 0;
};

// Fits the charges of pf (bohr and atomic units, at least 2 atoms and as many
// points as free charges). Before each iteration its line is printed. A
// singular system stops the program with "Singular matrix."; nothing is
// written to a file here (the caller writes the result and the correction,
// checking that the charges fit their fields). `label` names the input in
// the message about a point lying on an atom.
ChargeFit fit_charges(const esp::PotFile& pf, const std::string& label);

}  // namespace tvl::fit
