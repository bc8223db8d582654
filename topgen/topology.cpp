// Topology derivation on adjacency structures: neighbour sets and, per atom,
// the bonds that contain it in list order. Every list comes out in the order
// of the plain enumeration over atoms, bonds and angles, at a cost that grows
// with the number of terms rather than with a power of the atom count.
#include "topgen/topology.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "common/error.h"
#include "common/text/fortran.h"

namespace tvl::topgen {

namespace {

namespace tx = tvl::text;

// An unordered atom pair as one key.
std::uint64_t pair_key(int i, int j) {
  if (i > j) std::swap(i, j);
  return (static_cast<std::uint64_t>(static_cast<unsigned>(i)) << 32) | static_cast<unsigned>(j);
}

// Cell grid for the bond search: cells at least `edge` wide, at most about
// two cells per atom so that far-flung coordinates cannot blow up the grid.
struct Grid {
  double x0 = 0, y0 = 0, z0 = 0, h = 1;
  long long nx = 1, ny = 1, nz = 1;
  std::vector<int> start;  // cell c holds atoms[start[c] .. start[c+1])
  std::vector<int> atoms;  // 0-based atom indices, ascending within a cell

  long long axis(double v, double v0, long long n) const {
    double t = std::floor((v - v0) / h);
    if (!(t >= 0)) return 0;
    return t >= static_cast<double>(n - 1) ? n - 1 : static_cast<long long>(t);
  }
  long long cell(long long i, long long j, long long k) const { return (k * ny + j) * nx + i; }
};

Grid make_grid(const Coords& xyz, const std::vector<char>& usable, double edge) {
  Grid g;
  const std::size_t n = xyz.size();
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  bool first = true;
  for (std::size_t i = 0; i < n; ++i) {
    if (!usable[i]) continue;
    const double v[3] = {xyz.x[i], xyz.y[i], xyz.z[i]};
    for (int d = 0; d < 3; ++d) {
      lo[d] = first ? v[d] : std::min(lo[d], v[d]);
      hi[d] = first ? v[d] : std::max(hi[d], v[d]);
    }
    first = false;
  }
  const double limit = 2.0 * static_cast<double>(n) + 64.0;
  g.h = edge;
  double dims[3];
  for (;;) {
    if (!std::isfinite(g.h)) {  // coordinates spread beyond any grid: one cell
      dims[0] = dims[1] = dims[2] = 1.0;
      break;
    }
    for (int d = 0; d < 3; ++d) dims[d] = std::floor((hi[d] - lo[d]) / g.h) + 1.0;
    if (std::isfinite(dims[0] * dims[1] * dims[2]) && dims[0] * dims[1] * dims[2] <= limit) break;
    g.h *= 2.0;
  }
  g.x0 = lo[0], g.y0 = lo[1], g.z0 = lo[2];
  g.nx = static_cast<long long>(dims[0]), g.ny = static_cast<long long>(dims[1]), g.nz = static_cast<long long>(dims[2]);
  std::vector<long long> cell_of(n, -1);
  g.start.assign(static_cast<std::size_t>(g.nx * g.ny * g.nz) + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    if (!usable[i]) continue;
    cell_of[i] = g.cell(g.axis(xyz.x[i], g.x0, g.nx), g.axis(xyz.y[i], g.y0, g.ny), g.axis(xyz.z[i], g.z0, g.nz));
    ++g.start[static_cast<std::size_t>(cell_of[i]) + 1];
  }
  for (std::size_t c = 1; c < g.start.size(); ++c) g.start[c] += g.start[c - 1];
  g.atoms.resize(static_cast<std::size_t>(g.start.back()));
  std::vector<int> fill(g.start.begin(), g.start.end() - 1);
  for (std::size_t i = 0; i < n; ++i)
    if (cell_of[i] >= 0) g.atoms[static_cast<std::size_t>(fill[static_cast<std::size_t>(cell_of[i])]++)] = static_cast<int>(i);
  return g;
}

}  // namespace

void too_many(std::string_view what, int cap) {
  stop({tx::free_text("ERROR: more than " + std::to_string(cap) + " " + std::string(what) +
                      "; increase ntgmax in file tvl_const.")});
}

std::vector<double> bond_radii(std::span<const std::string> atom_labels, std::span<const std::string> site_labels,
                               std::span<const double> rlim) {
  std::unordered_map<std::string_view, double> radius;
  for (std::size_t s = 0; s < site_labels.size() && s < rlim.size(); ++s)
    radius[tx::trim_right(site_labels[s])] = rlim[s];  // the last site type of a label wins
  std::vector<double> blim(atom_labels.size(), 0.0);
  for (std::size_t i = 0; i < atom_labels.size(); ++i) {
    auto it = radius.find(tx::trim_right(atom_labels[i]));
    if (it != radius.end()) blim[i] = it->second;
  }
  return blim;
}

std::vector<Pair> define_bonds(const Coords& xyz, std::span<const double> blim, int cap) {
  std::vector<Pair> bonds;
  const std::size_t n = xyz.size();
  std::vector<char> usable(n, 0);
  double edge = 0;
  for (std::size_t i = 0; i < n; ++i) {
    usable[i] = std::isfinite(xyz.x[i]) && std::isfinite(xyz.y[i]) && std::isfinite(xyz.z[i]) && std::isfinite(blim[i]);
    if (usable[i]) edge = std::max(edge, blim[i]);
  }
  // The limit of a pair is the mean of two radii, never more than the largest.
  if (!(edge > 0)) return bonds;
  const Grid g = make_grid(xyz, usable, edge);
  std::vector<int> near;
  for (std::size_t i = 0; i < n; ++i) {
    if (!usable[i]) continue;
    const long long ci = g.axis(xyz.x[i], g.x0, g.nx), cj = g.axis(xyz.y[i], g.y0, g.ny),
                    ck = g.axis(xyz.z[i], g.z0, g.nz);
    near.clear();
    for (long long k = std::max(0LL, ck - 1); k <= std::min(g.nz - 1, ck + 1); ++k)
      for (long long j = std::max(0LL, cj - 1); j <= std::min(g.ny - 1, cj + 1); ++j)
        for (long long c = std::max(0LL, ci - 1); c <= std::min(g.nx - 1, ci + 1); ++c) {
          const long long cell = g.cell(c, j, k);
          for (int p = g.start[static_cast<std::size_t>(cell)]; p < g.start[static_cast<std::size_t>(cell) + 1]; ++p)
            if (static_cast<std::size_t>(g.atoms[static_cast<std::size_t>(p)]) > i)
              near.push_back(g.atoms[static_cast<std::size_t>(p)]);
        }
    std::sort(near.begin(), near.end());
    for (int j : near) {
      const double dx = xyz.x[i] - xyz.x[j], dy = xyz.y[i] - xyz.y[j], dz = xyz.z[i] - xyz.z[j];
      const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
      // Two atoms in one place would be bonded at distance 0 and give a
      // z-matrix of zero lengths: the molecule file is wrong.
      if (d == 0)
        stop({tx::FreeLine().t("ERROR: atoms").i(static_cast<long long>(i) + 1).t(" and").i(j + 1).t(
            " stand at the same place: bonds cannot be detected from their distance")});
      if (d < (blim[i] + blim[j]) * 0.5) append(bonds, Pair{static_cast<int>(i) + 1, j + 1}, "bonds", cap);
    }
  }
  return bonds;
}

Topology define_topology(int n, std::span<const Pair> bonds, int cap) {
  Topology t;
  if (n > ntgmax) too_many("atoms", ntgmax);  // atom numbers must fit the 16-bit fields of the keys below
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  // Neighbour sets (sorted, each neighbour once) and the bonds of each atom in list order.
  std::vector<std::vector<int>> nbr(nn + 1), inc(nn + 1);
  std::unordered_set<std::uint64_t> bonded;
  for (std::size_t e = 0; e < bonds.size(); ++e) {
    const Pair& p = bonds[e];
    if (p.a < 1 || p.a > n || p.b < 1 || p.b > n || p.a == p.b)
      stop({tx::FreeLine().t("ERROR: bond").i(p.a).t(" -").i(p.b).t(" does not join two atoms of 1 to").i(n)});
    nbr[static_cast<std::size_t>(p.a)].push_back(p.b);
    nbr[static_cast<std::size_t>(p.b)].push_back(p.a);
    inc[static_cast<std::size_t>(p.a)].push_back(static_cast<int>(e));
    inc[static_cast<std::size_t>(p.b)].push_back(static_cast<int>(e));
    bonded.insert(pair_key(p.a, p.b));
  }
  for (auto& v : nbr) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
  }

