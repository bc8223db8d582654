#pragma once
// The structure file: one configuration as text (box, molecules, and per site
// position, velocity and force). The site count and site types of a molecule
// come from its molecule type in the system description.
#include <cstdio>
#include <string>

#include "common/config/configuration.h"
#include "common/sysfile/system.h"

namespace tvl::config {

// Opens a structure file for reading: first `name`, then "tvl.structure",
// then "tvlin.str". When a default name is the one opened it replaces `name`.
// Returns the open stream, or nullptr when none of the three can be opened.
std::FILE* open_strfile(std::string& name);

// Reads the structure file into `c`. Returns false (found = 0) when no file
// could be opened; at verbosity >= 1 a warning says so. Every error after the
// file was opened throws Stop (exit 1). The cut-off radii in `cut` may be
// lowered to half the shortest box edge, with a correction report.
bool read_str(std::string& name, int verbosity, const sys::SystemDescription& s, Configuration& c,
              Cutoff& cut, const Limits& lim = {});

// Writes `c` as a structure file: box as three F12.6, M as I7, per molecule a
// blank line, its label, type/site count/molecule number as 3I7, and per site
// its type name and index (A10,1X,I4) and position, velocity and force as
// 3E15.8 each. Molecule type numbers are written 1-based.
void write_str(const std::string& file, const Configuration& c, const sys::SystemDescription& s);

}  // namespace tvl::config
