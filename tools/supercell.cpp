// supercell: replicates the configuration of a structure file (standard
// input) nx x ny x nz times along the box edges and writes the larger
// structure file (standard output). All copies of one molecule follow each
// other before the next molecule. Values are copied in double precision, so
// names, velocities and forces come out as they went in.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "common/config/structure.h"
#include "common/error.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"

namespace {

namespace cfg = tvl::config;
namespace tx = tvl::text;

const std::vector<std::string> help = {
    "usage: supercell nx ny nz < structure-file > structure-file",
    "",
    "Writes the structure file read from standard input replicated nx, ny and",
    "nz times along the box edges (each at least 1): the box grows by these",
    "factors, and every molecule is followed by its copies shifted by whole box",
    "edges. A molecule may have at most 200000 sites.",
};

// The argument message and the usage.
[[noreturn]] void bad_arguments() {
  tvl::usage_stop(tx::free_text("ERROR: Check command line argument!"), help);
}

// An argument is read free-format: its first word must be an integer of at
// least 1 (arguments are at most 50 characters).
long long factor(const char* arg) {
  const std::string a = arg;
  const std::vector<std::string> w = tx::free_words(a);
  long long v = 0;
  if (a.size() > 50 || w.empty() || !tx::parse_int(w[0], v) || v < 1) bad_arguments();
  return v;
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help);
  if (argc != 4) bad_arguments();
  const std::array<long long, 3> n = {factor(argv[1]), factor(argv[2]), factor(argv[3])};
  // The whole input is read, and the header lines checked, before anything
  // is written: a bad input leaves only the message on standard output.
  const cfg::StrRewrite in = cfg::read_str_rewrite(stdin, n, tvl::nsicopymax);
  tvl::out_line(in.box_line);
  tvl::out_line(in.count_line);

  for (const cfg::StrMolecule& mol : in.mol)
    for (long long ix = 0; ix < n[0]; ++ix)
      for (long long iy = 0; iy < n[1]; ++iy)
        for (long long iz = 0; iz < n[2]; ++iz) {
          tvl::out_line(cfg::str_molecule_head(mol.name, mol.head));
          const std::array<double, 3> shift = {static_cast<double>(ix) * in.box[0],
                                               static_cast<double>(iy) * in.box[1],
                                               static_cast<double>(iz) * in.box[2]};
          for (const cfg::StrSite& s : mol.sites)
            tvl::out_line(cfg::str_site_block(
                s.name, s.number, {s.r[0] + shift[0], s.r[1] + shift[1], s.r[2] + shift[2]}, s.v, s.f));
        }
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