  // Angles: at every apex, every pair of its neighbours, smaller end first.
  long long count = 0;
  for (std::size_t i = 1; i <= nn; ++i) {
    const long long m = static_cast<long long>(nbr[i].size());
    count += m * (m - 1) / 2;
  }
  if (count > cap) too_many("angles", cap);
  t.angles.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 1; i <= nn; ++i)
    for (std::size_t p = 0; p < nbr[i].size(); ++p)
      for (std::size_t q = p + 1; q < nbr[i].size(); ++q) t.angles.push_back({nbr[i][p], static_cast<int>(i), nbr[i][q]});

  // Torsions: around every bond (b, c) in list order, the other bonds of b,
  // then the bonds of c other than these two, each in list order; a torsion
  // already listed with the same central atoms and the ends swapped is skipped.
  std::unordered_set<std::uint64_t> seen;  // (b, c) ordered, {a, d} unordered: 4 x 16 bits
  auto torsion_key = [](int a, int b, int c, int d) {
    const std::uint64_t lo = static_cast<unsigned>(std::min(a, d)), hi = static_cast<unsigned>(std::max(a, d));
    return (static_cast<std::uint64_t>(static_cast<unsigned>(b)) << 48) |
           (static_cast<std::uint64_t>(static_cast<unsigned>(c)) << 32) | (lo << 16) | hi;
  };
  for (std::size_t e = 0; e < bonds.size(); ++e) {
    const int b = bonds[e].a, c = bonds[e].b;
    for (int f : inc[static_cast<std::size_t>(b)]) {
      if (static_cast<std::size_t>(f) == e) continue;
      const int a = bonds[static_cast<std::size_t>(f)].a == b ? bonds[static_cast<std::size_t>(f)].b
                                                              : bonds[static_cast<std::size_t>(f)].a;
      for (int g : inc[static_cast<std::size_t>(c)]) {
        if (static_cast<std::size_t>(g) == e || g == f) continue;
        const int d = bonds[static_cast<std::size_t>(g)].a == c ? bonds[static_cast<std::size_t>(g)].b
                                                                : bonds[static_cast<std::size_t>(g)].a;
        // A repeated atom (three-membered ring, bond listed twice) is no torsion.
        if (a == d || a == c || d == b) continue;
        if (!seen.insert(torsion_key(a, b, c, d)).second) continue;
        append(t.torsions, Quad{a, b, c, d}, "torsions", cap);
      }
    }
  }

  // Impropers: at every centre, one for every set of three of its neighbours,
  // the sets in lexicographic order, each in increasing order.
  count = 0;
  for (std::size_t c = 1; c <= nn; ++c) {
    const long long m = static_cast<long long>(nbr[c].size());
    count += m * (m - 1) * (m - 2) / 6;
    if (count > cap) too_many("impropers", cap);
  }
  t.impropers.reserve(static_cast<std::size_t>(count));
  for (std::size_t c = 1; c <= nn; ++c) {
    const std::vector<int>& v = nbr[c];
    for (std::size_t p = 0; p < v.size(); ++p)
      for (std::size_t q = p + 1; q < v.size(); ++q)
        for (std::size_t r = q + 1; r < v.size(); ++r) t.impropers.push_back({v[p], v[q], static_cast<int>(c), v[r]});
  }

  // 1-4 pairs: the ends of every torsion, once, unless bonded or 1-3.
  std::unordered_set<std::uint64_t> ends13, ends14;
  for (const Angle& a : t.angles) ends13.insert(pair_key(a.a, a.c));
  for (const Quad& q : t.torsions) {
    const std::uint64_t k = pair_key(q.a, q.d);
    if (!ends14.insert(k).second || bonded.count(k) || ends13.count(k)) continue;
    append(t.pairs14, Pair{q.a, q.d}, "1-4 pairs", cap);
  }

  // Exclusions: bonds, 1-3 and 1-4 pairs, each pair once.
  std::unordered_set<std::uint64_t> excluded;
  auto exclude = [&](int i, int j) {
    if (excluded.insert(pair_key(i, j)).second) append(t.exclusions, Pair{i, j}, "exclusions", cap);
  };
  for (const Pair& p : bonds) exclude(p.a, p.b);
  for (const Angle& a : t.angles) exclude(a.a, a.c);
  for (const Pair& p : t.pairs14) exclude(p.a, p.b);
  return t;
}

}  // namespace tvl::topgen
