#include "common/gromacs/top_reader.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "common/error.h"
#include "common/text/fortran.h"

namespace tvl::gmx {

namespace {

using tvl::text::parse_int;
using tvl::text::parse_real;

[[noreturn]] void fail(const Where& at, const std::string& what) { stop_at(at, what); }

std::string where_text(const Where& at) { return at.file + ", line " + std::to_string(at.line); }

// Fields separated by blanks or tabs.
std::vector<std::string_view> fields_of(std::string_view s) {
  std::vector<std::string_view> f;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
    const std::size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r') ++i;
    if (i > b) f.push_back(s.substr(b, i - b));
  }
  return f;
}

enum class Dir {
  none, defaults, atomtypes, bondtypes, constrainttypes, angletypes, dihedraltypes, pairtypes, nonbond_params,
  moleculetype, atoms, bonds, pairs, angles, dihedrals, constraints, settles, exclusions, vsites2, vsites3,
  vsitesn, system, molecules, intermolecular, skip
};

struct Known {
  const char* name;
  Dir dir;
};

constexpr Known known[] = {
    {"defaults", Dir::defaults},
    {"atomtypes", Dir::atomtypes},
    {"bondtypes", Dir::bondtypes},
    {"constrainttypes", Dir::constrainttypes},
    {"angletypes", Dir::angletypes},
    {"dihedraltypes", Dir::dihedraltypes},
    {"pairtypes", Dir::pairtypes},
    {"nonbond_params", Dir::nonbond_params},
    {"moleculetype", Dir::moleculetype},
    {"atoms", Dir::atoms},
    {"bonds", Dir::bonds},
    {"pairs", Dir::pairs},
    {"angles", Dir::angles},
    {"dihedrals", Dir::dihedrals},
    {"constraints", Dir::constraints},
    {"settles", Dir::settles},
    {"exclusions", Dir::exclusions},
    {"virtual_sites2", Dir::vsites2},
    {"dummies2", Dir::vsites2},
    {"virtual_sites3", Dir::vsites3},
    {"dummies3", Dir::vsites3},
    {"virtual_sitesn", Dir::vsitesn},
    {"dummiesn", Dir::vsitesn},
    {"system", Dir::system},
    {"molecules", Dir::molecules},
    {"intermolecular_interactions", Dir::intermolecular},
};

// Directives that change no charge, no mass and no molecule: skipped with a warning.
constexpr const char* skippable[] = {
    "position_restraints", "distance_restraints", "dihedral_restraints", "orientation_restraints",
    "angle_restraints",    "angle_restraints_z",  "cmap",                "cmaptypes",
    "pairs_nb",            "polarization",        "water_polarization",  "thole_polarization",
    "virtual_sites4",      "implicit_genborn_params", "implicit_surface_params", "virtual_sites1"};

struct Reader {
  Topology top;
  std::vector<std::string>& warnings;
  std::unordered_map<std::string, int> atomtype;
  std::unordered_map<std::string, int> moltype;
  Dir dir = Dir::none;
  bool intermolecular = false;

  MoleculeType& current(const Line& l) {
    if (top.moltypes.empty()) fail(l.at, "a molecule directive before any [ moleculetype ]");
    return top.moltypes.back();
  }

  double real(std::string_view f, const Line& l, const char* what) {
    double v = 0;
    if (!parse_real(f, v)) fail(l.at, std::string("cannot read ") + what + " \"" + std::string(f) + "\"");
    return v;
  }
  int integer(std::string_view f, const Line& l, const char* what) {
    int v = 0;
    if (!parse_int(f, v)) fail(l.at, std::string("cannot read ") + what + " \"" + std::string(f) + "\"");
    return v;
  }
  std::vector<double> params(const std::vector<std::string_view>& f, std::size_t from, const Line& l) {
    std::vector<double> p;
    for (std::size_t i = from; i < f.size(); ++i) p.push_back(real(f[i], l, "parameter"));
    return p;
  }

