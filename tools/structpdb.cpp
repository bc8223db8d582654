// structpdb: writes the sites of a structure file (standard input) as PDB
// ATOM records (standard output), so that a configuration can be looked at
// with molecular graphics programs. No system file is needed: each
// molecule's site count comes from its header line.
#include <cstdio>
#include <string>

#include "common/config/structure.h"
#include "common/error.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/text/records.h"

namespace {

namespace cfg = tvl::config;
namespace tx = tvl::text;

const std::vector<std::string> help = {
    "usage: structpdb < structure-file > pdb-file",
    "",
    "Writes one PDB ATOM record per site of the structure file read from",
    "standard input: the site name (4 characters, upper case) as atom name, the",
    "molecule name (3 characters, upper case) as residue name, the molecule",
    "number as residue number, the position in Angstrom, occupancy 1.00 and",
    "half the squared velocity as B-factor. Site numbers wrap after 99999,",
    "residue numbers after 9999. A position or B-factor that does not fit its",
    "field stops the program (status 1) after the records before it.",
};

// One ATOM record of 66 columns. A four-character atom name starts in column
// 13, a shorter one in column 14, where PDB readers look for them.
std::string atom_record(long long site, const std::string& atom, const std::string& residue,
                        long long mol, const cfg::StrSite& s) {
  std::string name = tx::pad(atom, 4);
  name = tx::trim_right(name).size() == 4 ? name + " " : " " + name;
  std::string r = "ATOM  " + tx::fmt_i(site % 100000, 5) + " " + name + tx::pad(residue, 3) + "  " +
                  tx::fmt_i(mol % 10000, 4) + "    ";
  const std::string of = " of site " + std::to_string(site), where = "the PDB records";
  for (std::size_t a = 0; a < 3; ++a) r += tx::checked_f(10.0 * s.r[a], 8, 3, std::string(1, "xyz"[a]) + of, where);
  const double b = 0.5 * (s.v[0] * s.v[0] + s.v[1] * s.v[1] + s.v[2] * s.v[2]);
  r += tx::fmt_f(1.0, 6, 2) + tx::checked_f(b, 6, 2, "B-factor" + of, where);
  return r;
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help);
  if (argc != 1) tvl::stop(help, tvl::exit_usage);
  tx::LineReader in(stdin);
  std::array<double, 3> box;
  cfg::read_str_box(in, box);  // read as every reader does, not used
  const long long m = cfg::read_str_count(in);
  cfg::StrMolecule mol;
  cfg::StrSite site;
  long long number = 0;
  for (long long j = 1; j <= m; ++j) {
    cfg::read_str_molecule_head(in, cfg::StrReading::free, mol);
    std::string residue = mol.name.substr(0, 3);
    tvl::rec::up_case(residue);
    for (long long k = 0; k < mol.head[1]; ++k) {
      cfg::read_str_site(in, cfg::StrReading::free, site);
      std::string atom = site.name.substr(0, 4);
      tvl::rec::up_case(atom);
      tvl::out_line(atom_record(++number, atom, residue, j, site));
    }
  }
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
