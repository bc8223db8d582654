#pragma once
// Topology derivation: bonds from interatomic distances (-auto), then the
// angles, proper torsions, impropers, 1-4 pairs and exclusions implied by the
// bond list. The order of every list is part of the result: it is the order
// of the lines of the system file. Atom numbers are 1-based throughout.
#include <span>
#include <string>
#include <vector>

#include "common/tvl_const.h"
#include "topgen/model.h"

namespace tvl::topgen {

struct Pair {
  int a = 0, b = 0;
  bool operator==(const Pair&) const = default;
};
// An angle: ends a and c (a < c), apex b.
struct Angle {
  int a = 0, b = 0, c = 0;
  bool operator==(const Angle&) const = default;
};
// A torsion a-b-c-d around the central bond b-c, or an improper with the
// neighbours a < b < d of the centre c.
struct Quad {
  int a = 0, b = 0, c = 0, d = 0;
  bool operator==(const Quad&) const = default;
};

// Coordinates in Angstrom, atom k at index k - 1.
struct Coords {
  std::span<const double> x, y, z;
  std::size_t size() const { return x.size(); }
};

struct Topology {
  std::vector<Angle> angles;     // by apex, then first end, then second end
  std::vector<Quad> torsions;    // by central bond in bond-list order
  std::vector<Quad> impropers;   // by centre, then by the set of three neighbours
  std::vector<Pair> pairs14;     // end atoms of torsions, neither bonded nor 1-3
  std::vector<Pair> exclusions;  // bonds, then 1-3 pairs, then 1-4 pairs
};

// Bond-detection radius of every atom: the radius of the last site type whose
// label equals the atom's type label, 0 for an atom of no site type.
std::vector<double> bond_radii(std::span<const std::string> atom_labels, std::span<const std::string> site_labels,
                               std::span<const double> rlim);

// Bonds of every pair i < j closer than the mean of their radii, ordered by
// i, then j. Atoms are binned on a grid of cells as wide as the largest
// radius, so only neighbouring cells are searched. Atoms with a coordinate
// that is not finite get no bond. More than `cap` bonds, or two atoms at the
// same place, refuse the molecule.
std::vector<Pair> define_bonds(const Coords& xyz, std::span<const double> blim, int cap = ntgmax);

// Angles, torsions, impropers, 1-4 pairs and exclusions of a molecule of n
// atoms with the given bonds (atom numbers 1..n, checked). Terms with a
// repeated atom (torsions around three-membered rings) are dropped. A list
// that would grow beyond `cap` entries refuses the molecule (tvl::Stop).
Topology define_topology(int n, std::span<const Pair> bonds, int cap = ntgmax);

}  // namespace tvl::topgen
