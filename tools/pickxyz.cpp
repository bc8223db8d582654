// pickxyz: prints x, y, z of the points of a numbered point listing (six
// header lines, then "number x y z" per point): all points, or the one
// whose number is given.
#include <string>
#include <vector>

#include "common/error.h"
#include "common/esp/numin.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"

namespace {

using tvl::out_line;
namespace tx = tvl::text;

const std::vector<std::string> help_lines = {
    "usage: pickxyz [index] < point-listing",
    "",
    "Skips six header lines, then prints x, y, z (three fields of 12 columns",
    "with 8 decimals) of every point, or with an index other than 0 of the",
    "point of that number only. A coordinate that does not fit its field, or an",
    "index that no point has, stops the program (status 1).",
};

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines);
  if (argc > 2) tvl::stop(help_lines, tvl::exit_usage);
  long long index = 0;
  const std::string a = argc > 1 ? argv[1] : "";
  if (!tx::trim_right(a).empty() && !tx::parse_int(tx::trim_right(a), index))
    tvl::stop({" ERROR: index " + tx::quoted(a) + " is not an integer"}, tvl::exit_usage);
  tvl::esp::NumberInput in(stdin, "standard input");
  std::string line;
  for (int k = 0; k < 6; ++k) in.need_line(line, "header line " + std::to_string(k + 1));
  // Nothing is stored, so the listing may be of any length.
  bool found = false;
  while (in.record(4, "point number and x, y, z", true)) {
    const long long num = in.integer(0);
    const double r[3] = {in.real(1), in.real(2), in.real(3)};
    if (index != 0 && index != num) continue;
    found = true;
    const std::string of = " of point " + std::to_string(num);
    std::string l;
    for (std::size_t k = 0; k < 3; ++k)
      l += tx::checked_f(r[k], 12, 8, std::string(1, "xyz"[k]) + of, "the output");
    out_line(l);
  }
  if (index != 0 && !found)
    tvl::stop({" ERROR: " + in.label() + " holds no point numbered " + std::to_string(index)});
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
