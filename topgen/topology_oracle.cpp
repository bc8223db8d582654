// Literal nested-loop enumeration of the topology (see topology_oracle.h).
#include "topgen/topology_oracle.h"

#include <cmath>

namespace tvl::topgen::oracle {

std::vector<Pair> define_bonds(const Coords& xyz, std::span<const double> blim) {
  std::vector<Pair> bonds;
  const int n = static_cast<int>(xyz.size());
  for (int i = 0; i < n - 1; ++i)
    for (int j = i + 1; j < n; ++j) {
      const double dx = xyz.x[i] - xyz.x[j], dy = xyz.y[i] - xyz.y[j], dz = xyz.z[i] - xyz.z[j];
      const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
      if (d < (blim[i] + blim[j]) * 0.5) bonds.push_back({i + 1, j + 1});
    }
  return bonds;
}

namespace {

bool same_ends(int a, int d, int p, int q) { return (a == p && d == q) || (a == q && d == p); }

}  // namespace

Topology define_topology(int n, std::span<const Pair> bonds) {
  Topology t;
  auto is_bond = [&](int i, int j) {
    for (const Pair& p : bonds)
      if (same_ends(i, j, p.a, p.b)) return true;
    return false;
  };
  // Bond lookups of the triple loop from a table, so that larger molecules stay affordable.
  std::vector<std::vector<char>> bond(static_cast<std::size_t>(n) + 1, std::vector<char>(static_cast<std::size_t>(n) + 1, 0));
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) bond[i][j] = is_bond(i, j);

  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      for (int k = 1; k <= n; ++k) {
        if (i == j || j == k || i == k || !bond[j][i] || !bond[i][k]) continue;
        bool dup = false;
        for (const Angle& a : t.angles) dup = dup || (a.a == k && a.b == i && a.c == j);
        if (!dup) t.angles.push_back({j, i, k});
      }

  for (std::size_t e = 0; e < bonds.size(); ++e) {
    const int b = bonds[e].a, c = bonds[e].b;
    for (std::size_t f = 0; f < bonds.size(); ++f) {
      if (f == e || (bonds[f].a != b && bonds[f].b != b)) continue;
      const int a = bonds[f].a == b ? bonds[f].b : bonds[f].a;
      for (std::size_t g = 0; g < bonds.size(); ++g) {
        if (g == e || g == f || (bonds[g].a != c && bonds[g].b != c)) continue;
        const int d = bonds[g].a == c ? bonds[g].b : bonds[g].a;
        if (a == b || a == c || a == d || b == d || c == d) continue;
        bool dup = false;
        for (const Quad& q : t.torsions) dup = dup || (q.b == b && q.c == c && same_ends(a, d, q.a, q.d));
        if (!dup) t.torsions.push_back({a, b, c, d});
      }
    }
  }

  const auto& ang = t.angles;
  for (std::size_t i = 0; i < ang.size(); ++i)
    for (std::size_t j = 0; j < ang.size(); ++j) {
      if (i == j || ang[i].b != ang[j].b) continue;
      int s[3];
      if (ang[i].a == ang[j].a) {
        s[0] = ang[i].a, s[1] = ang[i].c, s[2] = ang[j].c;
      } else if (ang[i].c == ang[j].c) {
        s[0] = ang[i].a, s[1] = ang[j].a, s[2] = ang[i].c;
      } else {
        continue;
      }
      bool dup = false;
      for (const Quad& q : t.impropers) {
        const int o[3] = {q.a, q.b, q.d};
        int hits = 0;
        for (int x : s)
          for (int y : o) hits += x == y;
        dup = dup || (q.c == ang[i].b && hits == 3);
      }
      if (!dup) t.impropers.push_back({s[0], s[1], ang[i].b, s[2]});
    }

  for (std::size_t k = 0; k < t.torsions.size(); ++k) {
    const int a = t.torsions[k].a, d = t.torsions[k].d;
    bool skip = a == d || bond[a][d];
    for (std::size_t m = 0; m < k; ++m) skip = skip || same_ends(a, d, t.torsions[m].a, t.torsions[m].d);
    for (const Angle& g : t.angles) skip = skip || same_ends(a, d, g.a, g.c);
    for (const Pair& p : t.pairs14) skip = skip || same_ends(a, d, p.a, p.b);
    if (!skip) t.pairs14.push_back({a, d});
  }

  auto exclude = [&t](int i, int j) {
    for (const Pair& p : t.exclusions)
      if (same_ends(i, j, p.a, p.b)) return;
    t.exclusions.push_back({i, j});
  };
  for (const Pair& p : bonds) exclude(p.a, p.b);
  for (const Angle& a : t.angles) exclude(a.a, a.c);
  for (const Pair& p : t.pairs14) exclude(p.a, p.b);
  return t;
}

}  // namespace tvl::topgen::oracle
