#pragma once
// The reader of GROMACS topologies (.top with its .itp includes), fed by the
// preprocessor's lines, and the parameter lookup that grompp does for term
// lines without parameters.
#include <string>
#include <unordered_map>
#include <vector>

#include "common/gromacs/preprocessor.h"
#include "common/gromacs/topology.h"

namespace tvl::gmx {

// Reads the directives of `lines` into a topology. Directives that cannot
// change charges, masses or the molecule partition ([ position_restraints ],
// [ cmap ], ...) are skipped, each with one line in `warnings` naming it with
// its file and line; every other unknown directive, and every malformed
// line, throws a Stop naming the file and line.
Topology read_topology(const std::vector<Line>& lines, std::vector<std::string>& warnings);

// Number of parameters of the A state of a term of function `func` in the
// directive family `kind` ("bonds", "angles", "dihedrals", "pairs",
// "constraints"); -1 for a function the suite does not know.
int param_count(const std::string& kind, int func);

// Name lookups of a topology, made once.
struct TypeIndex {
  std::unordered_map<std::string, int> atomtype;  // name -> index into atomtypes
  std::unordered_map<std::string, int> moltype;   // name -> index into moltypes
};
TypeIndex index_of(const Topology& top);

// Parameter sets of a term of molecule type `mt` as grompp assigns them: the
// term's own parameters when its line gives them, else those of the matching
// entry of `types` (bondtypes, constrainttypes, angletypes, dihedraltypes
// or pairtypes), matched on the atoms' bonded types (pairs: on their atom
// types) forwards or backwards with the same function. For dihedrals the
// wildcard X matches any type and the entry with the fewest wildcards wins
// (the first in file order among equals); function 9 takes every following
// line with the same names as a further term. Each set holds the A-state
// parameters only. Empty when nothing matches.
std::vector<std::vector<double>> term_params(const Topology& top, const TypeIndex& idx, const MoleculeType& mt,
                                             const std::vector<TypeParams>& types, const std::string& kind,
                                             const Term& term);

}  // namespace tvl::gmx
