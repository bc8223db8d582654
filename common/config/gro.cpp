#include "common/config/gro.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "common/config/columns.h"
#include "common/error.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "common/text/records.h"

namespace tvl::config {

namespace {

using tvl::text::fixed_int;
using tvl::text::free_text;
using tvl::text::LineReader;

// Messages are free-format lines (a leading blank); the two size-limit
// messages have a fixed layout (the limit in 8 columns) and are written as is.
[[noreturn]] void corrupted() { tvl::stop({free_text("ERROR: GROMOS input-file is corrupted !")}); }

[[noreturn]] void inconsistent() {
  tvl::stop({free_text("ERROR: SUBROUTINE READ_GRO"), free_text("       Inconsistenty in GRO-file")});
}

// Atom and residue numbers are written modulo this (5 columns).
constexpr long long kWrap = 100000;

void need(LineReader::Status s) {
  if (s != LineReader::Status::ok) corrupted();
}

}  // namespace

std::FILE* open_grofile(std::string& name) {
  const std::string given(tvl::text::trim_right(name));
  if (std::FILE* f = std::fopen(given.c_str(), "r")) return f;
  if (std::FILE* f = std::fopen("tvlin.gro", "r")) {
    name = "tvlin.gro";
    return f;
  }
  return nullptr;
}

bool read_gro(std::string& name, int verbosity, const sys::SystemDescription& s, Configuration& c,
              Cutoff& cut, const Limits& lim) {
  const std::string given(tvl::text::trim_right(name));
  if (verbosity >= 1)
    tvl::out_line(" ....trying to read GROMOS CONFIGURATION input file \"" + given + "\"");
  InFile fc{open_grofile(name)};
  if (!fc) {
    if (verbosity >= 1) {
      tvl::out_line(" WARNING: No GROMOS CONFIGURATION file available. ");
      tvl::out_line("          Neither \"tvlin.gro\", nor \"" + given + "\"");
    }
    return false;
  }
  reset(c);
  LineReader in(fc.get());
  std::string line;

  need(in.next(line));  // title
  need(in.next(line));
  long long natoms = 0;
  if (!fixed_int(line, 1, 5, natoms) || natoms < 0) corrupted();
  // A count of more than 5 digits goes on past column 5 (GROMACS writes it
  // with %5d); the atom and residue numbers then wrap at 100000.
  std::size_t end = 5;
  while (end < line.size() && end < 18 && line[end] >= '0' && line[end] <= '9') ++end;
  if (end > 5 && line[4] != ' ' && !fixed_int(line, 1, end, natoms)) corrupted();
  // Without a bound, a count no int can hold belongs to no GRO file that
  // could be read.
  if (natoms > lim.nmax && lim.nmax == tvl::no_bound) corrupted();
  if (natoms > lim.nmax)
    tvl::stop(
        {"ERROR: System size too large: Number of interaction sites in GROMOS input-file exceeds " +
             tvl::text::fmt_i(lim.nmax, 8),
         "       Increase value of nmax in tvl_const !"});
  tvl::out_line(tvl::text::FreeLine().i(natoms).str());

  // Labels of the molecule types as 10-column texts, compared with the residue names.
  const int ntypes = static_cast<int>(s.mol.size()) < s.ntymol ? static_cast<int>(s.mol.size())
                                                                 : s.ntymol;
  std::vector<std::string> labels;
  for (int t = 0; t < ntypes; ++t) labels.push_back(tvl::text::pad(s.mol[t].label_mol, 10));

  int cur = -1;  // current molecule (0-based), -1 before the first
  int in_mol = 0;  // atoms of the current molecule so far
  // A finished molecule must hold exactly the sites of its type.
  auto close_molecule = [&] {
    if (cur >= 0 && in_mol != c.mol_nsites[cur]) inconsistent();
  };
  for (long long i = 1; i <= natoms; ++i) {
    need(in.next(line));
    long long resnr = 0, atomnr = 0;
    if (!fixed_int(line, 1, 5, resnr) || !fixed_int(line, 16, 5, atomnr)) corrupted();
    std::string resname(tvl::text::field(line, 6, 5));
    tvl::rec::low_case(resname);
    double r[6];
    for (int a = 0; a < 3; ++a)
      if (!column_real(line, 21 + 8 * a, 8, 3, r[a])) corrupted();
    for (int a = 0; a < 3; ++a)
      if (!column_real(line, 45 + 8 * a, 8, 4, r[3 + a])) corrupted();

    if (resnr != (cur + 1) % kWrap || cur < 0) {
      close_molecule();
      if (cur + 2 > lim.nalmolmax)
        tvl::stop({"ERROR: System size too large: Number of molecules in GROMOS input-file exceeds " +
                       tvl::text::fmt_i(lim.nalmolmax, 8),
                   "       Increase value of nalmolmax in tvl_const !"});
      add_molecule(c);
      ++cur;
      c.mol_offset[cur] = c.n;
      c.mol_type[cur] = -1;
      in_mol = 0;
      if (resnr != (cur + 1) % kWrap) inconsistent();
    }
    if (atomnr != i % kWrap) inconsistent();
    ++in_mol;

    const std::string res10 = tvl::text::pad(resname, 10);
    int match = -1;
    for (int t = 0; t < ntypes; ++t) {
      tvl::out_line(tvl::text::FreeLine().name(labels[t], 10).name(res10, 10).str());
      if (tvl::text::same_text(labels[t], res10)) match = t;
    }
    if (match < 0)
      tvl::stop({free_text("ERROR: SUBROUTINE READ_GRO"),
                 free_text("       Molecule type could not be identified")});
    const sys::MolType& mt = s.mol[match];
    // All atoms of a residue belong to one molecule type, and no more of
    // them than the type has sites.
    if (c.mol_type[cur] >= 0 && c.mol_type[cur] != match) inconsistent();
    if (in_mol > mt.nsimol || in_mol > static_cast<int>(mt.sptype_mol.size())) inconsistent();
    c.mol_type[cur] = match;
    c.mol_nsites[cur] = mt.nsimol;

    if (!add_site_of(c, s, cur, in_mol - 1)) corrupted();
    const int k = c.n - 1;
    c.x[k] = r[0];
    c.y[k] = r[1];
    c.z[k] = r[2];
    c.vx[k] = r[3];
    c.vy[k] = r[4];
    c.vz[k] = r[5];
  }
  close_molecule();

  need(in.next(line));
  double b[3];
  for (int a = 0; a < 3; ++a)
    if (!tvl::text::fixed_real(line, 1 + 10 * a, 10, b[a])) corrupted();
  set_box(c, b[0], b[1], b[2]);
  check_cutoff(c, cut);
  set_relative_masses(c);
  centres_of_mass(c);
  return true;
}

namespace {

std::string trimmed(std::string_view s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

}  // namespace

GroFile read_gro_file(const std::string& name) {
  InFile f = open_in(name);
  if (!f) tvl::stop({free_text("ERROR: Cannot read GRO file \"" + name + "\"")});
  LineReader in(f.get());
  std::string line;
  auto fail = [&](const std::string& what) {
    tvl::stop({free_text("ERROR: " + name + ", line " + std::to_string(in.line_number()) + ": " + what)});
  };
  auto next = [&](const char* what) {
    const LineReader::Status s = in.next(line);
    if (s == LineReader::Status::eof) fail(std::string("the file ends before ") + what);
    if (s != LineReader::Status::ok) fail("unreadable line");
  };
  GroFile g;
  next("the title");
  g.title = line;
  next("the atom count");
  const std::vector<std::string> count = tvl::text::free_words(line);
  long long n = 0;
  if (count.empty() || !tvl::text::parse_int(count[0], n) || n < 0) fail("cannot read the atom count");
  std::size_t width = 8;
  for (long long i = 0; i < n; ++i) {
    next("the last atom");
    if (i == 0) {
      // field width from the decimal points of x and y
      const std::size_t p1 = line.find('.', 20);
      const std::size_t p2 = p1 == std::string::npos ? p1 : line.find('.', p1 + 1);
      if (p2 != std::string::npos && p2 - p1 >= 4) width = p2 - p1;
      g.velocities = line.size() >= 20 + 6 * width;
      // room for the atoms as far as a count can be believed before they are read
      g.atoms.reserve(static_cast<std::size_t>(std::min<long long>(n, 1000000)));
    }
    GroAtom a;
    if (!fixed_int(line, 1, 5, a.resnr)) fail("cannot read the residue number");
    a.resname = trimmed(tvl::text::field(line, 6, 5));
    a.name = trimmed(tvl::text::field(line, 11, 5));
    if (line.size() < 20 + 3 * width) fail("atom line too short for three coordinates");
    for (std::size_t k = 0; k < 3; ++k)
      if (!tvl::text::fixed_real(line, 21 + k * width, width, a.r[k])) fail("cannot read the coordinates");
    if (g.velocities)
      for (std::size_t k = 0; k < 3; ++k)
        if (!tvl::text::fixed_real(line, 21 + (3 + k) * width, width, a.v[k])) fail("cannot read the velocities");
    g.atoms.push_back(std::move(a));
  }
  next("the box");
  const std::vector<std::string> b = tvl::text::free_words(line);
  if (b.size() != 3 && b.size() != 9) fail("the box needs 3 or 9 numbers");
  for (std::size_t k = 0; k < b.size(); ++k)
    if (!tvl::text::parse_real(b[k], g.box[k])) fail("cannot read the box");
  return g;
}

namespace {

// v in Fw.d, or a Stop naming `what` when it does not fit.
std::string gro_field(double v, int w, int d, const std::string& what) {
  const std::string f = tvl::text::fmt_f(v, w, d);
  if (f.find('*') != std::string::npos || !std::isfinite(v))
    tvl::stop({free_text("ERROR: " + what + " does not fit the columns of a GRO file: " +
                         tvl::text::free_real(v))});
  return f;
}

}  // namespace

std::string gro_atom_line(long long resnr, std::string_view resname, std::string_view name, long long nr,
                          const std::array<double, 3>& r, const std::array<double, 3>* v) {
  const std::string what = "atom " + std::to_string(nr);
  std::string line = tvl::text::fmt_i(resnr % 100000, 5);
  line += tvl::text::pad(resname.substr(0, 5), 5);
  const std::string_view atom = name.substr(0, 5);
  line.append(5 - atom.size(), ' ');
  line += atom;
  line += tvl::text::fmt_i(nr % 100000, 5);
  for (double x : r) line += gro_field(x, 8, 3, what);
  if (v)
    for (double x : *v) line += gro_field(x, 8, 4, what);
  return line;
}

std::string gro_box_line(const std::array<double, 3>& box) {
  std::string line;
  for (double x : box) line += gro_field(x, 10, 5, "the box");
  return line;
}

}  // namespace tvl::config
