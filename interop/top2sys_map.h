#pragma once
// GROMACS topology + GRO configuration -> system file and structure file.
//
// What the system file says, in GROMACS's terms (energies kJ/mol; the file
// holds Angstrom, Kelvin, degrees, force constants per Angstrom^2 and per
// rad^2):
//   site type        one per distinct (atom type, charge, mass) of the used
//                    molecule types, named after the atom type
//   lorentz_lj       comb-rule 2; opls_lj comb-rule 1 (C6/C12 turned into
//                    sigma = (C12/C6)^(1/6), epsilon = C6^2/(4 C12)) and 3;
//                    lj pairs from [ nonbond_params ]
//   harmonic bond    1/2 k (r - r0)^2                     bond type 1 (and 6)
//   plain angle      1/2 k (theta - theta0)^2             angle type 1
//   proper dihedral  sum of k (1 + cos(m phi - delta))    dihedral types 1, 9,
//                    periodic impropers 4, Ryckaert-Bellemans 3 without C5
//                    (turned into cosine terms, exact up to a constant)
//   improper         1/2 k (xi - xi0)^2                   dihedral type 2
//   nonbonded pair   1-4 pair with its own sigma, epsilon and the Coulomb
//                    factor fudgeQQ                       [ pairs ]
//   constraints      [ constraints ] and [ settles ]
//   exclude          nrexcl bonds apart plus [ exclusions ]
//   virtual          linear virtual sites (coefficients summing to 1)
// Terms without such a form are written as comment lines naming them.
#include <array>
#include <string>
#include <vector>

#include "common/config/configuration.h"
#include "common/config/gro.h"
#include "common/gromacs/topology.h"
#include "common/sysfile/system.h"

namespace tvl::interop {

// A -vector option: a {rotcf} definition by atom names of a molecule type.
struct VectorSpec {
  std::string moltype;
  std::array<std::string, 4> atoms;
};

struct Top2Sys {
  std::string sys_text;               // the whole system file
  std::vector<std::string> warnings;  // one line each, without "WARNING: "
  // What the structure file needs: site-type names, labels and site types
  // of the molecule types, and the configuration in GRO order.
  tvl::sys::SystemDescription sd;
  tvl::config::Configuration conf;
};

// Maps the topology (read from `top_name`) and the GRO configuration (read
// from `gro_name`; both names only for messages). Throws a Stop (exit 1) when
// the two disagree (atom counts, atom names of a molecule), a -vector names
// an unknown molecule type or atom, or a mapped term finds no parameters.
Top2Sys top_to_sys(const tvl::gmx::Topology& top, const tvl::config::GroFile& gro, const std::vector<VectorSpec>& vectors,
                   const std::string& top_name, const std::string& gro_name);

// `base` made a name of at most 10 characters, lower case, that no name in
// `taken` shares: `base` itself for variant 1 (first cut to 10 characters
// when `cut`), else base_<variant>; when that is too long or taken, base cut
// and numbered _2, _3, ... The name is added to `taken`.
std::string unique_name(const std::string& base, int variant, std::vector<std::string>& taken, bool cut = false);

// Ryckaert-Bellemans C0..C4 (C5 = 0) as cosine terms k (1 + cos(m phi - delta)),
// m = 1..4, each {k, m, delta in degrees}; zero terms are left out.
std::vector<std::array<double, 3>> rb_to_cosines(const std::vector<double>& c);

}  // namespace tvl::interop
