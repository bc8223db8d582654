#include "interop/top2sys_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <tuple>

#include "common/error.h"
#include "common/gromacs/preprocessor.h"
#include "common/gromacs/top_reader.h"
#include "common/text/fortran.h"

namespace tvl::interop {

namespace gx = tvl::gmx;

namespace {

constexpr double angstrom_per_nm = 1.0 / gx::nm_per_angstrom;

[[noreturn]] void fail(const std::string& what) { tvl::stop({tvl::text::free_text("ERROR: " + what)}); }

[[noreturn]] void fail_at(const gx::Where& at, const std::string& what) { gx::stop_at(at, what); }

// Numbers as the file holds them: 12 significant digits, enough to carry
// every parameter of a topology and short enough to read.
std::string num(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.12g", v == 0.0 ? 0.0 : v);
  return b;
}

// The pieces joined by single blanks.
std::string words(std::initializer_list<std::string> parts) {
  std::string s;
  for (const std::string& p : parts) {
    if (!s.empty()) s += ' ';
    s += p;
  }
  return s;
}

std::string atoms_text(const std::vector<int>& atoms) {
  std::string s;
  for (int a : atoms) {
    s += ' ';
    s += std::to_string(a + 1);
  }
  return s;
}

// sigma (nm) and epsilon (kJ/mol) from a pair of LJ parameters of comb-rule `comb`.
std::pair<double, double> sigma_epsilon(double v, double w, int comb) {
  if (comb != 1) return {v, w};
  if (v == 0.0 || w == 0.0) return {0.0, 0.0};
  return {std::pow(w / v, 1.0 / 6.0), v * v / (4.0 * w)};
}

// The combination of two atom types' LJ parameters (V, W) under comb-rule `comb`.
std::pair<double, double> combine(const gx::AtomType& a, const gx::AtomType& b, int comb) {
  if (comb == 2) return {0.5 * (a.v + b.v), std::sqrt(a.w * b.w)};
  return {std::sqrt(a.v * b.v), std::sqrt(a.w * b.w)};
}

const gx::TypeParams* nonbond_pair(const gx::Topology& top, const std::string& a, const std::string& b) {
  for (const gx::TypeParams& t : top.nonbond_params)
    if (t.types.size() == 2 && ((t.types[0] == a && t.types[1] == b) || (t.types[0] == b && t.types[1] == a)))
      return &t;
  return nullptr;
}

std::string sane(const std::string& s) {
  std::string r = s;
  for (char& c : r) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '#' || c == ',' || c == '=' || c == '{' || c == '}' || c == ' ' || c == '\t') c = '_';
  }
  return r;
}

// Minimum image of d in the GRO box (triclinic boxes included).
void min_image(const std::array<double, 9>& box, std::array<double, 3>& d) {
  const std::array<double, 3> a{box[0], box[3], box[4]}, b{box[5], box[1], box[6]}, c{box[7], box[8], box[2]};
  auto shift = [&](const std::array<double, 3>& v, int k) {
    if (v[k] <= 0.0) return;
    const double n = std::round(d[k] / v[k]);
    for (int i = 0; i < 3; ++i) d[i] -= n * v[i];
  };
  shift(c, 2);
  shift(b, 1);
  shift(a, 0);
}

// Counts of the terms written as comments, one warning per kind.
struct Unmapped {
  std::vector<std::pair<std::string, int>> kinds;
  void add(const std::string& kind) {
    for (auto& k : kinds)
      if (k.first == kind) {
        ++k.second;
        return;
      }
    kinds.emplace_back(kind, 1);
  }
};

const char* bond_kind(int f) {
  switch (f) {
    case 2: return "GROMOS-96 bond";
    case 3: return "Morse bond";
    case 4: return "cubic bond";
    case 5: return "connection";
    case 7: return "FENE bond";
    case 8: case 9: return "tabulated bond";
    case 10: return "restraint potential bond";
    default: return "bond";
  }
}
const char* angle_kind(int f) {
  switch (f) {
    case 2: return "GROMOS-96 angle";
    case 3: return "cross bond-bond term";
    case 4: return "cross bond-angle term";
    case 5: return "Urey-Bradley angle";
    case 6: return "quartic angle";
    case 8: return "tabulated angle";
    case 9: return "linear angle";
    case 10: return "restricted bending angle";
    default: return "angle";
  }
}
const char* dihedral_kind(int f) {
  switch (f) {
    case 3: return "Ryckaert-Bellemans dihedral with C5";
    case 5: return "Fourier dihedral";
    case 8: return "tabulated dihedral";
    case 10: return "restricted dihedral";
    case 11: return "combined bending-torsion dihedral";
    default: return "dihedral";
  }
}

