// chgfit: atomic charges of a neutral molecule fitted to the electrostatic
// potential on surface points. Reads the molecule-and-potential file from
// standard input; writes the charges to esp.chg and standard output, and the
// last iteration's correction to esp.delq.
#include <string>
#include <vector>

#include "common/error.h"
#include "common/esp/chgfile.h"
#include "common/esp/potfile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"
#include "fitting/espfit.h"

namespace {

using tvl::out_line;
namespace tx = tvl::text;

const std::vector<std::string> help_lines = {
    "usage: chgfit < potential-file",
    "",
    "Fits atomic point charges of a neutral molecule to the electrostatic",
    "potential on surface points. Standard input holds the number of atoms N",
    "and of points M, N lines x, y, z of the atoms (bohr), M lines potential",
    "(atomic units) and x, y, z of the points (bohr). The charges go to esp.chg",
    "(eight per line, 10 columns with 6 decimals) and standard output; esp.delq",
    "holds the last correction of the iteration. Both files are written only",
    "with a fitted result; a charge that does not fit its field stops the program.",
    "",
    "At most 101 atoms and 12000 points; at least as many points as free charges.",
    "Exit status: 0 charges written, 1 error, 2 arguments given.",
};

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines);
  if (argc > 1) tvl::stop(help_lines, tvl::exit_usage);
  for (const char* result : {"esp.chg", "esp.delq"}) tvl::keep_inputs(result, {}, true);
  for (const char* l : {"", "", " ===============================================",
                        " Berechnung der Atomladungen eines Molekuels bei ",
                        " vorgegebenem Oberflaechenpotential",
                        " ===============================================", ""})
    out_line(l);
  out_line(tx::FreeLine().t("Maximale Anzahl an Iterationsschritten:").i(tvl::fit::max_iterations).str());
  out_line("");
  out_line(" Genauigkeitsgrenze der Iterationsrechnung: 1E-10");
  out_line("");
  out_line(" Die Iterationsergebnisse fuer die Ladungen werden");
  out_line(" in die Datei LADUNG.DAT geschrieben !");

  tvl::esp::NumberInput in(stdin, "standard input", true);
  tvl::esp::PotLimits lim;
  lim.atoms = tvl::natchgmax;
  lim.atoms_name = "natchgmax";
  lim.points = tvl::nptchgmax;
  lim.points_name = "nptchgmax";
  tvl::esp::PotFile pf;
  long long n = 0, m = 0;
  tvl::esp::read_pot_head(in, lim, false, pf, n, m);
  if (n < 2) in.fail("at least 2 atoms are needed (the last carries minus the sum of the others)");
  if (m < n - 1)
    in.fail(std::to_string(m) + " points cannot determine " + std::to_string(n - 1) + " free charges");
  out_line("");
  out_line(" Anzahl Atome:" + tx::fmt_i(n, 4));
  tvl::esp::read_pot_atoms(in, n, pf);
  out_line("");
  out_line(" Anzahl Oberflaechenpunkte:" + tx::fmt_i(m, 5));
  out_line("");
  tvl::esp::read_pot_points(in, m, pf);

  const tvl::fit::ChargeFit fit = tvl::fit::fit_charges(pf, in.label());

  // Everything is made, so every charge checked against its fields, and both
  // files are known to be writable before either is written: a refused run
  // leaves esp.chg and esp.delq as they were.
  const std::vector<std::string> chg_lines = tvl::esp::resp_lines(fit.q, "esp.chg");
  std::vector<std::string> result = {"", " Die Iteration liefert folgende Ergebnisse fuer die", " Ladungen der Atome:", ""};
  for (std::size_t i = 0; i < fit.q.size(); ++i) {
    const std::string k = std::to_string(i + 1);
    result.push_back("    Atom" + tx::fmt_i(static_cast<long long>(i + 1), 3) + ":" +
                     tx::checked_f(fit.q[i], 8, 4, "charge " + k, "the result lines"));
  }
  tvl::check_writable({"esp.chg", "esp.delq"});
  tvl::OutFile chg("esp.chg");
  for (const auto& l : chg_lines) chg.line(l);
  chg.close();
  // The last correction, one free-format value per line.
  tvl::OutFile delq("esp.delq");
  for (double v : fit.dq) delq.line(tx::FreeLine().r(v).str());
  delq.close();
  for (const std::string& l : result) out_line(l);
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
