// syscheck: reads a system file as the analysers do and prints a summary of
// what it describes, so a file can be validated before a long analysis.
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/sysfile/system.h"
#include "common/text/fortran.h"

namespace {

using tvl::out_line;
using tvl::sys::MolType;
using tvl::sys::SystemDescription;
namespace tx = tvl::text;

const char* const usage_text[] = {
    "usage: syscheck [-surface] <system-file>",
    "",
    "Reads the system file with the reader of the analysers (progress lines",
    "included) and, when it is valid, prints a summary: site types with charge,",
    "mass and Lennard-Jones parameters; each molecule type with its sites,",
    "degrees of freedom and intramolecular terms; the build totals and cell;",
    "umbrella and efg entries. Site numbers of intramolecular terms outside",
    "the molecule are reported as warnings.",
    "",
    "  -surface   also read the surface section and summarise the slab",
    "  -h         show this help",
    "",
    "Exit status: 0 valid file, 1 error in the file, 2 wrong arguments.",
};

std::vector<std::string> help_lines() { return {std::begin(usage_text), std::end(usage_text)}; }

[[noreturn]] void usage(int status) {
  std::vector<std::string> l = help_lines();
  if (status == tvl::exit_ok) tvl::stop_ok(std::move(l));
  tvl::stop(std::move(l), status);
}

std::string n(long long v) { return std::to_string(v); }

// A real in an F field of w columns with d decimals or, when it does not fit
// there, in exponent form of the same width: a summary never hides a value
// behind asterisks.
std::string real(double v, int w, int d) {
  std::string f = tx::fmt_f(v, w, d);
  return f.find('*') == std::string::npos ? f : tx::fmt_e(v, w, w - 7);
}

// Duplication counts as "a b c"; cell edges and box sizes in F12.5 fields.
std::string counts(const std::array<int, 3>& c) { return n(c[0]) + " " + n(c[1]) + " " + n(c[2]); }
std::string lengths(const std::array<double, 3>& v) { return real(v[0], 12, 5) + real(v[1], 12, 5) + real(v[2], 12, 5); }

// Lennard-Jones diagonal back in file units (Angstrom, Kelvin).
double sigma_a(double sig6) { return sig6 > 0 ? 10.0 * std::pow(sig6, 1.0 / 6.0) : 0.0; }
double eps_k(double eps4) { return eps4 / (4.0 * tvl::sys::kelvin_to_kj); }

void site_types(const SystemDescription& sd) {
  out_line("Site types: " + n(sd.nsp));
  if (sd.nsp == 0) return;
  out_line("    no  name            charge        mass   sigma/A  epsilon/K");
  for (int i = 0; i < sd.nsp; ++i)
    out_line(tx::fmt_i(i + 1, 6) + "  " + tx::fmt_a(sd.name_sp[i], 10) + real(sd.q_sp[i], 12, 6) +
             real(sd.mas_sp[i], 12, 6) + real(sigma_a(sd.sig6(i, i)), 10, 4) + real(eps_k(sd.eps4(i, i)), 11, 4));
}

void molecule_types(const SystemDescription& sd) {
  out_line("Molecule types: " + n(sd.ntymol));
  for (int t = 0; t < sd.ntymol; ++t) {
    const MolType& m = sd.mol[t];
    out_line("  type " + n(t + 1) + ": " + m.label_mol);
    out_line("    sites " + n(m.nsimol) + ", degrees of freedom " + n(m.nfree));
    out_line("    constraints " + n(m.ncon) + ", exclusions " + n(m.nexcl) + ", intramolecular pairs " +
             n(m.nintra));
    out_line("    harmonic bonds " + n(m.nhabd) + ", Morse bonds " + n(m.nmobd));
    out_line("    angles " + n(m.nang) + ", linear angles " + n(m.npiang));
    out_line("    improper dihedrals " + n(m.nidhed) + ", proper dihedrals " + n(m.ndhed));
    out_line("    non-bonded pairs " + n(m.n14int) + ", virtual sites " + n(m.nvirt));
  }
}

void build(const SystemDescription& sd) {
  out_line("Build: frac entries " + n(sd.nfrac) + ", duplicate " + counts(sd.ndup));
  out_line("  molecules " + n(sd.nmol_tot) + ", sites " + n(sd.nsite_tot));
  if (sd.ecell[0] == 0 && sd.ecell[1] == 0 && sd.ecell[2] == 0)
    out_line("  cell: none");
  else
    out_line("  cell (nm):" + lengths(sd.ecell));
  out_line("Umbrella entries: " + n(sd.numb));
  out_line("Efg entries: " + n(sd.nefg));
}

// Site numbers of intramolecular terms are stored as read; report every one
// that names no site of its molecule type.
int warnings(const SystemDescription& sd) {
  int count = 0;
  for (int t = 0; t < sd.ntymol; ++t) {
    const MolType& m = sd.mol[t];
    auto check = [&](const char* what, int k, std::initializer_list<int> sites) {
      for (int s : sites)
        if (!m.site_ok(s)) {
          out_line("WARNING: molecule-type " + n(t + 1) + " (" + m.label_mol + "): " + what + " " + n(k + 1) +
                   " refers to site " + n(s + 1LL) + ", outside 1.." + n(m.nsimol));
          ++count;
        }
    };
    for (int k = 0; k < m.nhabd; ++k) check("harmonic bond", k, {m.a_habd[k], m.b_habd[k]});
    for (int k = 0; k < m.nmobd; ++k) check("Morse bond", k, {m.a_mobd[k], m.b_mobd[k]});
    for (int k = 0; k < m.nang; ++k) check("angle", k, {m.a_ang[k], m.b_ang[k], m.c_ang[k]});
    for (int k = 0; k < m.npiang; ++k) check("linear angle", k, {m.a_piang[k], m.b_piang[k], m.c_piang[k]});
    for (int k = 0; k < m.nidhed; ++k)
      check("improper dihedral", k, {m.a_idhed[k], m.b_idhed[k], m.c_idhed[k], m.d_idhed[k]});
    for (int k = 0; k < m.ndhed; ++k)
      check("proper dihedral", k, {m.a_dhed[k], m.b_dhed[k], m.c_dhed[k], m.d_dhed[k]});
    for (int k = 0; k < m.n14int; ++k) check("non-bonded pair", k, {m.a_14int[k], m.b_14int[k]});
    for (int k = 0; k < m.nvirt; ++k) {
      check("virtual site", k, {m.virt_site[k]});
      for (int s : m.virt_ref[k]) check("virtual site", k, {s});
    }
  }
  return count;
}

void surface(const tvl::sys::SystemFile& file, const SystemDescription& sd) {
  tvl::sys::Surface s;
  tvl::sys::read_surface(1, file, sd.name_sp, s);
  if (s.nsurf == 0) {
    out_line("Surface: none");
    return;
  }
  out_line("Surface: cell entries " + n(s.nsurf) + ", generated sites " + n(s.nsurf_tot));
  out_line("  duplicate " + counts(s.ndup_s));
  out_line("  cell (nm):" + lengths(s.ecell_s));
  out_line("  box (nm): " + lengths(s.box_s));
  out_line("  cut-off (nm):" + real(s.rc_s, 12, 5));
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines());
  std::string file;
  bool with_surface = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    tx::check_name_length(a, "argument", tvl::exit_usage);
    // A blank argument names nothing (a shell variable left empty).
    if (tx::trim_right(a).empty()) continue;
    if (a == "-h" || a == "-help" || a == "--help") usage(tvl::exit_ok);
    if (a == "-surface") {
      with_surface = true;
    } else if (a.size() > 1 && a[0] == '-') {
      out_line("syscheck: unknown option " + a);
      usage(tvl::exit_usage);
    } else if (file.empty()) {
      file = a;
    } else {
      out_line("syscheck: only one system file can be checked");
      usage(tvl::exit_usage);
    }
  }
  if (file.empty()) usage(tvl::exit_usage);

  // Cell edges of 0: a file without an ecell line shows no cell.
  // Read once: both readers work on that one read, so the file may be a pipe.
  const tvl::sys::SystemFile sysfile = tvl::sys::load_system_file(file);
  SystemDescription sd = tvl::sys::readsys(1, sysfile, {}, 0.0, {0.0, 0.0, 0.0});
  out_line("");
  out_line("System file: " + file);
  site_types(sd);
  molecule_types(sd);
  build(sd);
  if (with_surface) surface(sysfile, sd);
  int w = warnings(sd);
  if (w > 0) out_line("Warnings: " + n(w));
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
