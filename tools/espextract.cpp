// espextract: takes the atoms and the fit points with their electrostatic
// potential out of the printed output of a quantum-chemical calculation of
// electrostatic properties (standard input) and writes them as a
// molecule-and-potential file (standard output).
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/esp/numin.h"
#include "common/esp/potfile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"

namespace {

using tvl::out_line;
namespace tx = tvl::text;
namespace esp = tvl::esp;

const std::vector<std::string> help_lines = {
    "usage: espextract < listing > potential-file",
    "",
    "Finds the section \"Electrostatic Properties Using The ...\" of the listing,",
    "reads the centres (x, y, z in Angstrom, columns 32-80) and their potentials",
    "(lines marked \"Atom\" are the atoms, the others the fit points), and writes",
    "the counts line, the atoms and the points in bohr and atomic units.",
    "A listing cut short or with mismatched counts gives what is complete,",
    "a message and exit status 1. At most 100000 centres.",
};

constexpr std::string_view section_head = "          Electrostatic Properties Using The ";
constexpr float angstrom_to_bohr = 1.8897269f;

struct Centre {
  float x = 0, y = 0, z = 0;
};

bool dash_line(std::string_view l) { return tx::field(l, 1, 6) == " -----"; }

struct Listing {
  std::vector<Centre> centres;
  std::vector<float> pot;  // potential of centre i, in the order of the centre lines
  long long n_atoms = 0;
  std::string failure;     // empty when the section was read completely
};

// Reads up to the end of the potential lines; a failure ends the reading
// and is kept for after the output.
Listing read_listing(esp::NumberInput& in) {
  Listing r;
  std::string line;
  const std::string& who = in.label();
  // Ends the reading with a message; what was read so far stays.
  auto fail = [&](std::string msg) {
    r.failure = std::move(msg);
    return r;
  };
  auto at = [&](std::string_view msg) {
    return fail(" ERROR: " + who + ", line " + std::to_string(in.line_number()) + ": " + std::string(msg));
  };
  bool found = false;
  while (!found && in.line(line)) found = tx::same_text(tx::field(line, 1, section_head.size()), section_head);
  if (!found)
    return fail(" ERROR: " + who + ": no section \"" + std::string(tx::trim_right(section_head).substr(10)) +
                " ...\" found");
  auto skip = [&](int n) {
    for (int k = 0; k < n; ++k)
      if (!in.line(line)) return false;
    return true;
  };
  const std::string cut = " ERROR: " + who + " ends within the ";
  if (!skip(3)) return fail(cut + "centre lines");
  for (;;) {
    if (!in.line(line)) return fail(cut + "centre lines");
    if (dash_line(line)) break;
    std::vector<std::string> w = tx::free_words(tx::field(line, 32, 49));
    Centre c;
    if (w.size() < 3 || !tx::parse_real(w[0], c.x) || !tx::parse_real(w[1], c.y) ||
        !tx::parse_real(w[2], c.z))
      return at("x, y, z of a centre expected in columns 32-80");
    if (r.centres.size() >= static_cast<std::size_t>(tvl::ncentmax))
      return at("more than " + std::to_string(tvl::ncentmax) +
                            " centres (ncentmax in tvl_const)");
    r.centres.push_back(c);
  }
  if (!skip(7)) return fail(cut + "potential lines");
  for (;;) {
    if (!in.line(line)) return fail(cut + "potential lines");
    if (dash_line(line)) break;
    if (r.pot.size() >= r.centres.size())
      return at("more potential lines than the " + std::to_string(r.centres.size()) +
                            " centres");
    const bool atom = tx::field(line, 7, 4) == "Atom";
    if (atom && static_cast<long long>(r.pot.size()) != r.n_atoms)
      return at("an atom after the fit points");
    std::vector<std::string> w = tx::free_words(tx::field(line, 12, 69));
    float v = 0;
    if (w.empty() || !tx::parse_real(w[0], v))
      return at("potential expected in columns 12-80");
    r.pot.push_back(v);
    if (atom) ++r.n_atoms;
  }
  if (r.pot.size() != r.centres.size())
    return fail(" ERROR: " + who + ": " + std::to_string(r.centres.size()) + " centres but " +
                std::to_string(r.pot.size()) + " potential lines");
  return r;
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines);
  if (argc > 1) tvl::stop(help_lines, tvl::exit_usage);
  esp::NumberInput in(stdin, "standard input");
  Listing r = read_listing(in);
  // Only centres whose potential was read are written. Every line is made,
  // and so checked, before the first is written: a value that overflows
  // single precision leaves only its message.
  const std::size_t n = r.pot.size();
  const long long atoms = r.n_atoms;
  std::vector<std::string> lines = {esp::pot_head(atoms, static_cast<long long>(n) - atoms, 0)};
  for (std::size_t i = 0; i < n; ++i) {
    const Centre& c = r.centres[i];
    const float x = c.x * angstrom_to_bohr, y = c.y * angstrom_to_bohr, z = c.z * angstrom_to_bohr;
    const long long k = static_cast<long long>(i);
    if (k < atoms) lines.push_back(esp::pot_atom_line(x, y, z, k + 1));
    else lines.push_back(esp::pot_point_line(r.pot[i], x, y, z, k + 1 - atoms));
  }
  for (const std::string& l : lines) out_line(l);
  if (!r.failure.empty()) tvl::stop({r.failure});
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
