#include "topgen/molecule.h"

#include <algorithm>
#include <set>
#include <utility>

#include "common/text/fortran.h"

namespace tvl::topgen {

void finish_molecule(Molecule& m, const std::vector<RawBond>& raw, const RecordFile& f,
                     bool warn_repeats) {
  if (m.atoms.empty()) f.fail(" ERROR: file " + text::quoted(f.name()) + " holds no atom.");
  std::set<std::pair<int, int>> known;
  for (const RawBond& b : raw) {
    for (int a : {b.a, b.b})
      if (a < 1 || a > m.n())
        f.fail(b.line, b.text, "bond partner " + std::to_string(a) + " is not an atom (1 to " +
                                   std::to_string(m.n()) + ")");
    if (b.a == b.b) f.fail(b.line, b.text, "atom " + std::to_string(b.a) + " is bonded to itself");
    if (!known.insert(std::minmax(b.a, b.b)).second) {
      if (warn_repeats)
        warning("file " + f.name() + ", line " + std::to_string(b.line) + ": the bond " +
                std::to_string(b.a) + "-" + std::to_string(b.b) + " is listed again; kept once");
      continue;
    }
    append(m.bonds, Bond{b.a, b.b}, "bonds");
  }
}

void lines_exceeded(std::string_view kind) {
  stop({text::free_text(std::string(kind) + "-File: lines exceeded maximum!"),
        text::free_text("          check program")});
}

}  // namespace tvl::topgen