struct Proper {
  std::vector<int> atoms;
  std::vector<std::array<double, 3>> terms;  // k, multiplicity, phase (degrees)
};

// One molecule type's section of the system file.
struct MolWriter {
  const gx::Topology& top;
  const gx::TypeIndex& idx;
  const gx::MoleculeType& mt;
  Unmapped& unmapped;

  std::vector<std::string> constraints, bonds, angles, dihedrals, nonbonded, virtuals;
  std::vector<bool> virtual_site;

  std::vector<std::vector<double>> params(const std::vector<gx::TypeParams>& types, const char* kind,
                                          const gx::Term& t, std::size_t need) {
    std::vector<std::vector<double>> p = gx::term_params(top, idx, mt, types, kind, t);
    if (p.empty())
      fail_at(t.at, std::string("no parameters for ") + kind + " function " + std::to_string(t.func) + " of atoms" +
                        atoms_text(t.atoms));
    for (const auto& s : p)
      if (s.size() < need)
        fail_at(t.at, std::string("too few parameters for ") + kind + " function " + std::to_string(t.func));
    return p;
  }

  void comment(std::vector<std::string>& into, const std::string& kind, const gx::Term& t) {
    into.push_back("# " + kind + atoms_text(t.atoms) + " (no system-file form)");
    unmapped.add(kind);
  }

  void constraint(int a, int b, double d_nm) {
    constraints.push_back(words({std::to_string(a + 1), std::to_string(b + 1), num(d_nm * angstrom_per_nm)}));
  }

  void map_bonds() {
    for (const gx::Term& t : mt.bonds) {
      if (t.func == 1 || t.func == 6) {
        const auto p = params(top.bondtypes, "bonds", t, 2)[0];
        bonds.push_back(words({"harmonic" + atoms_text(t.atoms), num(p[1] * gx::nm_per_angstrom * gx::nm_per_angstrom),
                               num(p[0] * angstrom_per_nm)}));
      } else if (t.func != 5) {  // a connection has no energy at all
        comment(bonds, bond_kind(t.func), t);
      }
    }
  }

  void map_constraints() {
    for (const gx::Term& t : mt.constraints) {
      std::vector<std::vector<double>> p = gx::term_params(top, idx, mt, top.constrainttypes, "constraints", t);
      if (p.empty()) {  // as grompp: a constraint may take its length from the bond types
        gx::Term b = t;
        b.func = 1;
        p = gx::term_params(top, idx, mt, top.bondtypes, "bonds", b);
      }
      if (p.empty() || p[0].empty())
        fail_at(t.at, "no length for the constraint of atoms" + atoms_text(t.atoms));
      constraint(t.atoms[0], t.atoms[1], p[0][0]);
    }
    for (const gx::Term& t : mt.settles) {
      if (t.params.size() < 2) fail_at(t.at, "[ settles ] needs doh and dhh");
      const int o = t.atoms[0];
      if (o + 2 >= static_cast<int>(mt.atoms.size())) fail_at(t.at, "[ settles ] needs the two atoms after the oxygen");
      constraint(o, o + 1, t.params[0]);
      constraint(o, o + 2, t.params[0]);
      constraint(o + 1, o + 2, t.params[1]);
    }
  }

  void map_angles() {
    for (const gx::Term& t : mt.angles) {
      if (t.func == 1) {
        const auto p = params(top.angletypes, "angles", t, 2)[0];
        angles.push_back(words({atoms_text(t.atoms).substr(1), num(p[1]), num(p[0])}));
      } else {
        comment(angles, angle_kind(t.func), t);
      }
    }
  }