  void header(const Line& l) {
    const std::size_t close = l.text.find(']');
    if (close == std::string::npos) fail(l.at, "directive without closing ]");
    const std::vector<std::string_view> words = fields_of(std::string_view(l.text).substr(1, close - 1));
    if (words.size() != 1) fail(l.at, "a directive must be one name between [ and ]");
    std::string name(words[0]);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Known& k : known)
      if (name == k.name) {
        dir = k.dir;
        if (dir == Dir::intermolecular) {
          intermolecular = true;
          warnings.push_back("[ " + name + " ] at " + where_text(l.at) +
                             " skipped: it changes no charge, mass or molecule");
          dir = Dir::skip;
        } else if (intermolecular && dir >= Dir::bonds && dir <= Dir::vsitesn) {
          dir = Dir::skip;  // terms between molecules, part of the skipped section
        }
        return;
      }
    for (const char* s : skippable)
      if (name == s) {
        warnings.push_back("[ " + name + " ] at " + where_text(l.at) +
                           " skipped: it changes no charge, mass or molecule");
        dir = Dir::skip;
        return;
      }
    fail(l.at, "unknown directive [ " + name + " ]");
  }

  void defaults(const Line& l, const std::vector<std::string_view>& f) {
    Defaults& d = top.defaults;
    if (d.given) fail(l.at, "a second [ defaults ] line");
    if (f.size() < 2) fail(l.at, "[ defaults ] needs at least nbfunc and comb-rule");
    d.nbfunc = integer(f[0], l, "nbfunc");
    d.comb_rule = integer(f[1], l, "comb-rule");
    if (d.comb_rule < 1 || d.comb_rule > 3) fail(l.at, "comb-rule must be 1, 2 or 3");
    if (f.size() > 2) {
      std::string g(f[2]);
      for (char& c : g) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (g != "yes" && g != "no") fail(l.at, "gen-pairs must be yes or no");
      d.gen_pairs = g == "yes";
    }
    if (f.size() > 3) d.fudge_lj = real(f[3], l, "fudgeLJ");
    if (f.size() > 4) d.fudge_qq = real(f[4], l, "fudgeQQ");
    d.given = true;
    d.at = l.at;
  }

  static bool ptype_field(std::string_view s) {
    return s.size() == 1 && std::isalpha(static_cast<unsigned char>(s[0]));
  }

  // name [bonded-type] [at.num] mass charge ptype V W: the optional columns
  // are told apart by where the one-letter particle type stands.
  void atomtypes(const Line& l, const std::vector<std::string_view>& f) {
    if (f.size() < 6) fail(l.at, "[ atomtypes ] line too short");
    AtomType t;
    t.name = std::string(f[0]);
    t.bonded_type = t.name;
    std::size_t p = 0;
    if (ptype_field(f[3])) {
      p = 3;
    } else if (f.size() > 5 && ptype_field(f[5])) {
      p = 5;
      t.bonded_type = std::string(f[1]);
      t.atomic_number = integer(f[2], l, "atomic number");
    } else if (ptype_field(f[4])) {
      p = 4;
      if (std::isalpha(static_cast<unsigned char>(f[1][0])))
        t.bonded_type = std::string(f[1]);
      else
        t.atomic_number = integer(f[1], l, "atomic number");
    } else {
      fail(l.at, "[ atomtypes ] line without a particle type (A, S, V or D)");
    }
    if (f.size() < p + 3) fail(l.at, "[ atomtypes ] line too short");
    t.mass = real(f[p - 2], l, "mass");
    t.charge = real(f[p - 1], l, "charge");
    t.ptype = std::string(f[p]);
    t.v = real(f[p + 1], l, "V");
    t.w = real(f[p + 2], l, "W");
    t.at = l.at;
    const auto [it, fresh] = atomtype.emplace(t.name, static_cast<int>(top.atomtypes.size()));
    if (fresh) {
      top.atomtypes.push_back(std::move(t));
    } else {
      warnings.push_back("atom type " + t.name + " at " + where_text(l.at) + " replaces its definition at " +
                         where_text(top.atomtypes[it->second].at));
      top.atomtypes[it->second] = std::move(t);
    }
  }

