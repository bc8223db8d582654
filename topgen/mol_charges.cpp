// Charge files for -charges, in the free layout that respconv writes from a
// chgfit result: a line with the number of charges, then one line per atom
// with its number and its charge.
#include "topgen/input.h"
#include "topgen/readers.h"

namespace tvl::topgen {

void read_charges(const std::string& file, Molecule& m) {
  RecordFile f(file);
  Record r;
  if (!f.next(r)) f.fail(" ERROR: file " + file + " holds no charges");
  f.need(r, 1);
  const int n = f.integer(r, 1);
  if (n != m.n())
    f.fail(r, "the file holds " + std::to_string(n) + " charges, the molecule " + std::to_string(m.n()) + " atoms");
  for (int i = 1; i <= n; ++i) {
    if (!f.next(r)) f.fail(" ERROR: file " + file + " ends after " + std::to_string(i - 1) + " of " + std::to_string(n) + " charges");
    f.need(r, 2);
    if (f.integer(r, 1) != i) f.fail(r, "atom " + std::to_string(i) + " is expected");
    m.atoms[static_cast<std::size_t>(i - 1)].charge = f.real(r, 2);
  }
  if (f.next(r)) f.fail(r, "more lines than the " + std::to_string(n) + " charges");
}

}  // namespace tvl::topgen
