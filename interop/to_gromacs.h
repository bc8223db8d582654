#pragma once
// A system description in GROMACS's terms: the topology model of its site
// types, Lennard-Jones table and molecule types (meaning.h tells what each
// term means and how it is written), and the molecules of a configuration
// placed for a GRO file.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/config/configuration.h"
#include "common/gromacs/topology.h"
#include "common/sysfile/system.h"

namespace tvl::interop {

// The topology of `s` without [ molecules ]: one atom type per site type
// that a molecule type uses, one molecule type per molecule type. A term
// that GROMACS cannot express with the same meaning (Morse bond, linear
// angle, multiplicity that is not a whole number, a virtual site GROMACS
// builds otherwise, umbrella and efg entries, a site number outside its
// molecule, ...) throws a Stop naming it (exit status 1).
gmx::Topology topology_of(const sys::SystemDescription& s, const std::string& system_name);

// The molecules of a system in order, with site positions (nm) and, when
// known, velocities (nm/ps).
struct Placement {
  std::vector<int> mol_type;                // per molecule, 0-based
  std::vector<std::array<double, 3>> r;     // per site
  std::vector<std::array<double, 3>> v;     // per site, or empty
  std::array<double, 3> box{0.0, 0.0, 0.0};  // edges, nm
};

// Molecules from the system file itself: its build section's molecules
// (frac entries, each repeated over the duplicate cells) in a box of the
// cell times the duplicate counts; without a build section one molecule of
// every type, side by side along x, 0.5 nm apart, centred in a box 3 nm
// wider than them on every side.
Placement placement_of(const sys::SystemDescription& s);
// Molecules as a configuration holds them (structure file order).
Placement placement_of(const config::Configuration& c);

// Puts every virtual site of the placed molecules where its references
// build it (sum of coefficient times reference position), as GROMACS would
// at the start of a run; a rerun takes the positions as they stand.
void build_virtual_sites(const sys::SystemDescription& s, Placement& p);

// [ molecules ] of the placement: runs of one molecule type give one line.
void set_molecules(gmx::Topology& top, const Placement& p);

// The GRO file of the placement: residue number = molecule number, residue
// and atom names from the topology's molecule types (both cut to 5
// characters, with _ for '.', since GROMACS finds the columns of the
// coordinates by their decimal points).
std::string gro_text(const std::string& title, const gmx::Topology& top, const Placement& p);

// A name GROMACS reads as one word: letters, digits and _ - + * . kept,
// any other character turned into _, and an x put in front of a name that
// does not begin with a letter.
std::string gromacs_name(std::string_view s);

}  // namespace tvl::interop
