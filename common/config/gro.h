#pragma once
// The GRO file (fixed-column configuration of the GROMACS family): atoms are
// grouped into molecules by residue number, and a molecule's type is the
// molecule type whose label equals the residue name (lower-cased).
#include <cstdio>
#include <string>

#include "common/config/configuration.h"
#include "common/sysfile/system.h"

namespace tvl::config {

// Opens `name`, else "tvlin.gro" (which then replaces `name`); nullptr when
// neither can be opened.
std::FILE* open_grofile(std::string& name);

// Reads the GRO file into `c` (forces are 0). Returns false when no file could
// be opened (a warning at verbosity >= 1); every later error throws Stop
// (exit 1). Besides the rules of the format, a residue must hold exactly as
// many atoms as its molecule type has sites, all of that type, and residue
// numbers must run 1, 2, 3, ...; anything else is an inconsistency.
bool read_gro(std::string& name, int verbosity, const sys::SystemDescription& s, Configuration& c,
              Cutoff& cut, const Limits& lim = {});

}  // namespace tvl::config
