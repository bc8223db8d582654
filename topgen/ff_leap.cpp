// LEAP/AMBER parameter libraries (OFF form): the atoms, bonds, angles and
// torsions tables of the library's unit, converted from kcal/mol and radians
// to the units of the system file.
#include <cmath>
#include <unordered_set>

#include "common/outfile.h"
#include "topgen/off_form.h"
#include "topgen/readers.h"

namespace tvl::topgen {

namespace {

constexpr double kcal = 4.1865;          // kJ per kcal
constexpr double kelvin = 0.0083144;     // kJ/mol per K
constexpr double degrees = 180 / 3.14159265;
constexpr long outside_max = 10000;      // records outside the tables
// 2^(1/6) as the library's unit conversion has always used it: in single precision.
const double sixth_root_2 = static_cast<double>(std::pow(2.0f, 1.0f / 6.0f));

enum Table { atoms, bonds, angles, torsions };

void row(RecordFile& f, ForceField& ff, std::unordered_set<std::string>& types, int table,
         const Record& r) {
  // Word i converted to the units of the system file; a product that
  // overflows is refused with the row.
  auto in_units = [&f, &r](int i, double factor, std::string_view what) {
    return f.finite(r, f.real(r, i) * factor, what);
  };
  switch (table) {
    case atoms: {
      f.need(r, 4);
      std::string type = r.label(1);
      if (!types.insert(type).second) return;  // the first row of a type counts
      const double eps = f.non_negative(r, 3, "epsilon"), rstar = f.non_negative(r, 4, "r*");
      append(ff.sites,
             SiteType{type, f.real(r, 2), rstar, f.finite(r, 2 * rstar / sixth_root_2, "sigma"),
                      f.finite(r, eps * kcal / kelvin, "epsilon in K"), 1},
             "site types");
      break;
    }
    case bonds:
      f.need(r, 4);
      append(ff.bonds, BondType{labels<2>(r), in_units(3, 2 * kcal, "the force constant in kJ/mol"), f.real(r, 4)},
             "bond types");
      break;
    case angles:
      f.need(r, 5);
      append(ff.angles,
             AngleType{labels<3>(r), in_units(4, 2 * kcal, "the force constant in kJ/mol"),
                       in_units(5, degrees, "the angle in degrees")},
             "angle types");
      break;
    case torsions: {
      f.need(r, 8);
      const std::string& kind = r.word(5);
      if (kind != "0" && kind != "1") return;
      const double k = in_units(6, kcal, "the barrier in kJ/mol"), m = f.real(r, 7),
                   p = in_units(8, degrees, "the phase in degrees");
      if (kind == "0")
        append(ff.dihedrals, DihedType{labels<4>(r), k, m, p}, "dihedral types");
      else
        append(ff.impropers, ImdhType{labels<4>(r), k, m, p}, "improper dihedral types");
      break;
    }
  }
}

template <class T>
void wildcards(std::vector<T>& types) {
  for (T& t : types)
    for (std::string& l : t.label)
      if (l == "?") l = wildcard;
}

}  // namespace

ForceField read_apar(const std::string& file) {
  RecordFile f(file);
  ForceField ff;
  ff.scale_coulomb14 = 0.8333;
  ff.scale_lj14 = 0.5;
  OffScan s;
  s.suffixes = {".parm.atoms", ".parm.bonds", ".parm.angles", ".parm.torsions"};
  s.outside_max = outside_max;
  s.overflow = [&f](const Record& r) {
    f.fail(r, "more than " + std::to_string(outside_max) + " records outside the parameter tables");
  };
  s.on_table = [](int, const std::string& key) { out_line("# Found label :" + key.substr(0, 60)); };
  std::unordered_set<std::string> types;
  s.on_row = [&f, &ff, &types](int table, const Record& r) { row(f, ff, types, table, r); };
  scan_off(f, s);
  wildcards(ff.dihedrals);
  wildcards(ff.impropers);
  return ff;
}

}  // namespace tvl::topgen