  void map_dihedrals() {
    std::vector<Proper> propers;
    // terms without force constant add nothing (grompp drops them too)
    auto add_terms = [&](const gx::Term& t, const std::vector<std::array<double, 3>>& terms) {
      for (const auto& x : terms) {
        if (x[0] == 0.0) continue;
        if (propers.empty() || propers.back().atoms != t.atoms) propers.push_back({t.atoms, {}});
        propers.back().terms.push_back(x);
      }
    };
    auto flush = [&] {
      // at most 4 terms to a line; a longer series continues on further lines
      for (const Proper& p : propers)
        for (std::size_t b = 0; b < p.terms.size(); b += 4) {
          std::string s = "proper" + atoms_text(p.atoms);
          for (std::size_t k = b; k < std::min(p.terms.size(), b + 4); ++k)
            s = words({s, num(p.terms[k][0]), num(p.terms[k][1]), num(p.terms[k][2])});
          dihedrals.push_back(s);
        }
      propers.clear();
    };
    for (const gx::Term& t : mt.dihedrals) {
      if (t.func == 1 || t.func == 9 || t.func == 4) {
        std::vector<std::array<double, 3>> terms;
        for (const auto& p : params(top.dihedraltypes, "dihedrals", t, 3)) terms.push_back({p[1], p[2], p[0]});
        add_terms(t, terms);
        continue;
      }
      if (t.func == 3) {
        const auto p = params(top.dihedraltypes, "dihedrals", t, 6)[0];
        if (p[5] == 0.0) {
          add_terms(t, rb_to_cosines(p));
          continue;
        }
      }
      flush();
      if (t.func == 2) {
        const auto p = params(top.dihedraltypes, "dihedrals", t, 2)[0];
        dihedrals.push_back(words({"improper" + atoms_text(t.atoms), num(p[1]), num(p[0])}));
      } else {
        comment(dihedrals, dihedral_kind(t.func), t);
      }
    }
    flush();
  }

  void map_pairs() {
    const gx::Defaults& d = top.defaults;
    for (const gx::Term& t : mt.pairs) {
      const gx::Atom& ai = mt.atoms[static_cast<std::size_t>(t.atoms[0])];
      const gx::Atom& aj = mt.atoms[static_cast<std::size_t>(t.atoms[1])];
      double v = 0, w = 0, factor = d.fudge_qq;
      if (t.func == 2) {
        const auto p = params(top.pairtypes, "pairs", t, 5)[0];
        if (p[1] != ai.charge || p[2] != aj.charge) {
          comment(nonbonded, "1-4 pair with charges of its own", t);
          continue;
        }
        factor = p[0];
        v = p[3];
        w = p[4];
      } else if (t.func == 1) {
        std::vector<std::vector<double>> p = gx::term_params(top, idx, mt, top.pairtypes, "pairs", t);
        if (!p.empty() && p[0].size() >= 2) {
          v = p[0][0];
          w = p[0][1];
        } else if (d.gen_pairs) {
          const gx::AtomType& ti = top.atomtypes[static_cast<std::size_t>(idx.atomtype.at(ai.type))];
          const gx::AtomType& tj = top.atomtypes[static_cast<std::size_t>(idx.atomtype.at(aj.type))];
          const gx::TypeParams* nb = nonbond_pair(top, ai.type, aj.type);
          std::tie(v, w) = nb && nb->params.size() >= 2 ? std::pair{nb->params[0], nb->params[1]}
                                                        : combine(ti, tj, d.comb_rule);
          if (d.comb_rule == 1) v *= d.fudge_lj;
          w *= d.fudge_lj;
        } else {
          fail_at(t.at, "no parameters for the pair of atoms" + atoms_text(t.atoms) + " (gen-pairs is no)");
        }
      } else {
        comment(nonbonded, "pair", t);
        continue;
      }
      const auto [sig, eps] = sigma_epsilon(v, w, d.comb_rule);
      nonbonded.push_back(words({atoms_text(t.atoms).substr(1), num(sig * angstrom_per_nm),
                                 num(eps / gx::kj_per_kelvin), num(factor)}));
    }
  }

