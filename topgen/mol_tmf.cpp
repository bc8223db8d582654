// TMF molecule files: atom records (type label, x, y, z, charge), then bond
// records "!con a b".
#include "topgen/molecule.h"
#include "topgen/readers.h"

namespace tvl::topgen {

namespace {
constexpr long max_records = 9999;
}

Molecule get_xyz(const std::string& file, bool auto_bonds) {
  RecordFile f(file);
  Molecule m;
  std::vector<RawBond> raw;
  bool bond_seen = false;
  long records = 0;
  Record r;
  while (f.next(r)) {
    if (++records > max_records) lines_exceeded("TMF");
    if (starts(r.word(1), "!con")) {
      bond_seen = true;
      if (auto_bonds) continue;
      f.need(r, 3);
      raw.push_back({f.integer(r, 2), f.integer(r, 3), r.line, r.text});
      continue;
    }
    // Atom k is the k-th record: an atom after a bond would be numbered wrongly.
    if (bond_seen) f.fail(r, "an atom record after a bond record");
    f.need(r, 5);
    append(m.atoms, Atom{r.label(1), f.real(r, 2), f.real(r, 3), f.real(r, 4), f.real(r, 5)}, "atoms");
  }
  finish_molecule(m, raw, f, true);
  return m;
}

}  // namespace tvl::topgen
