#pragma once
// Writes a GROMACS topology model as the text of one self-contained .top
// file: [ defaults ], the *types directives, every molecule type with its
// atoms and terms, [ system ] and [ molecules ]. Empty directives are left
// out; a term without parameters is written without them (grompp then takes
// them from the *types directives). Numbers are written with 10 significant
// digits.
#include <string>

#include "common/gromacs/topology.h"

namespace tvl::gmx {

std::string top_text(const Topology& top);

// A real as the writer puts it in a column: 10 significant digits, the
// shortest form ("0.109", "284500", "1e-07").
std::string top_number(double v);

}  // namespace tvl::gmx
