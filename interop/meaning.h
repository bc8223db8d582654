#pragma once
// What the terms of a system file mean, and how each one is written in a
// GROMACS topology. Both converters (sys2top and top2sys) use these forms
// and factors; the README repeats them for users.
//
// Units of the system file: lengths in Angstrom, angles in degrees,
// Lennard-Jones epsilon in Kelvin (times the gas constant 0.00831451
// kJ/(mol K)), charges in e, masses in g/mol, energies in kJ/mol; bond force
// constants per Angstrom^2, angle and dihedral force constants per rad^2.
// GROMACS: nm, degrees, kJ/mol, force constants per nm^2 and per rad^2.
// The system description in memory (common/sysfile) already holds nm,
// radians, kJ/mol and bond force constants per nm^2.
//
// Energies (r distance, theta angle, phi and xi dihedral angles with the
// IUPAC sign and trans = 180 degrees, GROMACS's convention):
//   harmonic bond   1/2 k (r - r0)^2                  [ bonds ] type 1
//   plain angle     1/2 k (theta - theta0)^2          [ angles ] type 1
//   proper          sum over its terms of k (1 + cos(m phi - delta)),
//                   m a whole number                  [ dihedrals ] type 9, one line per term
//   improper        1/2 k (xi - xi0)^2, xi - xi0 taken in [-180, 180)
//                                                     [ dihedrals ] type 2
//   1-4 pair        4 eps ((s/r)^12 - (s/r)^6) + f C qi qj / r with the
//                   pair's own sigma, epsilon and factor f, added to the
//                   ordinary non-bonded terms unless the pair is excluded
//                                                     [ pairs ] type 1 with fudgeQQ = f when all
//                                                     pairs share f, else type 2 (f qi qj s eps)
//   non-bonded      4 eps ((s/r)^12 - (s/r)^6) + C qi qj / r for every pair of
//                   sites not excluded; C = 138.9357 kJ mol^-1 nm e^-2
//                   (GROMACS: 138.935458, 2e-6 apart)
//   lorentz_lj      s = (si + sj) / 2, eps = sqrt(ei ej)   comb-rule 2
//   opls_lj         s = sqrt(si sj),   eps = sqrt(ei ej)   comb-rule 3
//   lj pair entry   the pair's own s and eps              [ nonbond_params ] type 1
//   constraint      fixed distance (from the geometry when given as 0)
//                                                     [ constraints ] type 1
//   exclusions      only the listed pairs             nrexcl 0 and [ exclusions ]
//   virtual site    x = sum c_m x_m with sum c_m = 1, mass 0
//                                                     [ virtual_sites2 ] / [ virtual_sites3 ] type 1,
//                                                     [ virtual_sitesn ] type 1 (one) or 3 (weights)
// Morse bonds (their units are not settled), linear angles, umbrella and efg
// entries have no GROMACS form that means the same and are not converted.
#include <cmath>

#include "common/gromacs/topology.h"
#include "common/sysfile/system.h"

namespace tvl::interop {

// GROMACS function types of the mapped terms.
inline constexpr int gmx_bond = 1;
inline constexpr int gmx_angle = 1;
inline constexpr int gmx_proper = 9;
inline constexpr int gmx_improper = 2;
inline constexpr int gmx_pair = 1;         // fudgeQQ from [ defaults ]
inline constexpr int gmx_pair_own_qq = 2;  // the pair carries its factor and charges
inline constexpr int gmx_constraint = 1;
inline constexpr int gmx_comb_lorentz = 2;  // lorentz_lj
inline constexpr int gmx_comb_opls = 3;     // opls_lj

// The system file's Coulomb factor, kJ mol^-1 nm e^-2.
inline constexpr double coulomb_factor = 138.9357;

// ---- system-file values (as written in the file) <-> GROMACS ------------
inline double length_to_gmx(double angstrom) { return angstrom * gmx::nm_per_angstrom; }
inline double length_from_gmx(double nm) { return nm / gmx::nm_per_angstrom; }
// Bond force constants: per Angstrom^2 in the file, per nm^2 in GROMACS.
inline double bond_k_to_gmx(double k_file) { return k_file * 100.0; }
inline double bond_k_from_gmx(double kb) { return kb / 100.0; }
// Lennard-Jones epsilon: Kelvin in the file, kJ/mol in GROMACS.
inline double epsilon_to_gmx(double kelvin) { return kelvin * gmx::kj_per_kelvin; }
inline double epsilon_from_gmx(double kj) { return kj / gmx::kj_per_kelvin; }
// Angles, force constants of angles and dihedrals, and charges and masses
// are the same numbers in both.

// ---- the system description in memory -> GROMACS -------------------------
// Angles are held in radians (converted with sys::deg_to_rad); dividing by
// the same factor gives back the degrees of the file.
inline double degrees_of(double rad) { return rad / sys::deg_to_rad; }
// Lennard-Jones pairs are held as sigma^6 (nm^6) and 4 epsilon (kJ/mol).
inline double sigma_of(double sig6) { return std::cbrt(std::sqrt(sig6)); }
inline double epsilon_of(double eps4) { return eps4 / 4.0; }

}  // namespace tvl::interop