  void types(const Line& l, const std::vector<std::string_view>& f, std::size_t n, std::vector<TypeParams>& into) {
    if (f.size() < n + 1) fail(l.at, "line too short");
    TypeParams t;
    for (std::size_t i = 0; i < n; ++i) t.types.emplace_back(f[i]);
    t.func = integer(f[n], l, "function type");
    t.params = params(f, n + 1, l);
    t.at = l.at;
    into.push_back(std::move(t));
  }

  // Four type names, or two in the older form: the central atoms of a
  // proper dihedral, the outer ones of an improper (functions 2 and 4).
  void dihedraltypes(const Line& l, const std::vector<std::string_view>& f) {
    int func = 0;
    if (f.size() >= 3 && parse_int(f[2], func)) {
      TypeParams t;
      const std::string a(f[0]), b(f[1]);
      t.types = func == 2 || func == 4 ? std::vector<std::string>{a, "X", "X", b}
                                       : std::vector<std::string>{"X", a, b, "X"};
      t.func = func;
      t.params = params(f, 3, l);
      t.at = l.at;
      top.dihedraltypes.push_back(std::move(t));
    } else {
      types(l, f, 4, top.dihedraltypes);
    }
  }

  void moleculetype(const Line& l, const std::vector<std::string_view>& f) {
    if (f.size() < 2) fail(l.at, "[ moleculetype ] needs a name and nrexcl");
    MoleculeType m;
    m.name = std::string(f[0]);
    m.nrexcl = integer(f[1], l, "nrexcl");
    m.at = l.at;
    if (!moltype.emplace(m.name, static_cast<int>(top.moltypes.size())).second)
      fail(l.at, "a second molecule type named " + m.name);
    top.moltypes.push_back(std::move(m));
  }

  // nr type resnr residue atom cgnr [charge [mass]]
  void atoms(const Line& l, const std::vector<std::string_view>& f) {
    MoleculeType& m = current(l);
    if (f.size() < 5) fail(l.at, "[ atoms ] line too short");
    if (integer(f[0], l, "atom number") != static_cast<int>(m.atoms.size()) + 1)
      fail(l.at, "atoms of " + m.name + " are not numbered 1, 2, 3, ...");
    Atom a;
    a.type = std::string(f[1]);
    const auto it = atomtype.find(a.type);
    if (it == atomtype.end()) fail(l.at, "atom type " + a.type + " is not defined");
    const AtomType& t = top.atomtypes[it->second];
    // the residue number may carry an insertion code ("12A")
    std::size_t k = 0;
    while (k < f[2].size() && (std::isdigit(static_cast<unsigned char>(f[2][k])) || (k == 0 && f[2][k] == '-'))) ++k;
    a.resnr = integer(f[2].substr(0, k), l, "residue number");
    a.residue = std::string(f[3]);
    a.name = std::string(f[4]);
    a.cgnr = f.size() > 5 ? integer(f[5], l, "charge group") : a.resnr;
    a.charge = t.charge;
    a.mass = t.mass;
    if (f.size() > 6) {
      a.charge = real(f[6], l, "charge");
      a.charge_given = true;
    }
    if (f.size() > 7) {
      a.mass = real(f[7], l, "mass");
      a.mass_given = true;
    }
    a.at = l.at;
    m.atoms.push_back(std::move(a));
  }

  int atom(std::string_view s, const MoleculeType& m, const Line& l) {
    const int i = integer(s, l, "atom number");
    if (i < 1 || i > static_cast<int>(m.atoms.size()))
      fail(l.at, "atom " + std::to_string(i) + " does not exist in " + m.name + " (" +
                     std::to_string(m.atoms.size()) + " atoms)");
    return i - 1;
  }

  // n atoms, then the function (1 when absent), then the parameters.
  void term(const Line& l, const std::vector<std::string_view>& f, std::size_t n, std::vector<Term>& into) {
    MoleculeType& m = current(l);
    if (f.size() < n) fail(l.at, "line too short");
    Term t;
    for (std::size_t i = 0; i < n; ++i) t.atoms.push_back(atom(f[i], m, l));
    t.func = f.size() > n ? integer(f[n], l, "function type") : 1;
    t.params = params(f, n + 1, l);
    t.at = l.at;
    into.push_back(std::move(t));
  }

