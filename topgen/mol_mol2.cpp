// SYBYL/Tripos mol2 files: the atoms of the @<tripos>atom section (type in
// word 6, cut to 9 characters; x, y, z in words 3 to 5; charge in word 9) and
// the bonds of the @<tripos>bond section (atom ids in words 2 and 3).
#include "topgen/molecule.h"
#include "topgen/readers.h"

namespace tvl::topgen {

namespace {
constexpr long max_outside = 9999;  // records outside the atom and bond sections
constexpr int section_cap = 10000;  // records per atom or bond section
}  // namespace

Molecule get_mol2(const std::string& file) {
  RecordFile f(file);
  Molecule m;
  std::vector<RawBond> raw;
  enum { other, atoms, bonds } state = other;
  bool atoms_seen = false, bonds_seen = false;
  long outside = 0;
  int rows = 0;
  Record r;
  while (f.next(r)) {
    if (r.text[0] == '@') {
      if (++outside > max_outside) lines_exceeded("OFF");
      state = other;
      bool is_atoms = starts(r.text, "@<tripos>atom"), is_bonds = starts(r.text, "@<tripos>bond");
      if ((is_atoms && atoms_seen) || (is_bonds && bonds_seen))
        f.fail(r, "a second section of its kind (one molecule per file)");
      if (is_atoms) state = atoms, atoms_seen = true;
      if (is_bonds) state = bonds, bonds_seen = true;
      rows = 0;
      continue;
    }
    if (state == other) {
      if (++outside > max_outside) lines_exceeded("OFF");
      continue;
    }
    if (++rows > section_cap)
      f.fail(r, "more than " + std::to_string(section_cap) + " records in the " +
                    (state == atoms ? "atom" : "bond") + " section");
    if (state == atoms) {
      f.need(r, 9);
      // Bonds name atoms by id: ids must be the atoms' positions.
      if (f.integer(r, 1) != m.n() + 1)
        f.fail(r, "atom id " + r.word(1) + " where " + std::to_string(m.n() + 1) + " is expected");
      append(m.atoms, Atom{r.label(6, 9), f.real(r, 3), f.real(r, 4), f.real(r, 5), f.real(r, 9)},
             "atoms");
    } else {
      f.need(r, 3);
      raw.push_back({f.integer(r, 2), f.integer(r, 3), r.line, r.text});
    }
  }
  finish_molecule(m, raw, f, true);
  return m;
}

}  // namespace tvl::topgen
