#pragma once
// The system file on standard output: header, site types, Lennard-Jones
// parameters, the molecule (configuration, z-matrix, constraints, bonds,
// angles, dihedrals, 1-4 pairs, exclusions) and the build section.
#include <string>
#include <string_view>
#include <vector>

#include "topgen/model.h"
#include "topgen/params.h"
#include "topgen/topology.h"
#include "topgen/zmatrix.h"

namespace tvl::topgen {

// Everything topgen has derived for one molecule.
struct Derived {
  Topology top;
  std::vector<ZRow> zmatrix;  // empty without -zmat
  Typing typing;
};

void write_system(const Options& o, const ForceField& ff, const Molecule& mol, const Derived& d);

// Everything after reading: with -auto the bonds from distances (replacing
// mol.bonds); the stop for a molecule without bonds; the topology; the
// z-matrix with -zmat; then the status dump (-debug) or the site types and
// the system file.
void derive_and_write(const Options& o, const ForceField& ff, Molecule& mol);

// A number in a fixed field that reads back as written: a value that does not
// fit stops the program (never asterisks or NaN), and a field filled to its
// first column gets one blank before it so that it cannot run into the field
// before it. `where` names the output in the message.
std::string num_field(double v, int w, int d, std::string_view where = "the system file");
std::string int_field(long long v, int w = 5);

}  // namespace tvl::topgen
