#include "common/config/structure.h"

#include <climits>
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
void read_triple(LineReader& in, std::string& line, std::array<double, 3>& v) {
  need(in.next(line));
  for (int a = 0; a < 3; ++a)
    if (!column_real(line, 1 + 15 * static_cast<std::size_t>(a), 15, 8, v[a])) corrupted();
}

long long fixed_count(std::string_view line, std::size_t col, std::size_t width) {
  long long v = 0;
  if (!tvl::text::fixed_int(line, col, width, v)) corrupted();
  return v;
}

long long free_count(std::string_view word) {
  long long v = 0;
  if (!tvl::text::parse_int(word, v)) corrupted();
  return v;
}

constexpr std::string_view str_file = "the STRUCTURE-file";

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
  reset(c);
  LineReader in(fc.get());
  std::vector<std::string> w;
  std::string line;
  StrSite site;

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
      read_str_site(in, StrReading::columns, site);
      c.x[i] = site.r[0], c.y[i] = site.r[1], c.z[i] = site.r[2];
      c.vx[i] = site.v[0], c.vy[i] = site.v[1], c.vz[i] = site.v[2];
      c.fx[i] = site.f[0], c.fy[i] = site.f[1], c.fz[i] = site.f[2];
    }
  }
  set_relative_masses(c);
  centres_of_mass(c);
  return true;
}

void write_str(const std::string& file, const Configuration& c, const sys::SystemDescription& s) {
  tvl::OutFile out(file, "w");
  out.line(str_box_line({c.box[0], c.box[1], c.box[2]}));
  out.line(str_count_line(c.m, 7));
  for (int j = 0; j < c.m; ++j) {
    const int t = c.mol_type[j];
    const std::string label =
        t >= 0 && t < static_cast<int>(s.mol.size()) ? s.mol[t].label_mol : std::string();
    out.line(str_molecule_head(label, {t + 1, c.mol_nsites[j], j + 1}));
    for (int k = 0; k < c.mol_nsites[j]; ++k) {
      const int i = c.mol_offset[j] + k;
      const int p = c.sptype[i];
      const std::string sp =
          p >= 0 && p < static_cast<int>(s.name_sp.size()) ? s.name_sp[p] : std::string();
      out.line(str_site_block(sp, k + 1, {c.x[i], c.y[i], c.z[i]}, {c.vx[i], c.vy[i], c.vz[i]},
                              {c.fx[i], c.fy[i], c.fz[i]}));
    }
  }
  out.close();
}

// ---- structure files without a system description ----------------------

void read_str_box(LineReader& in, std::array<double, 3>& box) {
  std::vector<std::string> w;
  need(tvl::text::free_read(in, 3, w));
  for (std::size_t a = 0; a < 3; ++a)
    if (!tvl::text::parse_real(w[a], box[a])) corrupted();
}

long long read_str_count(LineReader& in) {
  std::vector<std::string> w;
  need(tvl::text::free_read(in, 1, w));
  const long long m = free_count(w[0]);
  if (m < 0) corrupted();
  return m;
}

void read_str_molecule_head(LineReader& in, StrReading how, StrMolecule& m) {
  std::string line;
  need(in.next(line));  // separator, whatever it holds
  need(in.next(line));
  m.name = tvl::text::pad(tvl::text::field(line, 1, 10), 10);
  need(in.next(line));
  if (how == StrReading::columns) {
    // Three integers read free, as the analysers read them; where values
    // fill their 7 columns and run together, by their columns.
    const std::vector<std::string> w = tvl::text::free_words(line);
    bool free_read = w.size() >= 3;
    for (std::size_t k = 0; k < 3 && free_read; ++k) free_read = tvl::text::parse_int(w[k], m.head[k]);
    if (!free_read)
      for (std::size_t k = 0; k < 3; ++k) m.head[k] = fixed_count(line, 1 + 7 * k, 7);
  } else {
    // Type and site count on this line: a read that went on to the next line
    // would take the first site line for part of the header.
    const std::vector<std::string> w = tvl::text::free_words(line);
    if (w.size() < 2) corrupted();
    m.head = {free_count(w[0]), free_count(w[1]), 0};
  }
  if (m.head[1] < 0) corrupted();
  m.sites.clear();
}