  void vsitesn(const Line& l, const std::vector<std::string_view>& f) {
    MoleculeType& m = current(l);
    if (f.size() < 3) fail(l.at, "line too short");
    Term t;
    t.atoms.push_back(atom(f[0], m, l));
    t.func = integer(f[1], l, "function type");
    for (std::size_t i = 2; i < f.size(); ++i) {
      t.atoms.push_back(atom(f[i], m, l));
      if (t.func == 3) {
        if (++i >= f.size()) fail(l.at, "a weight is missing");
        t.params.push_back(real(f[i], l, "weight"));
      }
    }
    t.at = l.at;
    m.vsitesn.push_back(std::move(t));
  }

  void exclusions(const Line& l, const std::vector<std::string_view>& f) {
    MoleculeType& m = current(l);
    Term t;
    for (std::string_view s : f) t.atoms.push_back(atom(s, m, l));
    t.at = l.at;
    m.exclusions.push_back(std::move(t));
  }

  void molecules(const Line& l, const std::vector<std::string_view>& f) {
    if (f.size() < 2) fail(l.at, "[ molecules ] needs a name and a count");
    const std::string name(f[0]);
    if (!moltype.count(name)) fail(l.at, "molecule type " + name + " is not defined");
    long long n = 0;
    if (!parse_int(f[1], n) || n < 0) fail(l.at, "cannot read the count \"" + std::string(f[1]) + "\"");
    top.molecules.emplace_back(name, n);
  }

  void line(const Line& l) {
    if (l.text[0] == '[') {
      header(l);
      return;
    }
    const std::vector<std::string_view> f = fields_of(l.text);
    switch (dir) {
      case Dir::none: fail(l.at, "a line before the first directive");
      case Dir::skip: return;
      case Dir::intermolecular: return;
      case Dir::defaults: return defaults(l, f);
      case Dir::atomtypes: return atomtypes(l, f);
      case Dir::bondtypes: return types(l, f, 2, top.bondtypes);
      case Dir::constrainttypes: return types(l, f, 2, top.constrainttypes);
      case Dir::angletypes: return types(l, f, 3, top.angletypes);
      case Dir::dihedraltypes: return dihedraltypes(l, f);
      case Dir::pairtypes: return types(l, f, 2, top.pairtypes);
      case Dir::nonbond_params: return types(l, f, 2, top.nonbond_params);
      case Dir::moleculetype: return moleculetype(l, f);
      case Dir::atoms: return atoms(l, f);
      case Dir::bonds: return term(l, f, 2, current(l).bonds);
      case Dir::pairs: return term(l, f, 2, current(l).pairs);
      case Dir::angles: return term(l, f, 3, current(l).angles);
      case Dir::dihedrals: return term(l, f, 4, current(l).dihedrals);
      case Dir::constraints: return term(l, f, 2, current(l).constraints);
      case Dir::settles: return term(l, f, 1, current(l).settles);
      case Dir::exclusions: return exclusions(l, f);
      case Dir::vsites2: return term(l, f, 3, current(l).vsites2);
      case Dir::vsites3: return term(l, f, 4, current(l).vsites3);
      case Dir::vsitesn: return vsitesn(l, f);
      case Dir::system:
        if (!top.system_name.empty()) top.system_name += ' ';
        top.system_name += l.text;
        return;
      case Dir::molecules: return molecules(l, f);
    }
  }
};

