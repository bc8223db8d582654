// velflip: copies a structure file (standard input to standard output) with
// every velocity negated, which reverses the motion of the configuration.
// Values are held in double precision: running it twice gives the input back.
#include <array>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "common/config/structure.h"
#include "common/error.h"
#include "common/outfile.h"
#include "common/standard_flags.h"

namespace {

namespace cfg = tvl::config;

const std::vector<std::string> help = {
    "usage: velflip < structure-file > structure-file",
    "",
    "Writes the structure file read from standard input with every velocity",
    "negated; positions, forces, names and numbers are copied.",
};

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help);
  if (argc != 1) tvl::stop(help, tvl::exit_usage);
  // The whole input is read, and the header lines checked, before anything
  // is written: a bad input leaves only the message on standard output.
  const cfg::StrRewrite in = cfg::read_str_rewrite(stdin, {1, 1, 1}, LLONG_MAX);
  tvl::out_line(in.box_line);
  tvl::out_line(in.count_line);
  for (const cfg::StrMolecule& mol : in.mol) {
    tvl::out_line(cfg::str_molecule_head(mol.name, mol.head));
    for (const cfg::StrSite& s : mol.sites)
      tvl::out_line(cfg::str_site_block(s.name, s.number, s.r, {-s.v[0], -s.v[1], -s.v[2]}, s.f));
  }
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
