#include "common/config/structure.h"

#include <vector>

#include "common/config/columns.h"
#include "common/error.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/text/fortran.h"

namespace tvl::config {

namespace {

using tvl::text::LineReader;

// Messages are free-format lines (a leading blank); the two size-limit
// messages have a fixed layout (the limit in 8 columns) and are written as is.
[[noreturn]] void corrupted() {
  tvl::stop({tvl::text::free_text("ERROR: STRUCTURE-file is corrupted !")});
}

void need(LineReader::Status s) {
  if (s != LineReader::Status::ok) corrupted();
}

// One line of three fields of 15 columns.
void read_triple(LineReader& in, std::string& line, double& a, double& b, double& c) {
  need(in.next(line));
  if (!column_real(line, 1, 15, 8, a) || !column_real(line, 16, 15, 8, b) ||
      !column_real(line, 31, 15, 8, c))
    corrupted();
}

}  // namespace

std::FILE* open_strfile(std::string& name) {
  const std::string given(tvl::text::trim_right(name));
  if (std::FILE* f = std::fopen(given.c_str(), "r")) return f;
  for (const char* d : {"tvl.structure", "tvlin.str"}) {
    if (std::FILE* f = std::fopen(d, "r")) {
      name = d;
      return f;
    }
  }
  return nullptr;
}

bool read_str(std::string& name, int verbosity, const sys::SystemDescription& s, Configuration& c,
              Cutoff& cut, const Limits& lim) {
  const std::string given(tvl::text::trim_right(name));
  InFile fc{open_strfile(name)};
  if (verbosity >= 1)
    tvl::out_line(" ....trying to read input STRUCTURE-file \"" +
                  std::string(tvl::text::trim_right(name)) + "\"");
  if (!fc) {
    if (verbosity >= 1) {
      tvl::out_line(" WARNING: No TARVELO STRUCTURE-file available. ");
      tvl::out_line("          Neither \"tvl.structure\", nor \"" + given + "\"");
    }
    return false;
  }
  reset(c, lim);
  LineReader in(fc.get());
  std::vector<std::string> w;
  std::string line;

  // Box.
  need(tvl::text::free_read(in, 3, w));
  double b[3];
  for (int a = 0; a < 3; ++a)
    if (!tvl::text::parse_real(w[a], b[a])) corrupted();
  set_box(c, b[0], b[1], b[2]);
  check_cutoff(c, cut);

  // Number of molecules.
  need(tvl::text::free_read(in, 1, w));
  int mols = 0;
  if (!tvl::text::parse_int(w[0], mols) || mols < 0) corrupted();
  if (mols > lim.nalmolmax)
    tvl::stop({"ERROR: System size too large: Number of molecules in STRUCTURE-file exceeds " +
                   tvl::text::fmt_i(lim.nalmolmax, 8),
               "       Increase value of nalmolmax in tvl_const !"});

  for (int j = 0; j < mols; ++j) {
    need(in.next(line));  // separator, whatever it holds
    need(in.next(line));  // molecule name, not used
    // The header line must hold all three integers: a read that went on to
    // the next line would take the first site line for part of the header.
    need(in.next(line));
    w = tvl::text::free_words(line);
    if (w.size() < 3) corrupted();
    int head[3];
    for (int k = 0; k < 3; ++k)
      if (!tvl::text::parse_int(w[k], head[k])) corrupted();
    const int t = head[0] - 1;  // the site count and third value written here are not used
    if (t < 0 || t >= s.ntymol || t >= static_cast<int>(s.mol.size())) corrupted();
    const sys::MolType& mt = s.mol[t];
    add_molecule(c);
    c.mol_type[j] = t;
    c.mol_offset[j] = c.n;
    c.mol_nsites[j] = mt.nsimol;
    for (int k = 0; k < mt.nsimol; ++k) {
      if (c.n + 1 > lim.nmax)
        tvl::stop(
            {"ERROR: System size too large: Number of interaction sites in STRUCTURE-file exceeds " +
                 tvl::text::fmt_i(lim.nmax, 8),
             "       Increase value of nmax in tvl_const !"});
      if (!add_site_of(c, s, j, k)) corrupted();
      const int i = c.n - 1;
      need(in.next(line));
      long long ignored = 0;
      if (!tvl::text::fixed_int(line, 12, 4, ignored)) corrupted();
      read_triple(in, line, c.x[i], c.y[i], c.z[i]);
      read_triple(in, line, c.vx[i], c.vy[i], c.vz[i]);
      read_triple(in, line, c.fx[i], c.fy[i], c.fz[i]);
    }
  }
  set_relative_masses(c);
  centres_of_mass(c);
  return true;
}

void write_str(const std::string& file, const Configuration& c, const sys::SystemDescription& s) {
  using tvl::text::fmt_e;
  using tvl::text::fmt_f;
  using tvl::text::fmt_i;
  tvl::OutFile out(file, "w");
  out.line(fmt_f(c.box[0], 12, 6) + fmt_f(c.box[1], 12, 6) + fmt_f(c.box[2], 12, 6));
  out.line(fmt_i(c.m, 7));
  auto triple = [&](double a, double b, double d) {
    out.line(fmt_e(a, 15, 8) + fmt_e(b, 15, 8) + fmt_e(d, 15, 8));
  };
  for (int j = 0; j < c.m; ++j) {
    const int t = c.mol_type[j];
    const std::string label =
        t >= 0 && t < static_cast<int>(s.mol.size()) ? s.mol[t].label_mol : std::string();
    out.line("");
    out.line(tvl::text::fmt_a(label, 10));
    out.line(fmt_i(t + 1, 7) + fmt_i(c.mol_nsites[j], 7) + fmt_i(j + 1, 7));
    for (int k = 0; k < c.mol_nsites[j]; ++k) {
      const int i = c.mol_offset[j] + k;
      const int p = c.sptype[i];
      const std::string sp =
          p >= 0 && p < static_cast<int>(s.name_sp.size()) ? s.name_sp[p] : std::string();
      out.line(tvl::text::fmt_a(sp, 10) + " " + fmt_i(k + 1, 4));
      triple(c.x[i], c.y[i], c.z[i]);
      triple(c.vx[i], c.vy[i], c.vz[i]);
      triple(c.fx[i], c.fy[i], c.fz[i]);
    }
  }
  out.close();
}

}  // namespace tvl::config
