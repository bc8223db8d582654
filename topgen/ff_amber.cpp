// AMBER parameter files: one parm file (gaff.dat, parm10.dat) and frcmod
// files read after it, as loadamberparams reads them, into topgen's
// force-field tables in the units of the system file.
//
// Type names stand in 2-column fields joined by "-" (a blank inside a field
// is allowed: "c -os" is c and os); the numbers after the names are read
// free-format and anything after the numbers is a comment. Names are folded
// to lower case like every label of topgen. An entry whose types (in either
// direction) were given before replaces the earlier one in its place, so a
// frcmod changes parameters without changing the order of the tables.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/error.h"
#include "common/infile.h"
#include "common/text/fortran.h"
#include "common/text/records.h"
#include "topgen/elements.h"
#include "topgen/input.h"
#include "topgen/readers.h"

namespace tvl::topgen {

namespace {

namespace tx = tvl::text;

constexpr double kcal = 4.184;               // kJ per kcal
constexpr double gas_constant = 0.00831451;  // kJ/mol per K, the system file's own
const double sixth_root_2 = std::pow(2.0, 1.0 / 6.0);

// One parameter file read line by line, with the stops that name it.
class ParmLines {
 public:
  explicit ParmLines(const std::string& name) : name_(name), f_(open_in(name)), in_(f_.get()) {
    if (!f_) cannot_open(name);
  }
  // The next line; false at the end of the file.
  bool next() {
    switch (in_.next(text_)) {
      case tx::LineReader::Status::ok: return true;
      case tx::LineReader::Status::eof: return false;
      case tx::LineReader::Status::too_long: fail("the line is too long");
      case tx::LineReader::Status::error: break;
    }
    stop({" ERROR: cannot read file " + tx::quoted(name_)});
  }
  const std::string& text() const { return text_; }
  bool blank() const { return text_.find_first_not_of(" \t\r") == std::string::npos; }
  [[noreturn]] void fail(std::string_view what) const { file_error(name_, in_.line_number(), text_, what); }
  // A converted value, refused here (with file and line) when it is not a
  // finite number, as the other force-field readers refuse theirs.
  double finite(double v, std::string_view what) const {
    if (!std::isfinite(v)) fail(std::string(what) + " is not a finite number: " + tx::free_real(v));
    return v;
  }
  const std::string& name() const { return name_; }
  long line() const { return in_.line_number(); }