  void virtual_line(const gx::Term& t, const std::vector<double>& c) {
    std::string s = std::to_string(t.atoms[0] + 1);
    for (std::size_t k = 1; k < t.atoms.size(); ++k) s = words({s, std::to_string(t.atoms[k] + 1), num(c[k - 1])});
    virtuals.push_back(s);
  }

  void map_virtual_sites() {
    virtual_site.assign(mt.atoms.size(), false);
    for (const auto* list : {&mt.vsites2, &mt.vsites3, &mt.vsitesn})
      for (const gx::Term& t : *list) virtual_site[static_cast<std::size_t>(t.atoms[0])] = true;
    for (const gx::Term& t : mt.vsites2) {
      if (t.func == 1 && !t.params.empty())
        virtual_line(t, {1.0 - t.params[0], t.params[0]});
      else
        comment(virtuals, "non-linear virtual site", t);
    }
    for (const gx::Term& t : mt.vsites3) {
      if (t.func == 1 && t.params.size() >= 2)
        virtual_line(t, {1.0 - t.params[0] - t.params[1], t.params[0], t.params[1]});
      else
        comment(virtuals, "non-linear virtual site", t);
    }
    for (const gx::Term& t : mt.vsitesn) {
      const std::size_t n = t.atoms.size() - 1;
      std::vector<double> c(n, 1.0);
      if (t.func == 2)
        for (std::size_t k = 0; k < n; ++k) c[k] = mt.atoms[static_cast<std::size_t>(t.atoms[k + 1])].mass;
      else if (t.func == 3)
        c = t.params;
      double sum = 0;
      for (double x : c) sum += x;
      if (n > 9 || sum == 0.0 || t.func < 1 || t.func > 3) {
        comment(virtuals, "virtual site of more than 9 atoms or zero weight", t);
        continue;
      }
      for (double& x : c) x /= sum;
      virtual_line(t, c);
    }
  }

  // Pairs nrexcl chemical bonds apart or fewer, and those of [ exclusions ].
  std::vector<std::pair<int, int>> exclusions() const {
    const int n = static_cast<int>(mt.atoms.size());
    std::vector<std::vector<int>> adj(static_cast<std::size_t>(n));
    auto link = [&](int a, int b) {
      if (a == b) return;
      adj[static_cast<std::size_t>(a)].push_back(b);
      adj[static_cast<std::size_t>(b)].push_back(a);
    };
    for (const gx::Term& t : mt.bonds)
      if (t.func <= 5 || t.func == 7 || t.func == 8) link(t.atoms[0], t.atoms[1]);
    for (const gx::Term& t : mt.constraints)
      if (t.func == 1) link(t.atoms[0], t.atoms[1]);
    for (const gx::Term& t : mt.settles)
      if (t.atoms[0] + 2 < n) {
        link(t.atoms[0], t.atoms[0] + 1);
        link(t.atoms[0], t.atoms[0] + 2);
      }
    std::vector<std::pair<int, int>> ex;
    std::vector<int> dist(static_cast<std::size_t>(n), -1), queue;
    for (int s = 0; s < n && mt.nrexcl > 0; ++s) {
      queue.assign(1, s);
      dist[static_cast<std::size_t>(s)] = 0;
      for (std::size_t q = 0; q < queue.size(); ++q) {
        const int u = queue[q];
        if (dist[static_cast<std::size_t>(u)] >= mt.nrexcl) continue;
        for (int v : adj[static_cast<std::size_t>(u)])
          if (dist[static_cast<std::size_t>(v)] < 0) {
            dist[static_cast<std::size_t>(v)] = dist[static_cast<std::size_t>(u)] + 1;
            queue.push_back(v);
          }
      }
      for (int v : queue) {
        if (v > s) ex.emplace_back(s, v);
        dist[static_cast<std::size_t>(v)] = -1;
      }
    }
    for (const gx::Term& t : mt.exclusions)
      for (std::size_t k = 1; k < t.atoms.size(); ++k)
        if (t.atoms[0] != t.atoms[k]) ex.emplace_back(std::min(t.atoms[0], t.atoms[k]), std::max(t.atoms[0], t.atoms[k]));
    std::sort(ex.begin(), ex.end());
    ex.erase(std::unique(ex.begin(), ex.end()), ex.end());
    return ex;
  }
};

