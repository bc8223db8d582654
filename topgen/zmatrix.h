#pragma once
// Internal coordinates: the z-matrix of a molecule built along its bonds,
// angles and torsions, and the geometry helpers that measure them.
#include <span>
#include <vector>

#include "topgen/topology.h"

namespace tvl::topgen {

// Degrees per radian as topgen has always converted (180 / 3.14159265).
inline constexpr double deg_per_rad = 57.29577957855229;

// Distance of atoms i and j (1-based), Angstrom.
double distance(const Coords& xyz, int i, int j);
// Angle i-j-k at j in degrees; 0 when i or k coincides with j.
double bond_angle(const Coords& xyz, int i, int j, int k);
// Signed torsion angle of a-b-c-d in degrees; 0 when a plane normal is zero
// (three collinear atoms).
double torsion_angle(const Coords& xyz, int a, int b, int c, int d);

// One row: atom a placed by its bond partner b, angle partner c and torsion
// partner d (0 where the row has none), with the bond length, angle and
// torsion angle they define.
struct ZRow {
  int a = 0, b = 0, c = 0, d = 0;
  double r0 = 0, ang = 0, dh = 0;
};

// The z-matrix of the first start atom (1, 2, ...) from which every atom can
// be placed: the atom, its first bond, the first angle on that bond, then row
// by row the first torsion with three atoms placed and the fourth not. Stops
// the program with "topgen: cannot assign z-matrix to topology" when no start
// atom places every atom (always for fewer than 4 atoms).
std::vector<ZRow> gen_zmatrix(const Coords& xyz, std::span<const Pair> bonds, std::span<const Angle> angles,
                              std::span<const Quad> torsions);

}  // namespace tvl::topgen
