// espformat: rewrites a molecule-and-potential file given free-format on
// standard input (three integers: atoms N, points M, a third copied as it is;
// N lines x, y, z; M lines potential, x, y, z) in the fixed layout.
#include <string>
#include <vector>

#include "common/error.h"
#include "common/esp/potfile.h"
#include "common/standard_flags.h"
#include "common/tvl_const.h"

namespace {

const std::vector<std::string> help_lines = {
    "usage: espformat < free-format-file > potential-file",
    "",
    "Rewrites a molecule-and-potential file in fixed columns: the counts line,",
    "atom lines of 16 blanks and three E16.7 fields (x, y, z in bohr), point",
    "lines of four E16.7 fields (potential in atomic units, x, y, z in bohr).",
    "At most 100000 atoms and points together.",
};

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines);
  if (argc > 1) tvl::stop(help_lines, tvl::exit_usage);
  tvl::esp::NumberInput in(stdin, "standard input");
  tvl::esp::PotLimits lim;
  lim.centres = tvl::ncentmax;
  lim.centres_name = "ncentmax";
  tvl::esp::write_potfile(tvl::esp::read_potfile(in, lim, true));
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
