// vdwsurf: input for the surface program from a list of atoms with element
// numbers: van der Waals radii (times a scale) and a surface level.
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
    "usage: vdwsurf [scale [level]] < atoms > surface-input",
    "",
    "Standard input: the number of atoms N, a title line, then N lines with",
    "the element number and x, y, z. Writes the surface-program input with the",
    "van der Waals radius of each atom times scale (default 1.0) and the level",
    "(1 to 5, default 5; other values give 5). Radii are known for H, He, C, N,",
    "O, F and Ne; another element gets an error line and radius 0, and the",
    "program ends with status 1 after writing all atoms. A coordinate or radius",
    "that does not fit its 10 columns stops the program (status 1).",
};

// Radius in Angstrom by element number; 0 when none is known.
float vdw_radius(long long element) {
  switch (element) {
    case 1: case 2: return 1.2f;
    case 6: case 7: return 1.5f;
    case 8: return 1.4f;
    case 9: return 1.35f;
    case 10: return 2.34f;
    default: return 0.0f;
  }
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines);
  if (argc > 3) tvl::stop(help_lines, tvl::exit_usage);
  float scale = 1.0f;
  long long level = 5;
  const std::string s1 = argc > 1 ? argv[1] : "", s2 = argc > 2 ? argv[2] : "";
  if (!tx::trim_right(s1).empty() && !tx::parse_real(tx::trim_right(s1), scale))
    tvl::stop({" ERROR: scale " + tx::quoted(s1) + " is not a number"}, tvl::exit_usage);
  if (!tx::trim_right(s2).empty() && !tx::parse_int(tx::trim_right(s2), level))
    tvl::stop({" ERROR: level " + tx::quoted(s2) + " is not an integer"}, tvl::exit_usage);
  if (level < 1 || level > 5) level = 5;

  out_line(" VAN DER WAALS SURFACE - VDWSURF");
  out_line("SIN VES NSU SFY");
  out_line(tx::fmt_i(level, 2));
  esp::NumberInput in(stdin, "standard input");
  in.record(1, "number of atoms");
  const long long n = in.integer(0);
  esp::check_gepol_atoms(in, n);
  std::string title;
  in.need_line(title, "title line");
  out_line(tx::fmt_i(n, 4));
  bool missing = false;
  for (long long i = 0; i < n; ++i) {
    in.record(4, "element number and x, y, z of atom " + std::to_string(i + 1));
    const long long el = in.integer(0);
    const double x = in.real(1), y = in.real(2), z = in.real(3);
    const float r = vdw_radius(el);
    if (r == 0.0f) {
      out_line(tx::FreeLine().t("ERROR: Van der Waals radius of Element").i(el).t(" is not defined").str());
      missing = true;
    }
    out_line(esp::gepol_atom_line(x, y, z, static_cast<double>(r * scale), 1, i + 1));
  }
  // The radii of 0 may be edited by hand, but as it stands the output is no
  // usable surface input.
  return missing ? tvl::exit_error : tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
