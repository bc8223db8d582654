#pragma once
// Parameter assignment: the site type of every atom, the derived types (site
// type and charge), and the force-field entries that match each bond, angle,
// torsion, improper and 1-4 pair by the type labels of its atoms.
#include <array>
#include <vector>

#include "topgen/model.h"
#include "topgen/topology.h"

namespace tvl::topgen {

// A site type split by atomic charge; its name is the label, "_" and its number.
struct DerivedType {
  std::string label;
  std::string name;  // at most 10 characters
  double charge = 0, mass = 0, sigma = 0, epsilon = 0;
};

struct Typing {
  std::vector<int> asites;           // site type (0-based) of each atom
  std::vector<int> atype;            // derived type (0-based) of each atom
  std::vector<DerivedType> types;    // in order of their first atom
  const std::string& amodlabel(int atom) const { return types[static_cast<std::size_t>(atype[atom - 1])].name; }
};

// The coordinates of the atoms as three arrays (the form the derivation takes).
struct AtomCoords {
  std::vector<double> x, y, z;
  explicit AtomCoords(const Molecule& m);
  Coords view() const { return {x, y, z}; }
};

// Site types and derived types. Stops naming the first atom whose type label
// is no site type, and refuses more than 9999 derived types or a name longer
// than 10 characters.
Typing identify_types(const ForceField& ff, const Molecule& mol);

// Every label of the force field and of the atoms as a small number, so that
// matching compares numbers. `x` is the number of the wildcard.
struct Labels {
  int x = -1;
  std::vector<int> atom;  // atom k at k - 1
  std::vector<int> site;
  std::vector<std::array<int, 2>> bond, int14;
  std::vector<std::array<int, 3>> angle;
  std::vector<std::array<int, 4>> dihed, imdh;
  std::vector<std::vector<int>> sites_of;  // site types of each label, in table order
};
Labels intern_labels(const ForceField& ff, const Molecule& mol);

// Matching entries in table order (indices into the force-field tables),
// appended to `out` after clearing it. Atom numbers are 1-based.
void match_bond(const Labels& l, int i, int j, std::vector<int>& out);
void match_angle(const Labels& l, const Angle& a, std::vector<int>& out);
void match_torsion(const Labels& l, const Quad& t, std::vector<int>& out);
void match_int14(const Labels& l, int i, int j, std::vector<int>& out);

// An improper type that matches, with the atoms in the order its line lists them.
struct ImproperMatch {
  int type = 0;
  std::array<int, 4> atoms{};
};
void match_improper(const Labels& l, const Quad& q, std::vector<ImproperMatch>& out);

// The pairs of site types (p <= q, table order) whose labels are those of atoms i and j.
void site_pairs(const Labels& l, int i, int j, std::vector<std::array<int, 2>>& out);

}  // namespace tvl::topgen

namespace tvl::topgen {

// ---- AMBER's precedence (-amber) ---------------------------------------------
// A torsion takes all terms of its most specific entry: the one with the
// fewest "x" at its ends (either direction), the first such in table order;
// the terms of one torsion stand together in the table. Empty when none matches.
void match_torsion_amber(const Labels& l, const Quad& t, std::vector<int>& out);
// An improper of a centre with exactly three neighbours: the entry whose
// third label is the centre's type and whose other labels fit the three
// neighbours with the fewest "x" (the first such in table order). The atoms
// are listed with the centre third and the neighbours in the entry's places;
// neighbours in "x" places in increasing number. False when none matches.
bool match_improper_amber(const Labels& l, const Quad& q, ImproperMatch& out);

}  // namespace tvl::topgen
