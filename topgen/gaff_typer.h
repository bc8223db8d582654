#pragma once
// GAFF atom types from the OpenBabel library. This is the one place of the
// suite that uses OpenBabel: it reads a molecule file through OpenBabel's
// readers and types the atoms with OpenBabel's GAFF force field.
#include <string>

#include "topgen/model.h"

namespace tvl::topgen {

// The molecule of `file`, read by OpenBabel in `format` ("mol2", "sdf" or
// "pdb"): atoms in file order with their GAFF types as labels, coordinates,
// charge 0 (the caller takes charges from the file or from -charges), bonds
// as OpenBabel holds them (read or, for a PDB file without CONECT records,
// perceived). `formal_charge` receives the sum of the atoms' formal charges.
// Stops with a message naming the file when it cannot be read, holds no
// atom, or cannot be typed.
Molecule gaff_typed_molecule(const std::string& file, const std::string& format, int& formal_charge);

}  // namespace tvl::topgen
