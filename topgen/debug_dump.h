#pragma once
// The status dump of -debug: the force-field tables and the molecule as
// topgen holds them, on standard output.
#include <vector>

#include "topgen/model.h"
#include "topgen/topology.h"

namespace tvl::topgen {

// "###FORCEFIELD": site, bond, angle, dihedral, improper and 1-4 types.
void dump_forcefield(const ForceField& ff);
// "###MOLECULE": the atoms with their bond-detection radius blim (0 where
// blim has no entry) and the bonds with their lengths (from xyz, the atoms'
// coordinates).
void dump_molecule(const Molecule& m, const Coords& xyz, const std::vector<double>& blim);
// The derived lists: angles and torsions with their angles in degrees, 1-4
// pairs, impropers.
void dump_topology(const Coords& xyz, const Topology& t);

}  // namespace tvl::topgen
