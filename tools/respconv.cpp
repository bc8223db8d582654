// respconv: converts a charge list between the fixed layout (eight charges of
// 10 columns with 6 decimals per line, as chgfit writes it) and the free
// layout (a count line, then one "number charge" line per atom).
#include <string>
#include <vector>

#include "common/error.h"
#include "common/esp/chgfile.h"
#include "common/esp/numin.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"

namespace {

using tvl::out_line;
namespace tx = tvl::text;
namespace esp = tvl::esp;

const std::vector<std::string> usage_lines = {
    " Syntax: respconv <+/-> <file.chg> ",
    "         <+> - RESP-Format -> Free Format",
    "         <-> - Free Format -> RESP-Format",
};

// Every line is made, and so checked, before the first is written.
void fixed_to_free(esp::NumberInput& in) {
  std::vector<double> q = esp::read_resp_all(in, tvl::nchgmax, "nchgmax");
  std::vector<std::string> lines = {tx::FreeLine().i(static_cast<long long>(q.size())).str()};
  for (std::size_t i = 0; i < q.size(); ++i)
    lines.push_back(tx::fmt_i(static_cast<long long>(i + 1), 5) +
                    tx::checked_f(q[i], 12, 6, "charge " + std::to_string(i + 1), "the free layout"));
  for (const std::string& l : lines) out_line(l);
}

void free_to_fixed(esp::NumberInput& in) {
  in.record(1, "number of charges");
  long long n = in.integer(0);
  if (n < 0) in.fail("negative number of charges");
  esp::check_limit(in.label(), n, "charges", tvl::nchgmax, "nchgmax");
  std::vector<double> q;
  for (long long i = 0; i < n; ++i) {
    in.record(2, "atom number and charge " + std::to_string(i + 1) + " of " + std::to_string(n));
    in.integer(0);
    q.push_back(in.real(1));
    if (!esp::fits_resp(q.back())) in.fail("charge does not fit 10 columns with 6 decimals");
  }
  for (const auto& l : esp::resp_lines(q, "the fixed layout")) out_line(l);
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, usage_lines);
  if (argc != 3) tvl::stop(usage_lines, tvl::exit_usage);
  const std::string dir = argv[1];
  if (dir != "+" && dir != "-") tvl::stop(usage_lines, tvl::exit_usage);
  tx::check_name_length(argv[2], "file name");
  tvl::InFile f = esp::open_input(argv[2]);
  esp::NumberInput in(f.get(), tx::quoted(argv[2]));
  if (dir == "+") fixed_to_free(in);
  else free_to_fixed(in);
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