// Parameters of the A state per directive family and function.
struct Count {
  const char* kind;
  int func;
  int n;
};
constexpr Count counts[] = {
    {"bonds", 1, 2},       {"bonds", 2, 2},       {"bonds", 3, 3},       {"bonds", 4, 3},
    {"bonds", 5, 0},       {"bonds", 6, 2},       {"bonds", 7, 2},       {"bonds", 8, 2},
    {"bonds", 9, 2},       {"bonds", 10, 4},      {"angles", 1, 2},      {"angles", 2, 2},
    {"angles", 3, 3},      {"angles", 4, 4},      {"angles", 5, 4},      {"angles", 6, 6},
    {"angles", 8, 2},      {"angles", 9, 2},      {"angles", 10, 2},     {"dihedrals", 1, 3},
    {"dihedrals", 2, 2},   {"dihedrals", 3, 6},   {"dihedrals", 4, 3},   {"dihedrals", 5, 4},
    {"dihedrals", 8, 2},   {"dihedrals", 9, 3},   {"dihedrals", 10, 2},  {"dihedrals", 11, 4},
    {"pairs", 1, 2},       {"pairs", 2, 5},       {"constraints", 1, 1}, {"constraints", 2, 1}};

bool matches(const std::vector<std::string>& want, const std::vector<const std::string*>& have, bool wild,
             bool reverse, int& exact) {
  exact = 0;
  const std::size_t n = want.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& w = want[i];
    const std::string& h = *have[reverse ? n - 1 - i : i];
    if (wild && w == "X") continue;
    if (w != h) return false;
    ++exact;
  }
  return true;
}

}  // namespace

Topology read_topology(const std::vector<Line>& lines, std::vector<std::string>& warnings) {
  Reader r{{}, warnings, {}, {}};
  for (const Line& l : lines) r.line(l);
  return std::move(r.top);
}

int param_count(const std::string& kind, int func) {
  for (const Count& c : counts)
    if (kind == c.kind && func == c.func) return c.n;
  return -1;
}

TypeIndex index_of(const Topology& top) {
  TypeIndex idx;
  for (std::size_t i = 0; i < top.atomtypes.size(); ++i) idx.atomtype.emplace(top.atomtypes[i].name, static_cast<int>(i));
  for (std::size_t i = 0; i < top.moltypes.size(); ++i) idx.moltype.emplace(top.moltypes[i].name, static_cast<int>(i));
  return idx;
}

std::vector<std::vector<double>> term_params(const Topology& top, const TypeIndex& idx, const MoleculeType& mt,
                                             const std::vector<TypeParams>& types, const std::string& kind,
                                             const Term& term) {
  const int n = param_count(kind, term.func);
  auto a_state = [n](const std::vector<double>& p) {
    return n >= 0 && static_cast<int>(p.size()) > n ? std::vector<double>(p.begin(), p.begin() + n) : p;
  };
  if (!term.params.empty()) return {a_state(term.params)};

  std::vector<const std::string*> names;
  for (int a : term.atoms) {
    const std::string& type = mt.atoms[static_cast<std::size_t>(a)].type;
    const auto it = idx.atomtype.find(type);
    const AtomType* at = it == idx.atomtype.end() ? nullptr : &top.atomtypes[static_cast<std::size_t>(it->second)];
    names.push_back(at && kind != "pairs" ? &at->bonded_type : &type);
  }
  const bool dihedral = kind == "dihedrals";
  int best = -1;
  std::size_t best_at = 0;
  // Non-dihedral types: the last definition wins, as a later line overrides.
  for (std::size_t i = 0; i < types.size(); ++i) {
    const TypeParams& t = types[i];
    if (t.func != term.func || t.types.size() != names.size()) continue;
    int e1 = 0, e2 = 0;
    const bool f = matches(t.types, names, dihedral, false, e1);
    const bool b = matches(t.types, names, dihedral, true, e2);
    if (!f && !b) continue;
    const int score = std::max(f ? e1 : -1, b ? e2 : -1);
    if (dihedral ? score > best : true) {
      best = score;
      best_at = i;
    }
  }
  if (best < 0) return {};
  std::vector<std::vector<double>> sets{a_state(types[best_at].params)};
  if (dihedral && term.func == 9)
    for (std::size_t i = best_at + 1; i < types.size() && types[i].func == 9 && types[i].types == types[best_at].types; ++i)
      sets.push_back(a_state(types[i].params));
  return sets;
}

}  // namespace tvl::gmx
