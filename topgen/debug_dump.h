#pragma once
// The status dump of -debug: the force-field tables and the molecule as
// topgen holds them, on standard output.
#include <vector>

#include "topgen/model.h"

namespace tvl::topgen {

// "###FORCEFIELD": site, bond, angle, dihedral, improper and 1-4 types.
void dump_forcefield(const ForceField& ff);
// "###MOLECULE": the atoms with their bond-detection radius blim (0 where
// blim has no entry) and the bonds with their lengths.
void dump_molecule(const Molecule& m, const std::vector<double>& blim);

}  // namespace tvl::topgen