 private:
  std::string name_;
  InFile f_;
  tx::LineReader in_;
  std::string text_;
};

std::string folded(std::string_view s) {
  std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
  std::string r = a == std::string_view::npos ? std::string() : std::string(s.substr(a, b - a + 1));
  rec::low_case(r);
  return r;
}

// A type name becomes a label of the system file (c3_1): it must not hold
// what would end or split a word there.
void check_type(const ParmLines& f, const std::string& type) {
  if (type.find_first_of(" \t#,=\"{}") != std::string::npos)
    f.fail("the type name " + type + " holds a blank, \"#\", \",\", \"=\", a double quote or a brace");
}

// An entry of the sections with joined names: the k type names and the
// numbers after them (at least `need`).
template <std::size_t K>
struct Entry {
  std::array<std::string, K> type;
  std::vector<double> v;
};

template <std::size_t K>
Entry<K> entry(const ParmLines& f, std::size_t need) {
  const std::string& s = f.text();
  Entry<K> e;
  for (std::size_t i = 0; i < K; ++i) {
    e.type[i] = folded(tx::field(s, 3 * i + 1, 2));
    if (e.type[i].empty()) f.fail("type name " + std::to_string(i + 1) + " is blank");
    check_type(f, e.type[i]);
    if (i + 1 < K && tx::field(s, 3 * i + 3, 1) != "-")
      f.fail("type names must be 2-column fields joined by \"-\" (column " + std::to_string(3 * i + 3) + ")");
  }
  const std::vector<std::string> w = tx::free_words(s.size() > 3 * K - 1 ? std::string_view(s).substr(3 * K - 1) : "");
  if (w.size() < need) f.fail(std::to_string(need) + " numbers are needed after the type names");
  for (std::size_t i = 0; i < need; ++i) {
    double x = 0;
    if (!tx::parse_real(w[i], x) || !std::isfinite(x)) f.fail("number " + std::to_string(i + 1) + " (" + w[i] + ") is not a number");
    e.v.push_back(x);
  }
  return e;
}

// A line whose first word is the type name: MASS and NONBON entries.
struct Named {
  std::string type;
  std::vector<double> v;
};
Named named(const ParmLines& f, std::size_t need) {
  std::vector<std::string> w = tx::free_words(f.text());
  if (w.size() < need + 1) f.fail("a type name and " + std::to_string(need) + " numbers are needed");
  Named n{folded(w[0]), {}};
  if (n.type.size() > label_len) f.fail("the type name " + w[0] + " is longer than " + std::to_string(label_len) + " characters");
  check_type(f, n.type);
  for (std::size_t i = 1; i <= need; ++i) {
    double x = 0;
    if (!tx::parse_real(w[i], x) || !std::isfinite(x)) f.fail("number " + std::to_string(i) + " (" + w[i] + ") is not a number");
    n.v.push_back(x);
  }
  return n;
}

std::string joined(const std::string* t, std::size_t k, bool reverse) {
  std::string s;
  for (std::size_t i = 0; i < k; ++i) s += (i ? "-" : "") + t[reverse ? k - 1 - i : i];
  return s;
}
// A key for names that mean the same entry read in either direction.
template <std::size_t K>
std::string key(const std::array<std::string, K>& t) {
  return std::min(joined(t.data(), K, false), joined(t.data(), K, true));
}
// Impropers: the centre (third name) and the three others in any order.
std::string improper_key(std::array<std::string, 4> t) {
  std::array<std::string, 3> outer = {t[0], t[1], t[3]};
  std::sort(outer.begin(), outer.end());
  return t[2] + ":" + outer[0] + "-" + outer[1] + "-" + outer[2];
}

// A table whose entries are replaced by later entries of the same key.
template <class T>
struct Keyed {
  std::vector<T> rows;
  std::unordered_map<std::string, std::size_t> at;
  void put(const std::string& k, T row, std::string_view what) {
    auto it = at.find(k);
    if (it != at.end()) {
      rows[it->second] = std::move(row);
      return;
    }
    at.emplace(k, rows.size());
    append(rows, std::move(row), what);
  }
};

struct Nonbon {
  double rstar = 0, epsilon = 0;  // A, kcal/mol
};

struct Tables {
  Keyed<SiteType> sites;
  Keyed<BondType> bonds;
  Keyed<AngleType> angles;
  Keyed<std::vector<DihedType>> dihedrals;  // the terms of one torsion
  Keyed<ImdhType> impropers;
  std::unordered_map<std::string, Nonbon> nonbon;
  std::vector<std::string> nonbon_order;  // types in order of their first entry
};

void mass(const ParmLines& f, Tables& t) {
  Named n = named(f, 1);
  if (n.v[0] < 0) f.fail("the mass is negative");
  t.sites.put(n.type, SiteType{n.type, n.v[0], bond_radius_of_mass(n.v[0]), 0, 0, 0}, "site types");
}

void bond(const ParmLines& f, Tables& t) {
  Entry<2> e = entry<2>(f, 2);
  t.bonds.put(key(e.type), BondType{e.type, f.finite(2 * kcal * e.v[0], "the force constant in kJ/mol"), e.v[1]}, "bond types");
}

void angle(const ParmLines& f, Tables& t) {
  Entry<3> e = entry<3>(f, 2);
  t.angles.put(key(e.type), AngleType{e.type, f.finite(2 * kcal * e.v[0], "the force constant in kJ/mol"), e.v[1]}, "angle types");
}

// Torsions: IDIVF, PK, PHASE, PN; a negative PN announces more terms of the
// same torsion on the next line. The terms of one torsion replace all terms
// that an earlier entry of it had.
struct TorsionReader {
  std::string open;  // key of a torsion whose terms continue, else empty
  std::vector<DihedType> terms;

