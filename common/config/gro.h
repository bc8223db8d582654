#pragma once
// The GRO file (fixed-column configuration of the GROMACS family): atoms are
// grouped into molecules by residue number, and a molecule's type is the
// molecule type whose label equals the residue name (lower-cased).
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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

// ---- GRO files as GROMACS writes them, read without a system description --
// Residue and atom numbers are carried as written (GROMACS lets them wrap
// past 99999); the width of the coordinate fields follows from the distance
// between the first two decimal points of the first atom line, so files
// written with more decimals read as well. Velocities are read when the
// first atom line holds them.
struct GroAtom {
  long long resnr = 0;
  std::string resname;  // columns 6-10, blanks removed
  std::string name;     // columns 11-15, blanks removed
  std::array<double, 3> r{};  // nm
  std::array<double, 3> v{};  // nm/ps, 0 without velocities
};

struct GroFile {
  std::string title;
  std::vector<GroAtom> atoms;
  // v1(x) v2(y) v3(z) v1(y) v1(z) v2(x) v2(z) v3(x) v3(y), nm; the last six
  // are 0 for a rectangular box
  std::array<double, 9> box{};
  bool velocities = false;
};

// Reads the GRO file `name`; every error throws a Stop naming the file and
// the line.
GroFile read_gro_file(const std::string& name);

// ---- writing GRO files ------------------------------------------------
// Lines of the layout GROMACS writes: an atom as residue number (I5, counted
// modulo 100000), residue name (left-aligned A5), atom name (right-aligned
// A5), atom number (I5, modulo 100000), position as 3F8.3 (nm) and, when
// `v` is given, velocity as 3F8.4 (nm/ps); the box as 3F10.5. Names are cut
// to 5 characters. A number that does not fit its field throws a Stop naming
// the atom (or the box), so nothing is written with asterisks.
std::string gro_atom_line(long long resnr, std::string_view resname, std::string_view name, long long nr,
                          const std::array<double, 3>& r, const std::array<double, 3>* v = nullptr);
std::string gro_box_line(const std::array<double, 3>& box);

}  // namespace tvl::config