void read_str_site(LineReader& in, StrReading how, StrSite& s) {
  std::string line;
  need(in.next(line));
  s.name = tvl::text::pad(tvl::text::field(line, 1, 10), 10);
  s.number = how == StrReading::columns ? fixed_count(line, 12, 4) : fixed_count(line, 11, 7);
  read_triple(in, line, s.r);
  read_triple(in, line, s.v);
  if (how == StrReading::columns) {
    read_triple(in, line, s.f);
  } else {
    need(in.next(line));
    s.f = {0.0, 0.0, 0.0};
  }
}

namespace {

// The m molecules that follow the count, read by columns.
std::vector<StrMolecule> read_str_molecules(LineReader& in, long long m, long long max_sites) {
  std::vector<StrMolecule> mols;
  StrSite site;
  for (long long j = 0; j < m; ++j) {
    StrMolecule mol;
    read_str_molecule_head(in, StrReading::columns, mol);
    if (mol.head[1] > max_sites)
      tvl::stop({tvl::text::free_text("ERROR: molecule " + std::to_string(j + 1) + " of the STRUCTURE-file has " +
                                      std::to_string(mol.head[1]) + " sites; at most " +
                                      std::to_string(max_sites) + " are held (nsicopymax in tvl_const)")});
    // Grown site by site: a count written wrongly ends at the end of the
    // file, not in a huge allocation.
    for (long long k = 0; k < mol.head[1]; ++k) {
      read_str_site(in, StrReading::columns, site);
      mol.sites.push_back(site);
    }
    mols.push_back(std::move(mol));
  }
  return mols;
}

}  // namespace

StrRewrite read_str_rewrite(std::FILE* f, const std::array<long long, 3>& factors, long long max_sites) {
  // a x b, held at LLONG_MAX when it would overflow.
  auto times = [](long long a, long long b) { return b != 0 && a > LLONG_MAX / b ? LLONG_MAX : a * b; };
  LineReader in(f);
  StrRewrite r;
  read_str_box(in, r.box);
  const long long m = read_str_count(in);
  std::array<double, 3> box;
  long long count = m;
  for (int a = 0; a < 3; ++a) {
    box[a] = static_cast<double>(factors[a]) * r.box[a];
    count = times(count, factors[a]);
  }
  r.box_line = str_box_line(box);
  r.count_line = str_count_line(count);
  r.mol = read_str_molecules(in, m, max_sites);
  return r;
}

std::string str_box_line(const std::array<double, 3>& box) {
  std::string line;
  for (double b : box) {
    std::string f = tvl::text::checked_f(b, 12, 6, "box edge", str_file);
    // The box is read free-format: an edge filling its field would run into
    // the one before it.
    if (f[0] != ' ') tvl::text::field_overflow(tvl::text::free_real(b), "F12.6", "box edge", str_file);
    line += f;
  }
  return line;
}

std::string str_count_line(long long m, int width) {
  return tvl::text::checked_i(m, width, "number of molecules", str_file);
}

std::string str_molecule_head(std::string_view name, const std::array<long long, 3>& head) {
  // Built by appending: GCC 12 warns (falsely) on "literal" + string.
  std::string h(1, '\n');
  h += tvl::text::fmt_a(name, 10);
  h += '\n';
  for (long long v : head) h += tvl::text::fmt_i(v, 7);
  return h;
}

std::string str_site_block(std::string_view name, long long number, const std::array<double, 3>& r,
                           const std::array<double, 3>& v, const std::array<double, 3>& f) {
  using tvl::text::fmt_e;
  std::string b = tvl::text::fmt_a(name, 10) + " " + tvl::text::fmt_i(number, 4);
  for (const std::array<double, 3>* t : {&r, &v, &f}) {
    b += '\n';
    for (double x : *t) b += fmt_e(x, 15, 8);
  }
  return b;
}

}  // namespace tvl::config