  void line(const ParmLines& f, Tables& t) {
    Entry<4> e = entry<4>(f, 4);
    const std::string k = key(e.type);
    if (!open.empty() && k != open) f.fail("the torsion " + open + " announced more terms (negative periodicity)");
    if (e.v[0] == 0) f.fail("the divisor IDIVF is 0");
    terms.push_back(DihedType{e.type, f.finite(kcal * e.v[1] / e.v[0], "the barrier divided by the divisor"), std::fabs(e.v[3]), e.v[2]});
    if (e.v[3] < 0) {
      open = k;
      return;
    }
    open.clear();
    t.dihedrals.put(k, std::move(terms), "dihedral types");
    terms.clear();
  }
  void end(const ParmLines& f) const {
    if (!open.empty()) f.fail("the section ends but the torsion " + open + " announced more terms");
  }
};

void improper(const ParmLines& f, Tables& t) {
  Entry<4> e = entry<4>(f, 3);
  t.impropers.put(improper_key(e.type), ImdhType{e.type, f.finite(kcal * e.v[0], "the barrier in kJ/mol"), std::fabs(e.v[2]), e.v[1]},
                  "improper dihedral types");
}

void nonbon(const ParmLines& f, Tables& t) {
  Named n = named(f, 2);
  if (n.v[0] < 0 || n.v[1] < 0) f.fail("R* and epsilon must not be negative");
  if (t.nonbon.insert_or_assign(n.type, Nonbon{n.v[0], n.v[1]}).second) t.nonbon_order.push_back(n.type);
}

// Lines of a section up to its blank line (or the end of the file); false
// when the file ended.
template <class F>
bool section(ParmLines& f, F&& each) {
  while (f.next())
    if (f.blank())
      return true;
    else
      each();
  return false;
}

// The parm file: title, MASS, the hydrophilic line, BOND, ANGLE, DIHE,
// IMPROPER, HBOND (skipped), the equivalence lines, one NONBON block; what
// follows its blank line (END, notes) is not read.
void read_parm(const std::string& file, Tables& t) {
  ParmLines f(file);
  // Every section up to NONBON must be there, if empty: a file that ends
  // before is cut short.
  auto more = [&f](bool ended_by_blank, const char* next) {
    if (!ended_by_blank) f.fail(std::string("the file ends before its ") + next + " section");
  };
  more(f.next(), "MASS");  // the title
  more(section(f, [&] { mass(f, t); }), "BOND");
  more(f.next(), "BOND");  // the hydrophilic types
  more(section(f, [&] { bond(f, t); }), "ANGLE");
  more(section(f, [&] { angle(f, t); }), "DIHE");
  TorsionReader tr;
  const bool dihe = section(f, [&] { tr.line(f, t); });
  tr.end(f);
  more(dihe, "IMPROPER");
  more(section(f, [&] { improper(f, t); }), "HBOND");
  more(section(f, [] {}), "equivalence");  // 10-12 hydrogen bonds: not used
  // Equivalences: the first type of a line lends its Lennard-Jones parameters
  // to the others (fields of 4 columns).
  std::vector<std::vector<std::string>> groups;
  more(section(f, [&] {
    std::vector<std::string> g;
    for (std::size_t col = 1; col <= f.text().size(); col += 4)
      if (std::string n = folded(tx::field(f.text(), col, 2)); !n.empty()) g.push_back(n);
    if (g.empty() || g[0] != folded(tx::field(f.text(), 1, 2)))
      f.fail("an equivalence line begins with its type in columns 1-2");
    groups.push_back(std::move(g));
  }), "NONBON");
  // The NONBON header: a label and the kind in columns 11-12.
  while (f.next() && f.blank()) {
  }
  if (f.blank()) f.fail("the file ends before its NONBON section");
  const std::vector<std::string> head = tx::free_words(f.text());
  const std::string kind = head.size() >= 2 ? head[1] : folded(tx::field(f.text(), 11, 2));
  if (kind != "RE" && kind != "re")
    f.fail("nonbonded parameters of kind " + (kind.empty() ? std::string("(none)") : kind) +
           " are not supported (only R* and epsilon, kind RE)");
  section(f, [&] { nonbon(f, t); });
  for (const auto& g : groups) {
    auto ref = t.nonbon.find(g[0]);
    if (ref == t.nonbon.end()) {
      warning("file " + file + ": the equivalence of " + g[0] + " is ignored (no nonbonded entry for it)");
      continue;
    }
    const Nonbon p = ref->second;
    for (std::size_t i = 1; i < g.size(); ++i)
      if (t.nonbon.insert_or_assign(g[i], p).second) t.nonbon_order.push_back(g[i]);
  }
}

// A frcmod file: a title, then sections headed by their keyword (first four
// letters), each ended by a blank line.
void read_frcmod(const std::string& file, Tables& t) {
  ParmLines f(file);
  if (!f.next()) f.fail("the file is empty");  // else its first line is the title
  while (f.next()) {
    if (f.blank()) continue;
    const std::vector<std::string> words = tx::free_words(f.text());
    const std::string head = words.empty() ? std::string() : folded(words[0]).substr(0, 4);
    if (head == "mass") {
      section(f, [&] { mass(f, t); });
    } else if (head == "bond") {
      section(f, [&] { bond(f, t); });
    } else if (head == "angl") {
      section(f, [&] { angle(f, t); });
    } else if (head == "dihe") {
      TorsionReader tr;
      section(f, [&] { tr.line(f, t); });
      tr.end(f);
    } else if (head == "impr") {
      section(f, [&] { improper(f, t); });
    } else if (head == "nonb") {
      section(f, [&] { nonbon(f, t); });
    } else {
      warning("file " + file + ", line " + std::to_string(f.line()) + ": section " +
              (words.empty() ? f.text() : words[0]) + " is skipped");
      section(f, [] {});
    }
  }
}

}  // namespace

ForceField read_amber(const std::string& parm, const std::vector<std::string>& frcmods) {
  Tables t;
  read_parm(parm, t);
  for (const std::string& m : frcmods) read_frcmod(m, t);
  ForceField ff;
  ff.scale_coulomb14 = 1 / 1.2;
  ff.scale_lj14 = 0.5;
  ff.sites = std::move(t.sites.rows);
  for (SiteType& s : ff.sites) {
    auto it = t.nonbon.find(s.label);
    if (it == t.nonbon.end()) continue;
    s.lj_sigma = 2 * it->second.rstar / sixth_root_2;
    s.lj_epsilon = it->second.epsilon * kcal / gas_constant;
    s.lj_def = 1;
  }
  for (const std::string& type : t.nonbon_order)
    if (!t.sites.at.contains(type))
      warning("nonbonded parameters of type " + type + " are not used: the type has no mass entry");
  ff.bonds = std::move(t.bonds.rows);
  ff.angles = std::move(t.angles.rows);
  for (auto& terms : t.dihedrals.rows)
    for (DihedType& d : terms) append(ff.dihedrals, std::move(d), "dihedral types");
  ff.impropers = std::move(t.impropers.rows);
  return ff;
}

}  // namespace tvl::topgen