void section(std::string& out, const char* name, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  out += std::string("  begin{") + name + "}\n";
  for (const std::string& l : lines) out += "    " + l + "\n";
  out += std::string("  end{") + name + "}\n";
}

// Coordinates (nm) of the molecule starting at GRO atom `first`, each atom
// moved by whole box vectors next to an atom it is linked to (or to the
// first atom), so that the molecule is whole.
std::vector<std::array<double, 3>> whole(const gx::MoleculeType& mt, const tvl::config::GroFile& gro, std::size_t first) {
  const std::size_t n = mt.atoms.size();
  std::vector<std::vector<int>> adj(n);
  auto link = [&](int a, int b) {
    adj[static_cast<std::size_t>(a)].push_back(b);
    adj[static_cast<std::size_t>(b)].push_back(a);
  };
  for (const auto* list : {&mt.bonds, &mt.constraints, &mt.vsites2, &mt.vsites3, &mt.vsitesn})
    for (const gx::Term& t : *list)
      for (std::size_t k = 1; k < t.atoms.size(); ++k) link(t.atoms[0], t.atoms[k]);
  for (const gx::Term& t : mt.settles)
    if (static_cast<std::size_t>(t.atoms[0]) + 2 < n) {
      link(t.atoms[0], t.atoms[0] + 1);
      link(t.atoms[0], t.atoms[0] + 2);
    }
  std::vector<std::array<double, 3>> r(n);
  std::vector<bool> placed(n, false);
  for (std::size_t s = 0; s < n; ++s) {
    if (placed[s]) continue;
    // a new connected part starts next to the first atom
    r[s] = gro.atoms[first + s].r;
    if (s > 0) {
      std::array<double, 3> d;
      for (int k = 0; k < 3; ++k) d[k] = r[s][k] - r[0][k];
      min_image(gro.box, d);
      for (int k = 0; k < 3; ++k) r[s][k] = r[0][k] + d[k];
    }
    placed[s] = true;
    std::vector<int> queue{static_cast<int>(s)};
    for (std::size_t q = 0; q < queue.size(); ++q) {
      const std::size_t u = static_cast<std::size_t>(queue[q]);
      for (int vi : adj[u]) {
        const std::size_t v = static_cast<std::size_t>(vi);
        if (placed[v]) continue;
        std::array<double, 3> d;
        for (int k = 0; k < 3; ++k) d[k] = gro.atoms[first + v].r[k] - r[u][k];
        min_image(gro.box, d);
        for (int k = 0; k < 3; ++k) r[v][k] = r[u][k] + d[k];
        placed[v] = true;
        queue.push_back(vi);
      }
    }
  }
  return r;
}

}  // namespace

std::string unique_name(const std::string& base_in, int variant, std::vector<std::string>& taken, bool cut) {
  std::string base = sane(base_in);
  if (cut && base.size() > tvl::namelen) base.resize(tvl::namelen);
  auto is_taken = [&](const std::string& s) {
    for (const std::string& t : taken)
      if (t == s) return true;
    return false;
  };
  std::string name = base;
  if (variant > 1) name += '_' + std::to_string(variant);
  if (name.size() > tvl::namelen || is_taken(name) || name.empty()) {
    for (int k = std::max(variant, 2);; ++k) {
      const std::string suffix = '_' + std::to_string(k);
      name = base.substr(0, tvl::namelen - suffix.size()) + suffix;
      if (!is_taken(name)) break;
    }
  }
  taken.push_back(name);
  return name;
}

