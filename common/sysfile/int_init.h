#pragma once
// The electrostatic interaction data of a system: charge products of all
// site-type pairs, scaled site charges, site counts per type and the
// constants of an Ewald-summed Coulomb interaction (self-energy and
// excluded-pair correction per molecule, half the degrees of freedom).
#include <span>
#include <vector>

#include "common/sysfile/system.h"

namespace tvl::sys {

inline constexpr double coulomb_factor = 138.9357;            // kJ mol^-1 nm e^-2
inline constexpr double sqrt_coulomb = 11.787098879707424;    // its square root
inline constexpr double inv_sqrt_pi = 0.5641895835;           // 1/sqrt(pi)
// Coefficients of the error-function approximation of Abramowitz and Stegun
// 7.1.26, held as the nearest single-precision values widened to double.
inline constexpr double erf_p = static_cast<double>(0.3275911f);
inline constexpr double erf_a1 = static_cast<double>(0.254829592f);
inline constexpr double erf_a2 = static_cast<double>(-0.284496736f);
inline constexpr double erf_a3 = static_cast<double>(1.421413741f);
inline constexpr double erf_a4 = static_cast<double>(-1.453152027f);
inline constexpr double erf_a5 = static_cast<double>(1.061405429f);

struct Interaction {
  std::vector<double> qqsp;    // nsp x nsp, column by column: (i, j) at i + j * nsp
  std::vector<double> qi;      // per site: charge of its type * sqrt_coulomb
  std::vector<int> nsite_sp;   // per site type: number of sites of the system
  double e_self = 0.0;         // self-energy term per molecule
  double e_excl = 0.0;         // excluded-pair correction per molecule
  double f_half = 0.0;         // (sum of nfree over all molecules - 3) * 0.5
};

// The approximate error function used for the excluded-pair correction.
double erf_as(double x);

// Derives the interaction data. `site_type` holds the (0-based) site type of
// every site of the configuration, `mol_type` the molecule type of every
// molecule. ewald_fac is replaced by alpha = ewald_fac / (2 rc); when rc is 0
// (the analysers) alpha, e_self and e_excl are not computed (ewald_fac is left
// as it is and both terms are 0). With no molecule, e_self and e_excl are 0;
// an excluded pair whose two sites coincide adds nothing.
Interaction int_init(const SystemDescription& s, std::span<const int> site_type,
                     std::span<const int> mol_type, double rc, double& ewald_fac);

}  // namespace tvl::sys
