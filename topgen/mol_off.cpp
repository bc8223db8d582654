// LEAP/AMBER OFF libraries: the atoms (type in word 2, charge in word 8),
// connectivity and positions tables of the library's first unit.
#include <array>

#include "common/text/fortran.h"
#include "topgen/molecule.h"
#include "topgen/off_form.h"
#include "topgen/readers.h"

namespace tvl::topgen {

Molecule get_off(const std::string& file) {
  RecordFile f(file);
  Molecule m;
  std::vector<RawBond> raw;
  std::vector<std::array<double, 3>> positions;
  enum { atoms, connectivity, coordinates };
  OffScan s;
  s.suffixes = {".unit.atoms", ".unit.connectivity", ".unit.positions"};
  s.outside_max = 9999;
  s.overflow = [](const Record&) { lines_exceeded("OFF"); };
  s.on_row = [&](int table, const Record& r) {
    switch (table) {
      case atoms:
        f.need(r, 8);
        append(m.atoms, Atom{r.label(2), 0, 0, 0, f.real(r, 8)}, "atoms");
        break;
      case connectivity:
        f.need(r, 2);
        raw.push_back({f.integer(r, 1), f.integer(r, 2), r.line, r.text});
        break;
      case coordinates:
        f.need(r, 3);
        positions.push_back({f.real(r, 1), f.real(r, 2), f.real(r, 3)});
        break;
    }
  };
  scan_off(f, s);
  if (positions.size() != m.atoms.size())
    stop({text::free_text(" OFF-File: Inconsitency detected !"),
          text::free_text("          check number of coordinates and labels")});
  for (std::size_t i = 0; i < positions.size(); ++i) {
    m.atoms[i].x = positions[i][0];
    m.atoms[i].y = positions[i][1];
    m.atoms[i].z = positions[i][2];
  }
  finish_molecule(m, raw, f, true);
  return m;
}

}  // namespace tvl::topgen
