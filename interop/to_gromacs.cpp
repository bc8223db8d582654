#include "interop/to_gromacs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <utility>

#include "common/config/gro.h"
#include "common/error.h"
#include "common/text/fortran.h"
#include "interop/meaning.h"

namespace tvl::interop {

namespace {

using tvl::text::free_real;
using tvl::text::free_text;

std::string num(long long v) { return std::to_string(v); }

// The stop for a term GROMACS cannot take with the same meaning: where it
// is, what it is, and why.
[[noreturn]] void refuse(const sys::SystemDescription& s, int t, const std::string& what, const std::string& why) {
  tvl::stop({free_text("ERROR: molecule type " + num(t + 1) + " (" + s.mol[t].label_mol + "), " + what + ":"),
             free_text("       " + why), free_text("       Nothing written.")});
}

// `name` itself, or with _2, _3, ... appended when it is taken already.
std::string unique_name(const std::string& name, std::set<std::string>& taken) {
  std::string n = name;
  for (int k = 2; taken.count(n); ++k) n = name + "_" + num(k);
  taken.insert(n);
  return n;
}

bool near(double a, double b) {
  return std::fabs(a - b) <= 1e-10 * std::max(std::fabs(a), std::fabs(b)) || (a == 0.0 && b == 0.0);
}

// The Lennard-Jones pair (i, j) of the table in GROMACS's units.
struct Lj {
  double sigma, eps;
};
Lj lj_of(const sys::SystemDescription& s, int i, int j) { return {sigma_of(s.sig6(i, j)), epsilon_of(s.eps4(i, j))}; }

// True when GROMACS's combination rule, applied to the diagonal entries of
// i and j, gives the table's pair (i, j).
bool combines(int rule, const Lj& a, const Lj& b, const Lj& pair) {
  const double sigma = rule == gmx_comb_lorentz ? 0.5 * (a.sigma + b.sigma) : std::sqrt(a.sigma * b.sigma);
  return near(sigma, pair.sigma) && near(std::sqrt(a.eps * b.eps), pair.eps);
}

// A residue or atom name of the GRO file: 5 characters without a '.',
// which GROMACS would take for the decimal point of a coordinate.
std::string gro_name(std::string_view name) {
  std::string n = gromacs_name(name).substr(0, 5);
  std::replace(n.begin(), n.end(), '.', '_');
  return n;
}

// Site numbers of one term, checked: inside the molecule and all different.
struct TermCheck {
  const sys::SystemDescription& s;
  int t;
  void operator()(const std::string& what, const std::vector<int>& sites) const {
    const sys::MolType& m = s.mol[t];
    for (std::size_t k = 0; k < sites.size(); ++k) {
      if (!m.site_ok(sites[k]))
        refuse(s, t, what, "site " + num(sites[k] + 1) + " is not a site of the molecule (1 to " + num(m.nsimol) + ")");
      for (std::size_t l = 0; l < k; ++l)
        if (sites[l] == sites[k]) refuse(s, t, what, "site " + num(sites[k] + 1) + " is named twice");
    }
  }
};

std::string sites_text(const std::vector<int>& sites) {
  std::string r = "(sites";
  for (int a : sites) {
    r += ' ';
    r += num(a + 1);
  }
  return r + ")";
}

gmx::Term term(std::vector<int> atoms, int func, std::vector<double> params) {
  gmx::Term t;
  t.atoms = std::move(atoms);
  t.func = func;
  t.params = std::move(params);
  return t;
}

// The virtual sites of molecule type t into `g`: two and three references
// as virtual_sites2/3 (the first reference's coefficient implied), one as
// the centre of itself, more as weighted centres (all weights positive,
// which GROMACS normalises by their sum of 1).
void virtual_sites(const sys::SystemDescription& s, int t, const std::vector<bool>& is_virtual,
                   gmx::MoleculeType& g) {
  const sys::MolType& m = s.mol[t];
  const TermCheck check{s, t};
  std::vector<bool> built(static_cast<std::size_t>(m.nsimol), false);
  for (int k = 0; k < m.nvirt; ++k) {
    std::vector<int> sites = {m.virt_site[k]};
    const int nref = m.virt_nref[k];
    for (int r = 0; r < nref; ++r) sites.push_back(m.virt_ref[k][r]);
    const std::string what = "virtual site " + num(k + 1) + " " + sites_text(sites);
    check(what, sites);
    if (nref < 1) refuse(s, t, what, "a virtual site needs at least one reference site");
    const int v = sites[0];
    if (built[v]) refuse(s, t, what, "site " + num(v + 1) + " is built as a virtual site twice");
    built[v] = true;
    double sum = 0.0;
    bool positive = true;
    for (int r = 0; r < nref; ++r) {
      sum += m.virt_c[k][r];
      positive = positive && m.virt_c[k][r] > 0.0;
      if (is_virtual[m.virt_ref[k][r]])
        refuse(s, t, what, "reference site " + num(m.virt_ref[k][r] + 1) + " is itself virtual");
    }
    if (std::fabs(sum - 1.0) > 1e-6)
      refuse(s, t, what, "the coefficients sum to " + free_real(sum) + ", not 1: GROMACS builds only such sites");
    if (s.mas_sp[m.sptype_mol[v]] != 0.0)
      refuse(s, t, what, "the site has mass " + free_real(s.mas_sp[m.sptype_mol[v]]) + "; a virtual site has none");
    const std::vector<double>& c = m.virt_c[k];
    if (nref == 1)
      g.vsitesn.push_back(term(sites, 1, {}));
    else if (nref == 2)
      g.vsites2.push_back(term(sites, 1, {c[1]}));
    else if (nref == 3)
      g.vsites3.push_back(term(sites, 1, {c[1], c[2]}));
    else if (positive)
      g.vsitesn.push_back(term(sites, 3, c));
    else
      refuse(s, t, what, "a site of more than three references needs positive coefficients in GROMACS");
  }
}

// One molecule type with its terms. `pair_factor` is the Coulomb factor
// shared by every 1-4 pair of the system (fudgeQQ), or NaN when the pairs
// carry their own.
gmx::MoleculeType molecule_type(const sys::SystemDescription& s, int t, const std::vector<std::string>& type_name,
                                const std::string& name, double pair_factor) {
  const sys::MolType& m = s.mol[t];
  const TermCheck check{s, t};
  gmx::MoleculeType g;
  g.name = name;
  g.nrexcl = 0;

  if (m.nmobd > 0)
    refuse(s, t, "Morse bond 1 " + sites_text({m.a_mobd[0], m.b_mobd[0]}),
           "the units of Morse bonds are not settled, so GROMACS gets none");
  if (m.npiang > 0)
    refuse(s, t, "linear angle 1 " + sites_text({m.a_piang[0], m.b_piang[0], m.c_piang[0]}),
           "GROMACS has no angle term of that form");

  std::vector<bool> is_virtual(static_cast<std::size_t>(m.nsimol), false);
  for (int k = 0; k < m.nvirt; ++k)
    if (m.site_ok(m.virt_site[k])) is_virtual[m.virt_site[k]] = true;

  const std::string residue = gro_name(m.label_mol);
  for (int k = 0; k < m.nsimol; ++k) {
    const int p = m.sptype_mol[k];
    if (s.mas_sp[p] <= 0.0 && !is_virtual[k])
      refuse(s, t, "site " + num(k + 1) + " (" + s.name_sp[p] + ")",
             "a site that is not virtual needs a positive mass in GROMACS, not " + free_real(s.mas_sp[p]));
    gmx::Atom a;
    a.type = type_name[p];
    a.resnr = 1;
    a.residue = residue;
    a.name = gro_name(type_name[p]);
    a.cgnr = k + 1;
    a.charge = s.q_sp[p];
    a.mass = s.mas_sp[p];
    a.charge_given = a.mass_given = true;
    g.atoms.push_back(a);
  }

  for (int k = 0; k < m.nhabd; ++k) {
    const std::vector<int> sites = {m.a_habd[k], m.b_habd[k]};
    check("harmonic bond " + num(k + 1) + " " + sites_text(sites), sites);
    g.bonds.push_back(term(sites, gmx_bond, {m.r_habd[k], m.k_habd[k]}));
  }
  for (int k = 0; k < m.n14int; ++k) {
    const std::vector<int> sites = {m.a_14int[k], m.b_14int[k]};
    check("non-bonded pair " + num(k + 1) + " " + sites_text(sites), sites);
    const double sigma = sigma_of(m.sig6_14int[k]), eps = epsilon_of(m.eps4_14int[k]);
    if (std::isnan(pair_factor))
      g.pairs.push_back(term(sites, gmx_pair_own_qq,
                             {m.fac_14int[k], s.q_sp[m.sptype_mol[sites[0]]], s.q_sp[m.sptype_mol[sites[1]]], sigma, eps}));
    else
      g.pairs.push_back(term(sites, gmx_pair, {sigma, eps}));
  }
  for (int k = 0; k < m.nang; ++k) {
    const std::vector<int> sites = {m.a_ang[k], m.b_ang[k], m.c_ang[k]};
    check("angle " + num(k + 1) + " " + sites_text(sites), sites);
    g.angles.push_back(term(sites, gmx_angle, {degrees_of(m.te_ang[k]), m.k_ang[k]}));
  }
  for (int k = 0; k < m.ndhed; ++k) {
    const std::vector<int> sites = {m.a_dhed[k], m.b_dhed[k], m.c_dhed[k], m.d_dhed[k]};
    const std::string what = "proper dihedral " + num(k + 1) + " " + sites_text(sites);
    check(what, sites);
    for (int n = 0; n < m.nn_dhed[k]; ++n) {
      double mult = m.mt_dhed[k][n], phase = m.del_dhed[k][n];
      if (!(std::fabs(mult) <= 1e6) || mult != std::round(mult))
        refuse(s, t, what + ", term " + num(n + 1),
               "the multiplicity " + free_real(mult) + " is not a whole number, which GROMACS needs");
      // k (1 + cos(m phi - delta)) = k (1 + cos(-m phi + delta)): GROMACS
      // takes the multiplicity as it is, so a negative one turns round.
      if (mult < 0) {
        mult = -mult;
        phase = -phase;
      }
      g.dihedrals.push_back(term(sites, gmx_proper, {degrees_of(phase), m.k_dhed[k][n], mult}));
    }
  }
  for (int k = 0; k < m.nidhed; ++k) {
    const std::vector<int> sites = {m.a_idhed[k], m.b_idhed[k], m.c_idhed[k], m.d_idhed[k]};
    check("improper dihedral " + num(k + 1) + " " + sites_text(sites), sites);
    g.dihedrals.push_back(term(sites, gmx_improper, {degrees_of(m.ph_idhed[k]), m.k_idhed[k]}));
  }
  for (int k = 0; k < m.ncon; ++k) {
    const std::vector<int> sites = {m.con_a[k], m.con_b[k]};
    const std::string what = "constraint " + num(k + 1) + " " + sites_text(sites);
    check(what, sites);
    for (int a : sites)
      if (is_virtual[a]) refuse(s, t, what, "site " + num(a + 1) + " is virtual; GROMACS constrains no virtual site");
    g.constraints.push_back(term(sites, gmx_constraint, {m.d_con[k]}));
  }
  // Exclusions, one line per first site in the order of the file; a pair
  // named twice (in either order) is written once.
  std::set<std::pair<int, int>> seen;
  std::vector<int> line_of(static_cast<std::size_t>(m.nsimol), -1);  // the line of each first site
  for (int k = 0; k < m.nexcl; ++k) {
    const int a = m.excl_a[k], b = m.excl_b[k];
    if (a == b || !seen.insert({std::min(a, b), std::max(a, b)}).second) continue;
    int& line = line_of[static_cast<std::size_t>(a)];
    if (line < 0) {
      line = static_cast<int>(g.exclusions.size());
      g.exclusions.push_back(term({a, b}, 0, {}));
    } else {
      g.exclusions[static_cast<std::size_t>(line)].atoms.push_back(b);
    }
  }
  virtual_sites(s, t, is_virtual, g);
  return g;
}

}  // namespace

std::string gromacs_name(std::string_view s) {
  std::string r;
  for (char c : s)
    r += std::isalnum(static_cast<unsigned char>(c)) || std::strchr("_-+*.", c) ? c : '_';
  if (r.empty() || !std::isalpha(static_cast<unsigned char>(r[0]))) r.insert(0, "x");
  return r;
}

gmx::Topology topology_of(const sys::SystemDescription& s, const std::string& system_name) {
  if (s.ntymol == 0) tvl::stop({free_text("ERROR: the system file defines no molecule type. Nothing written.")});
  if (s.numb > 0 || s.nefg > 0)
    tvl::stop({free_text("ERROR: the system file has " + num(s.numb) + " umbrella and " + num(s.nefg) +
                         " efg entries:"),
               free_text("       GROMACS has no term of their meaning. Nothing written.")});
  gmx::Topology top;
  top.system_name = system_name;

  // Site types in use, in the order of the file.
  std::vector<bool> used(static_cast<std::size_t>(s.nsp), false);
  for (const sys::MolType& m : s.mol)
    for (int p : m.sptype_mol) used[p] = true;
  std::vector<int> types;
  for (int p = 0; p < s.nsp; ++p)
    if (used[p]) types.push_back(p);

  // The combination rule that reproduces most pairs of the table; the
  // others are written as pairs of their own.
  int misses[2] = {0, 0};
  const int rules[2] = {gmx_comb_lorentz, gmx_comb_opls};
  for (int r = 0; r < 2; ++r)
    for (std::size_t a = 0; a < types.size(); ++a)
      for (std::size_t b = a; b < types.size(); ++b)
        if (!combines(rules[r], lj_of(s, types[a], types[a]), lj_of(s, types[b], types[b]), lj_of(s, types[a], types[b])))
          ++misses[r];
  const int rule = misses[1] < misses[0] ? gmx_comb_opls : gmx_comb_lorentz;

  // The factor of the 1-4 pairs: one for all, or each its own.
  double factor = 1.0;
  bool first = true;
  for (const sys::MolType& m : s.mol)
    for (int k = 0; k < m.n14int; ++k) {
      if (first) factor = m.fac_14int[k];
      else if (m.fac_14int[k] != factor) factor = std::numeric_limits<double>::quiet_NaN();
      first = false;
    }
  top.defaults.nbfunc = 1;
  top.defaults.comb_rule = rule;
  top.defaults.gen_pairs = false;
  top.defaults.fudge_lj = 1.0;
  top.defaults.fudge_qq = std::isnan(factor) ? 1.0 : factor;
  top.defaults.given = true;

  std::vector<std::string> type_name(static_cast<std::size_t>(s.nsp));
  std::set<std::string> taken;
  for (int p : types) {
    type_name[p] = unique_name(gromacs_name(s.name_sp[p]), taken);
    gmx::AtomType a;
    a.name = a.bonded_type = type_name[p];
    a.mass = s.mas_sp[p];
    a.charge = s.q_sp[p];
    const Lj lj = lj_of(s, p, p);
    a.v = lj.sigma;
    a.w = lj.eps;
    top.atomtypes.push_back(a);
  }
  for (std::size_t a = 0; a < types.size(); ++a)
    for (std::size_t b = a; b < types.size(); ++b) {
      const Lj pair = lj_of(s, types[a], types[b]);
      if (combines(rule, lj_of(s, types[a], types[a]), lj_of(s, types[b], types[b]), pair)) continue;
      gmx::TypeParams np;
      np.types = {type_name[types[a]], type_name[types[b]]};
      np.func = 1;
      np.params = {pair.sigma, pair.eps};
      top.nonbond_params.push_back(np);
    }

  std::set<std::string> mol_names;
  for (int t = 0; t < s.ntymol; ++t)
    top.moltypes.push_back(molecule_type(s, t, type_name, unique_name(gromacs_name(s.mol[t].label_mol), mol_names), factor));
  return top;
}

Placement placement_of(const sys::SystemDescription& s) {
  Placement p;
  auto place = [&](int t, const std::array<double, 3>& at) {
    const sys::MolType& m = s.mol[t];
    p.mol_type.push_back(t);
    for (int k = 0; k < m.nsimol; ++k) p.r.push_back({at[0] + m.xmol[k], at[1] + m.ymol[k], at[2] + m.zmol[k]});
  };
  if (s.nfrac > 0) {
    for (int d = 0; d < 3; ++d)
      if (s.ndup[d] < 1 || !(s.ecell[d] > 0.0))
        tvl::stop({free_text("ERROR: the build section places no molecules in a box: duplicate " + num(s.ndup[0]) +
                             " " + num(s.ndup[1]) + " " + num(s.ndup[2]) + ", ecell " + free_real(s.ecell[0]) + " " +
                             free_real(s.ecell[1]) + " " + free_real(s.ecell[2]) + " nm. Nothing written.")});
    for (int d = 0; d < 3; ++d) p.box[d] = s.ecell[d] * s.ndup[d];
    for (int f = 0; f < s.nfrac; ++f)
      for (int ix = 0; ix < s.ndup[0]; ++ix)
        for (int iy = 0; iy < s.ndup[1]; ++iy)
          for (int iz = 0; iz < s.ndup[2]; ++iz)
            place(s.type_frac[f], {(ix + s.xfrac[f]) * s.ecell[0], (iy + s.yfrac[f]) * s.ecell[1],
                                   (iz + s.zfrac[f]) * s.ecell[2]});
    return p;
  }
  // Side by side along x: each molecule's extent starts 0.5 nm after the
  // previous one ends.
  constexpr double gap = 0.5, margin = 3.0;
  double cursor = 0.0;
  for (int t = 0; t < s.ntymol; ++t) {
    const sys::MolType& m = s.mol[t];
    const auto [lo, hi] = std::minmax_element(m.xmol.begin(), m.xmol.end());
    place(t, {cursor - *lo, 0.0, 0.0});
    cursor += *hi - *lo + gap;
  }
  std::array<double, 3> lo = p.r[0], hi = p.r[0];
  for (const auto& r : p.r)
    for (int d = 0; d < 3; ++d) {
      lo[d] = std::min(lo[d], r[d]);
      hi[d] = std::max(hi[d], r[d]);
    }
  for (int d = 0; d < 3; ++d) p.box[d] = hi[d] - lo[d] + 2 * margin;
  for (auto& r : p.r)
    for (int d = 0; d < 3; ++d) r[d] += margin - lo[d];
  return p;
}

Placement placement_of(const config::Configuration& c) {
  Placement p;
  p.mol_type = c.mol_type;
  for (int k = 0; k < c.n; ++k) {
    p.r.push_back({c.x[k], c.y[k], c.z[k]});
    p.v.push_back({c.vx[k], c.vy[k], c.vz[k]});
  }
  p.box = {c.box[0], c.box[1], c.box[2]};
  return p;
}

void build_virtual_sites(const sys::SystemDescription& s, Placement& p) {
  std::size_t first = 0;
  for (int t : p.mol_type) {
    const sys::MolType& m = s.mol[t];
    for (int k = 0; k < m.nvirt; ++k) {
      if (!m.site_ok(m.virt_site[k])) continue;
      std::array<double, 3> r = {0.0, 0.0, 0.0};
      for (int n = 0; n < m.virt_nref[k]; ++n)
        if (m.site_ok(m.virt_ref[k][n]))
          for (int d = 0; d < 3; ++d) r[d] += m.virt_c[k][n] * p.r[first + m.virt_ref[k][n]][d];
      p.r[first + m.virt_site[k]] = r;
    }
    first += static_cast<std::size_t>(m.nsimol);
  }
}

void set_molecules(gmx::Topology& top, const Placement& p) {
  top.molecules.clear();
  int last = -1;
  for (int t : p.mol_type) {
    if (t == last) ++top.molecules.back().second;
    else top.molecules.emplace_back(top.moltypes[t].name, 1);
    last = t;
  }
}

std::string gro_text(const std::string& title, const gmx::Topology& top, const Placement& p) {
  std::string count = std::to_string(p.r.size());
  if (count.size() < 5) count.insert(0, 5 - count.size(), ' ');
  std::string out = title + "\n" + count + "\n";
  std::size_t site = 0;
  for (std::size_t mol = 0; mol < p.mol_type.size(); ++mol)
    for (const gmx::Atom& a : top.moltypes[p.mol_type[mol]].atoms) {
      const std::array<double, 3>* v = p.v.empty() ? nullptr : &p.v[site];
      out += config::gro_atom_line(static_cast<long long>(mol + 1), a.residue, a.name,
                                   static_cast<long long>(site + 1), p.r[site], v) + "\n";
      ++site;
    }
  return out + config::gro_box_line(p.box) + "\n";
}

}  // namespace tvl::interop
