// Site and derived types, and label matching on interned labels.
#include "topgen/params.h"

#include <algorithm>
#include <unordered_map>

#include "common/error.h"
#include "common/text/fortran.h"

namespace tvl::topgen {

namespace tx = tvl::text;

AtomCoords::AtomCoords(const Molecule& m) {
  for (const Atom& a : m.atoms) x.push_back(a.x), y.push_back(a.y), z.push_back(a.z);
}

Typing identify_types(const ForceField& ff, const Molecule& mol) {
  Typing t;
  std::unordered_map<std::string_view, int> site_of;
  for (std::size_t s = 0; s < ff.sites.size(); ++s) site_of[ff.sites[s].label] = static_cast<int>(s);  // last wins
  t.asites.reserve(mol.atoms.size());
  for (std::size_t i = 0; i < mol.atoms.size(); ++i) {
    auto it = site_of.find(mol.atoms[i].alabel);
    if (it == site_of.end())
      stop({tx::free_text(" ERROR IN TEMPLATE-FILE:"),
            tx::FreeLine().t("    ATOM NR :").i(static_cast<long long>(i) + 1).t(" TYPE ").name(mol.atoms[i].alabel, label_len),
            tx::free_text("    CANNOT BE IDENTIFIED")});
    t.asites.push_back(it->second);
  }
  // Derived types: (site label, charge) pairs, numbered by their first atom;
  // charges compare exactly.
  std::unordered_map<std::string, std::vector<int>> by_label;
  t.atype.reserve(mol.atoms.size());
  for (std::size_t i = 0; i < mol.atoms.size(); ++i) {
    const SiteType& s = ff.sites[static_cast<std::size_t>(t.asites[i])];
    std::vector<int>& same = by_label[s.label];
    auto it = std::find_if(same.begin(), same.end(), [&](int k) {
      return t.types[static_cast<std::size_t>(k)].charge == mol.atoms[i].charge;
    });
    if (it != same.end()) {
      t.atype.push_back(*it);
      continue;
    }
    const int j = static_cast<int>(t.types.size()) + 1;
    std::string name = s.label + "_" + std::to_string(j);
    if (j > 9999 || name.size() > label_len)
      stop({tx::FreeLine().t("ERROR: derived type").i(j).t(" of site type ").t(s.label).t(" cannot be named in ").i(
                static_cast<long long>(label_len)).t(" characters (at most 9999 types)")});
    t.types.push_back({s.label, name, mol.atoms[i].charge, s.mass, s.lj_sigma, s.lj_epsilon});
    same.push_back(j - 1);
    t.atype.push_back(j - 1);
  }
  return t;
}

Labels intern_labels(const ForceField& ff, const Molecule& mol) {
  Labels l;
  std::unordered_map<std::string, int> ids;
  auto id = [&ids](const std::string& s) { return ids.emplace(s, static_cast<int>(ids.size())).first->second; };
  auto all = [&](const auto& table, auto& into) {
    into.reserve(table.size());
    for (const auto& e : table) {
      typename std::remove_reference_t<decltype(into)>::value_type v{};
      for (std::size_t k = 0; k < v.size(); ++k) v[k] = id(e.label[k]);
      into.push_back(v);
    }
  };
  l.x = id(std::string(wildcard));
  for (const Atom& a : mol.atoms) l.atom.push_back(id(a.alabel));
  for (const SiteType& s : ff.sites) l.site.push_back(id(s.label));
  all(ff.bonds, l.bond);
  all(ff.angles, l.angle);
  all(ff.dihedrals, l.dihed);
  all(ff.impropers, l.imdh);
  all(ff.int14, l.int14);
  l.sites_of.resize(ids.size());
  for (std::size_t s = 0; s < l.site.size(); ++s) l.sites_of[static_cast<std::size_t>(l.site[s])].push_back(static_cast<int>(s));
  return l;
}

namespace {

int T(const Labels& l, int atom) { return l.atom[static_cast<std::size_t>(atom - 1)]; }

// A two-label entry against the pair (p, q) in either orientation.
void match_pairs(const std::vector<std::array<int, 2>>& table, int p, int q, std::vector<int>& out) {
  out.clear();
  for (std::size_t k = 0; k < table.size(); ++k)
    if ((table[k][0] == p && table[k][1] == q) || (table[k][0] == q && table[k][1] == p)) out.push_back(static_cast<int>(k));
}

}  // namespace

void match_bond(const Labels& l, int i, int j, std::vector<int>& out) { match_pairs(l.bond, T(l, i), T(l, j), out); }
void match_int14(const Labels& l, int i, int j, std::vector<int>& out) { match_pairs(l.int14, T(l, i), T(l, j), out); }

void match_angle(const Labels& l, const Angle& a, std::vector<int>& out) {
  out.clear();
  const int ti = T(l, a.a), tj = T(l, a.b), tk = T(l, a.c);
  for (std::size_t k = 0; k < l.angle.size(); ++k) {
    const auto& e = l.angle[k];
    if (e[1] == tj && ((e[0] == ti && e[2] == tk) || (e[0] == tk && e[2] == ti))) out.push_back(static_cast<int>(k));
  }
}

void match_torsion(const Labels& l, const Quad& t, std::vector<int>& out) {
  out.clear();
  const int ta = T(l, t.a), tb = T(l, t.b), tc = T(l, t.c), td = T(l, t.d);
  for (std::size_t k = 0; k < l.dihed.size(); ++k) {
    const auto& e = l.dihed[k];
    const bool middle = (e[1] == tb && e[2] == tc) || (e[1] == tc && e[2] == tb);
    const bool ends = (e[0] == l.x && e[3] == l.x) || (e[0] == l.x && (e[3] == ta || e[3] == td)) ||
                      (e[0] == ta && e[3] == td) || (e[0] == td && e[3] == ta);
    if (middle && ends) out.push_back(static_cast<int>(k));
  }
}

void match_improper(const Labels& l, const Quad& q, std::vector<ImproperMatch>& out) {
  out.clear();
  const std::array<int, 3> outer = {q.a, q.b, q.d};
  const std::array<int, 3> t = {T(l, q.a), T(l, q.b), T(l, q.d)};
  for (std::size_t k = 0; k < l.imdh.size(); ++k) {
    const auto& e = l.imdh[k];
    if (e[2] != T(l, q.c)) continue;
    bool listed = false;  // a full match, or "x" first and two different outer atoms
    for (int p = 0; p < 3 && !listed; ++p)
      for (int r = 0; r < 3 && !listed; ++r) {
        if (r == p) continue;
        const int s = 3 - p - r;
        listed = (e[0] == t[p] && e[1] == t[r] && e[3] == t[s]) || (e[0] == l.x && e[1] == t[p] && e[3] == t[r]);
      }
    if (listed) {
      out.push_back({static_cast<int>(k), {q.c, q.b, q.a, q.d}});
      continue;
    }
    if (e[0] != l.x || e[1] != l.x) continue;
    // The first outer atom whose type is the fourth label is written last.
    for (int p = 0; p < 3; ++p)
      if (t[p] == e[3]) {
        const int u = outer[p == 0 ? 1 : 0], v = outer[p == 2 ? 1 : 2];
        out.push_back({static_cast<int>(k), {u, v, q.c, outer[p]}});
        break;
      }
  }
}

void site_pairs(const Labels& l, int i, int j, std::vector<std::array<int, 2>>& out) {
  out.clear();
  const int ti = T(l, i), tj = T(l, j);
  std::vector<int> s = l.sites_of[static_cast<std::size_t>(ti)];
  if (tj != ti) {
    const auto& more = l.sites_of[static_cast<std::size_t>(tj)];
    s.insert(s.end(), more.begin(), more.end());
    std::sort(s.begin(), s.end());
  }
  for (std::size_t p = 0; p < s.size(); ++p)
    for (std::size_t r = p; r < s.size(); ++r) {
      const int lp = l.site[static_cast<std::size_t>(s[p])], lr = l.site[static_cast<std::size_t>(s[r])];
      if ((lp == ti && lr == tj) || (lp == tj && lr == ti)) out.push_back({s[p], s[r]});
    }
}

}  // namespace tvl::topgen
