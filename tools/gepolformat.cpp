// gepolformat: rewrites a free-format input of the surface program in its
// fixed columns: two text lines copied, the level, the number of atoms, and
// per atom x, y, z, radius and flag.
#include <string>
#include <vector>

#include "common/error.h"
#include "common/esp/gepol.h"
#include "common/esp/numin.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"

namespace {

using tvl::out_line;
namespace tx = tvl::text;
namespace esp = tvl::esp;

const std::vector<std::string> help_lines = {
    "usage: gepolformat < free-format-input > surface-input",
    "",
    "Copies the title and keyword lines (as 80-column lines), then writes the",
    "level (2 columns), the number of atoms N (4 columns) and N lines",
    "x, y, z, radius (10 columns, 5 decimals each) and flag (2 columns).",
    "A value that does not fit its field stops the program (status 1).",
};

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines);
  if (argc > 1) tvl::stop(help_lines, tvl::exit_usage);
  esp::NumberInput in(stdin, "standard input");
  std::string line;
  for (const char* what : {"title line", "keyword line"}) {
    in.need_line(line, what);
    out_line(tx::fmt_a(line, 80));
  }
  in.record(1, "level");
  const long long level = in.integer(0);
  if (level < -9 || level > 99) in.fail("level does not fit 2 columns");
  in.record(1, "number of atoms");
  const long long n = in.integer(0);
  esp::check_gepol_atoms(in, n);
  out_line(tx::fmt_i(level, 2));
  out_line(tx::fmt_i(n, 4));
  for (long long i = 0; i < n; ++i) {
    in.record(5, "x, y, z, radius and flag of atom " + std::to_string(i + 1));
    const long long flag = in.integer(4);
    if (flag < -9 || flag > 99) in.fail("flag does not fit 2 columns");
    out_line(esp::gepol_atom_line(in.real(0), in.real(1), in.real(2), in.real(3), flag, i + 1));
  }
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
