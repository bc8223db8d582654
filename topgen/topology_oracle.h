#pragma once
// The plain enumeration of the topology: nested loops over atoms, bonds and
// angles, every duplicate test a scan of the list built so far. Cubic in the
// atom count, so it serves only to check `define_bonds` and
// `define_topology`, which must produce the same lists in the same order.
#include <span>
#include <vector>

#include "topgen/topology.h"

namespace tvl::topgen::oracle {

std::vector<Pair> define_bonds(const Coords& xyz, std::span<const double> blim);
Topology define_topology(int n, std::span<const Pair> bonds);

}  // namespace tvl::topgen::oracle
