// HyperChem HIN files: "atom" records (number, type in word 5, charge in
// word 7, x, y, z in words 8 to 10, then the bond count and pairs of partner
// and bond type); a bond is listed at both of its atoms and stored once.
#include <algorithm>

#include "common/text/fortran.h"
#include "topgen/molecule.h"
#include "topgen/readers.h"

namespace tvl::topgen {

namespace {
constexpr long max_records = 9999;
}

Molecule get_hin(const std::string& file, bool auto_bonds) {
  RecordFile f(file);
  std::vector<Atom> slots;  // atom m at slots[m-1]
  std::vector<bool> filled;
  std::vector<RawBond> raw;
  int count = 0;
  long records = 0;
  Record r;
  while (f.next(r)) {
    if (++records > max_records) lines_exceeded("HIN");
    if (r.word(1) == "forcefield" && r.word(2).substr(0, 5) != "amber")
      stop({text::free_text(" CHECK FORCEFIELD IN HIN-FILE"),
            text::free_text(" DEFINE AMBER-FORCEFIELD INSTEAD OF " + r.label(2))});
    if (r.word(1) != "atom") continue;
    f.need(r, 10);
    int a = f.integer(r, 2);
    if (a < 1 || a > ntgmax) f.fail(r, "atom number outside 1 to " + std::to_string(ntgmax));
    std::size_t k = static_cast<std::size_t>(a - 1);
    if (slots.size() <= k) slots.resize(k + 1), filled.resize(k + 1);
    if (filled[k]) f.fail(r, "atom " + std::to_string(a) + " is given twice");
    slots[k] = Atom{r.label(5), f.real(r, 8), f.real(r, 9), f.real(r, 10), f.real(r, 7)};
    filled[k] = true;
    ++count;
    if (auto_bonds) continue;
    f.need(r, 11);
    int nb = f.integer(r, 11);
    if (nb < 0) f.fail(r, "negative bond count");
    f.need(r, 10 + 2LL * nb);
    for (int j = 1; j <= nb; ++j) raw.push_back({a, f.integer(r, 10 + 2 * j), r.line, r.text});
  }
  if (count != static_cast<int>(slots.size()))
    f.fail(" ERROR: file " + text::quoted(file) + ": the atom numbers are not 1 to " +
           std::to_string(count) + " (atom " +
           std::to_string(std::find(filled.begin(), filled.end(), false) - filled.begin() + 1) +
           " is missing).");
  Molecule m;
  m.atoms = std::move(slots);
  finish_molecule(m, raw, f, false);
  return m;
}

}  // namespace tvl::topgen
