#pragma once
// topgen's command line and order of work.
#include <string>
#include <vector>

#include "topgen/model.h"

namespace tvl::topgen {

// The help text of -help, line by line.
const std::vector<std::string>& help_lines();

// Reads the command line (argv[1] on) into the settings. With 3 arguments or
// fewer it stops with the help text (one of them is "-help", status 0) or the
// banner (status 2); a missing force-field or molecule file, two molecule
// files or a label that a system file cannot hold stop with status 2.
Options get_options(int argc, char** argv);

// With -auto: a warning for every atom without a bond.
void warn_unbonded_atoms(const Molecule& m);

// The whole run after the standard flags.
int topgen_main(int argc, char** argv);

}  // namespace tvl::topgen
