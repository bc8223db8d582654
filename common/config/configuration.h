#pragma once
// One state of the simulated system: the per-site and per-molecule data
// filled from a structure file or a GRO file and updated by every
// trajectory frame (positions, box, centres of mass).
//
// All indices inside are 0-based: site s of the system, molecule m, molecule
// type t, site type p. Files and messages count from 1.
#include <vector>

#include "common/sysfile/system.h"
#include "common/tvl_const.h"

namespace tvl::config {

struct Configuration {
  int n = 0;  // N: number of sites
  int m = 0;  // M: number of molecules

  // per site (n entries)
  std::vector<double> x, y, z;     // position (nm)
  std::vector<double> vx, vy, vz;  // velocity (nm/ps)
  std::vector<double> fx, fy, fz;  // force (structure file only; 0 from a GRO file)
  std::vector<int> sptype;         // site type (0-based index into the site types)
  std::vector<double> mas;         // mass of the site's type (g/mol)
  std::vector<double> rmas;        // mas / mass of the site's molecule
  std::vector<int> mol_of_site;    // molecule the site belongs to (0-based)
  std::vector<int> index_in_mol;   // position of the site in its molecule (0-based)
  std::vector<int> moltype_of_site;  // molecule type of the site's molecule (0-based)

  // per molecule (m entries)
  std::vector<int> mol_type;       // molecule type (0-based)
  std::vector<int> mol_offset;     // number of sites before the molecule's first site
  std::vector<int> mol_nsites;     // site count n(t) of its type
  std::vector<double> mol_mass;    // sum of mas over its sites
  std::vector<double> xcm, ycm, zcm;  // centre of mass (no periodic unwrapping)

  double box[3] = {0.0, 0.0, 0.0};    // edge lengths bx, by, bz (nm)
  double ecell[3] = {0.0, 0.0, 0.0};  // build cell: set to the box by the readers
  int ndup[3] = {0, 0, 0};            // build duplication: set to 1, 1, 1 by the readers
};

// Cut-off radius, neighbour-list radius and neighbour-list switch given to the
// configuration readers; the readers may lower the two radii to half the
// shortest box edge. The analysers pass 0, 0, 0.
struct Cutoff {
  double rc = 0.0;
  double rc_nl = 0.0;
  int nl = 0;  // 1: a neighbour list is used
};

// Upper bounds of the configuration tables (the build's by default: none
// unless the build sets one); the tables themselves take what the file holds.
struct Limits {
  int nmax = tvl::nmax;            // sites
  int nalmolmax = tvl::nalmolmax;  // molecules

  static constexpr Limits classic() { return {tvl::classic::nmax, tvl::classic::nalmolmax}; }
};

// Clears the configuration; its tables then grow with what a reader appends.
void reset(Configuration& c);

// Appends one site (all per-site vectors grow by one, values zero).
void add_site(Configuration& c);
// Appends one molecule (all per-molecule vectors grow by one, values zero).
void add_molecule(Configuration& c);
// Appends site `index` (0-based) of molecule `mol`, whose molecule type is
// already set: the site gets its molecule, place and molecule type, its site
// type and that type's mass from the system description, and the molecule's
// mass grows by it. Returns false, appending nothing, when the molecule type
// names no site type with a mass for that place.
bool add_site_of(Configuration& c, const sys::SystemDescription& s, int mol, int index);

// rmas of every site from mas and the molecule masses (a massless molecule
// gives rmas 0 for its sites, never a division by zero).
void set_relative_masses(Configuration& c);
// Centres of mass of all molecules: sum over their sites of rmas times position.
void centres_of_mass(Configuration& c);

// Sets box, build cell (= box) and duplication (1, 1, 1).
void set_box(Configuration& c, double bx, double by, double bz);

// Lowers the cut-off radii when they exceed half the shortest box edge and
// writes the correction report (both configuration readers call it once the
// box is known).
void check_cutoff(const Configuration& c, Cutoff& cut);

}  // namespace tvl::config