std::vector<std::array<double, 3>> rb_to_cosines(const std::vector<double>& c) {
  // V = sum Cn cos^n(psi), psi = phi - 180, so cos(psi) = -cos(phi); the
  // powers of cos(phi) expanded into cos(m phi):
  //   a1 = -C1 - 3/4 C3, a2 = (C2 + C4)/2, a3 = -C3/4, a4 = C4/8;
  // a cos(m phi) = |a| (1 + cos(m phi - delta)) - |a| with delta 0 for a > 0,
  // 180 for a < 0.
  const double a[4] = {-c[1] - 0.75 * c[3], 0.5 * (c[2] + c[4]), -0.25 * c[3], 0.125 * c[4]};
  // what cancels to rounding noise of the coefficients is no term
  const double noise = 1e-12 * (std::fabs(c[1]) + std::fabs(c[2]) + std::fabs(c[3]) + std::fabs(c[4]));
  std::vector<std::array<double, 3>> t;
  for (int m = 0; m < 4; ++m)
    if (std::fabs(a[m]) > noise) t.push_back({std::fabs(a[m]), static_cast<double>(m + 1), a[m] > 0 ? 0.0 : 180.0});
  return t;
}

Top2Sys top_to_sys(const gx::Topology& top, const tvl::config::GroFile& gro, const std::vector<VectorSpec>& vectors,
                   const std::string& top_name, const std::string& gro_name) {
  Top2Sys out;
  const gx::TypeIndex idx = gx::index_of(top);
  if (top.defaults.nbfunc != 1)
    fail_at(top.defaults.at, "non-bonded function " + std::to_string(top.defaults.nbfunc) +
                                 " (Buckingham) has no system-file form");
  if (top.molecules.empty()) fail(top_name + " has no [ molecules ]");

  // Molecules in order, the atom count, and the molecule types used.
  long long natoms = 0;
  std::vector<int> used;            // topology molecule types in order of first use
  std::vector<int> sys_type(top.moltypes.size(), -1);
  std::vector<std::size_t> first_atom;  // GRO atom of the first copy, per used type
  for (const auto& [name, count] : top.molecules) {
    const int t = idx.moltype.at(name);
    if (count > 0 && top.moltypes[static_cast<std::size_t>(t)].atoms.empty())
      fail_at(top.moltypes[static_cast<std::size_t>(t)].at, "molecule type " + name + " has no atoms");
    if (count > 0 && sys_type[static_cast<std::size_t>(t)] < 0) {
      sys_type[static_cast<std::size_t>(t)] = static_cast<int>(used.size());
      used.push_back(t);
      first_atom.push_back(static_cast<std::size_t>(natoms));
    }
    natoms += count * static_cast<long long>(top.moltypes[static_cast<std::size_t>(t)].atoms.size());
  }
  if (natoms != static_cast<long long>(gro.atoms.size()))
    fail(gro_name + " holds " + std::to_string(gro.atoms.size()) + " atoms, the molecules of " + top_name + " " +
         std::to_string(natoms));
  if (used.empty()) fail(top_name + ": [ molecules ] holds no molecule");

  // Every molecule's atom names against its type's (GRO names hold 5 characters).
  {
    std::size_t a = 0;
    long long m = 0;
    for (const auto& [name, count] : top.molecules) {
      const gx::MoleculeType& mt = top.moltypes[static_cast<std::size_t>(idx.moltype.at(name))];
      for (long long c = 0; c < count; ++c) {
        ++m;
        for (std::size_t k = 0; k < mt.atoms.size(); ++k, ++a) {
          const std::string want = mt.atoms[k].name.substr(0, 5);
          if (gro.atoms[a].name != want)
            fail("molecule " + std::to_string(m) + " (" + mt.name + "), atom " + std::to_string(k + 1) + ": " +
                 mt.atoms[k].name + " in " + top_name + ", " + gro.atoms[a].name + " in " + gro_name + " (line " +
                 std::to_string(a + 3) + ")");
        }
      }
    }
  }

  // Site types: one per distinct (atom type, charge, mass), in order of use.
  std::map<std::tuple<std::string, double, double>, int> site_of;
  std::map<std::string, int> variants;
  std::vector<std::string> names;
  std::vector<const gx::AtomType*> site_atomtype;
  std::vector<std::vector<int>> atom_site(used.size());
  for (std::size_t u = 0; u < used.size(); ++u) {
    const gx::MoleculeType& mt = top.moltypes[static_cast<std::size_t>(used[u])];
    for (const gx::Atom& a : mt.atoms) {
      const auto key = std::make_tuple(a.type, a.charge, a.mass);
      auto it = site_of.find(key);
      if (it == site_of.end()) {
        const int p = static_cast<int>(names.size());
        it = site_of.emplace(key, p).first;
        unique_name(a.type, ++variants[a.type], names);
        out.sd.q_sp.push_back(a.charge);
        out.sd.mas_sp.push_back(a.mass);
        site_atomtype.push_back(&top.atomtypes[static_cast<std::size_t>(idx.atomtype.at(a.type))]);
      }
      atom_site[u].push_back(it->second);
    }
  }
  out.sd.name_sp = names;
  out.sd.nsp = static_cast<int>(names.size());

  std::string s;
  s += "# System file written by top2sys from " + top_name + " and " + gro_name + ".\n";
  s += "# Lengths in Angstrom, angles in degrees, epsilon in Kelvin, charges in e,\n";
  s += "# masses in g/mol; force constants in kJ/mol per Angstrom^2 and per rad^2.\n\n";
  s += "begin{sites}\n";
  for (std::size_t p = 0; p < names.size(); ++p)
    s += words({" ", names[p], num(out.sd.q_sp[p]), num(out.sd.mas_sp[p])}) + '\n';
  s += "end{sites}\n\n";
  const int comb = top.defaults.comb_rule;
  const char* lj = comb == 2 ? "lorentz_lj" : "opls_lj";
  s += std::string("begin{") + lj + "}\n";
  for (std::size_t p = 0; p < names.size(); ++p) {
    const auto [sig, eps] = sigma_epsilon(site_atomtype[p]->v, site_atomtype[p]->w, comb);
    s += words({" ", names[p], num(sig * angstrom_per_nm), num(eps / gx::kj_per_kelvin)}) + '\n';
  }
  s += std::string("end{") + lj + "}\n\n";
  std::string pairs;
  for (std::size_t p = 0; p < names.size(); ++p)
    for (std::size_t q = p; q < names.size(); ++q)
      if (const gx::TypeParams* nb = nonbond_pair(top, site_atomtype[p]->name, site_atomtype[q]->name)) {
        if (nb->params.size() < 2) fail_at(nb->at, "[ nonbond_params ] line needs two parameters");
        const auto [sig, eps] = sigma_epsilon(nb->params[0], nb->params[1], comb);
        pairs += words({" ", names[p], names[q], num(sig * angstrom_per_nm), num(eps / gx::kj_per_kelvin)}) + '\n';
      }
  if (!pairs.empty()) s += "begin{lj}\n" + pairs + "end{lj}\n\n";

  // Molecule types.
  Unmapped unmapped;
  std::vector<std::string> labels;
  for (std::size_t u = 0; u < used.size(); ++u) {
    const gx::MoleculeType& mt = top.moltypes[static_cast<std::size_t>(used[u])];
    tvl::sys::MolType smt;
    smt.label_mol = unique_name(mt.name, 1, labels, true);
    smt.nsimol = static_cast<int>(mt.atoms.size());
    smt.sptype_mol = atom_site[u];
    out.sd.mol.push_back(smt);

    MolWriter w{top, idx, mt, unmapped, {}, {}, {}, {}, {}, {}, {}};
    w.map_constraints();
    w.map_bonds();
    w.map_angles();
    w.map_dihedrals();
    w.map_pairs();
    w.map_virtual_sites();
    int real_atoms = 0;
    for (bool v : w.virtual_site) real_atoms += v ? 0 : 1;

    s += "begin{molecule}\n";
    s += "  label " + smt.label_mol + "\n";
    s += "  freedom " + std::to_string(std::max(3 * real_atoms - static_cast<int>(w.constraints.size()), 0)) + "\n";
    std::vector<std::string> conf;
    const auto r = whole(mt, gro, first_atom[u]);
    for (std::size_t k = 0; k < mt.atoms.size(); ++k)
      conf.push_back(words({names[static_cast<std::size_t>(atom_site[u][k])], num(r[k][0] * angstrom_per_nm),
                            num(r[k][1] * angstrom_per_nm), num(r[k][2] * angstrom_per_nm)}));
    section(s, "configuration", conf);
    section(s, "constraints", w.constraints);
    const auto ex = w.exclusions();
    std::vector<std::string> exl;
    const std::size_t n = mt.atoms.size();
    if (n > 1 && ex.size() == n * (n - 1) / 2) {
      exl.push_back("all");
    } else {
      for (const auto& [a, b] : ex) exl.push_back(words({std::to_string(a + 1), std::to_string(b + 1)}));
    }
    section(s, "exclude", exl);
    section(s, "bonds", w.bonds);
    section(s, "angles", w.angles);
    section(s, "dihedrals", w.dihedrals);
    section(s, "nonbonded", w.nonbonded);
    section(s, "virtual", w.virtuals);
    s += "end{molecule}\n\n";
  }
  out.sd.ntymol = static_cast<int>(out.sd.mol.size());

  // {rotcf} definitions by atom names.
  if (vectors.size() > 4) fail("at most 4 -vector definitions, not " + std::to_string(vectors.size()));
  if (!vectors.empty()) {
    s += "begin{rotcf}\n";
    for (const VectorSpec& v : vectors) {
      const auto it = idx.moltype.find(v.moltype);
      if (it == idx.moltype.end() || sys_type[static_cast<std::size_t>(it->second)] < 0)
        fail("-vector: molecule type " + v.moltype + " is not among the molecules of " + top_name);
      const gx::MoleculeType& mt = top.moltypes[static_cast<std::size_t>(it->second)];
      s += "  " + std::to_string(sys_type[static_cast<std::size_t>(it->second)] + 1);
      for (const std::string& a : v.atoms) {
        std::size_t k = 0;
        while (k < mt.atoms.size() && mt.atoms[k].name != a) ++k;
        if (k == mt.atoms.size()) fail("-vector: molecule type " + v.moltype + " has no atom named " + a);
        for (std::size_t j = k + 1; j < mt.atoms.size(); ++j)
          if (mt.atoms[j].name == a)
            fail("-vector: atom name " + a + " stands for atoms " + std::to_string(k + 1) + " and " +
                 std::to_string(j + 1) + " of molecule type " + v.moltype);
        s += ' ';
        s += std::to_string(k + 1);
      }
      s += "\n";
    }
    s += "end{rotcf}\n";
  }
  out.sys_text = std::move(s);

  for (const auto& [kind, count] : unmapped.kinds)
    out.warnings.push_back(std::to_string(count) + " x " + kind + ": no system-file form, written as comments");

  // The configuration in GRO order.
  tvl::config::Configuration& c = out.conf;
  const std::size_t na = gro.atoms.size();
  c.n = static_cast<int>(na);
  c.x.resize(na), c.y.resize(na), c.z.resize(na), c.vx.resize(na), c.vy.resize(na), c.vz.resize(na);
  c.fx.assign(na, 0.0), c.fy.assign(na, 0.0), c.fz.assign(na, 0.0);
  c.sptype.resize(na);
  for (std::size_t a = 0; a < na; ++a) {
    c.x[a] = gro.atoms[a].r[0], c.y[a] = gro.atoms[a].r[1], c.z[a] = gro.atoms[a].r[2];
    c.vx[a] = gro.atoms[a].v[0], c.vy[a] = gro.atoms[a].v[1], c.vz[a] = gro.atoms[a].v[2];
  }
  std::size_t a = 0;
  for (const auto& [name, count] : top.molecules) {
    const int t = idx.moltype.at(name);
    const int st = sys_type[static_cast<std::size_t>(t)];
    const std::size_t n = top.moltypes[static_cast<std::size_t>(t)].atoms.size();
    for (long long k = 0; k < count; ++k) {
      c.mol_type.push_back(st);
      c.mol_offset.push_back(static_cast<int>(a));
      c.mol_nsites.push_back(static_cast<int>(n));
      for (std::size_t j = 0; j < n; ++j, ++a) c.sptype[a] = atom_site[static_cast<std::size_t>(st)][j];
    }
  }
  c.m = static_cast<int>(c.mol_type.size());
  c.box[0] = gro.box[0], c.box[1] = gro.box[1], c.box[2] = gro.box[2];
  return out;
}

}  // namespace tvl::interop
