// The z-matrix: for each start atom the rows are found through per-atom
// indices of bonds, angles and torsions and a queue of the torsions that can
// place an atom, so a start costs about as much as the torsion list is long.
#include "topgen/zmatrix.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>

#include "common/error.h"
#include "common/text/fortran.h"

namespace tvl::topgen {

namespace {

struct Vec {
  double x, y, z;
};
Vec at(const Coords& xyz, int i) {
  const auto k = static_cast<std::size_t>(i - 1);
  return {xyz.x[k], xyz.y[k], xyz.z[k]};
}
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// acos of u.v / (|u| |v|), cosine clamped to [-1, 1], in degrees; 0 for a zero vector.
double angle_of(Vec u, Vec v) {
  const double norm = std::sqrt(dot(u, u)) * std::sqrt(dot(v, v));
  if (!(norm > 0)) return 0.0;
  return std::acos(std::clamp(dot(u, v) / norm, -1.0, 1.0)) * deg_per_rad;
}

}  // namespace

double distance(const Coords& xyz, int i, int j) {
  const Vec d = at(xyz, i) - at(xyz, j);
  return std::sqrt(dot(d, d));
}

double bond_angle(const Coords& xyz, int i, int j, int k) {
  const Vec c = at(xyz, j);
  return angle_of(at(xyz, i) - c, at(xyz, k) - c);
}

double torsion_angle(const Coords& xyz, int a, int b, int c, int d) {
  const Vec pb = at(xyz, b), pc = at(xyz, c), bc = pc - pb;
  const Vec p = cross(at(xyz, a) - pb, bc), q = cross(bc, pc - at(xyz, d));
  const double t = angle_of(p, q);
  return dot(cross(p, q), bc) < 0 ? -t : t;
}

std::vector<ZRow> gen_zmatrix(const Coords& xyz, std::span<const Pair> bonds, std::span<const Angle> angles,
                              std::span<const Quad> torsions) {
  const int n = static_cast<int>(xyz.size());
  const auto nn = static_cast<std::size_t>(n);
  auto fail = [] { stop({text::free_text("topgen: cannot assign z-matrix to topology")}); };
  if (n < 4) fail();
  auto valid = [n](int i) { return i >= 1 && i <= n; };
  // Per atom: its first bond, the angles at it as apex and the torsions holding it, in list order.
  std::vector<int> first_bond(nn + 1, -1);
  for (std::size_t e = bonds.size(); e-- > 0;)
    if (valid(bonds[e].a) && valid(bonds[e].b)) first_bond[bonds[e].a] = first_bond[bonds[e].b] = static_cast<int>(e);
  std::vector<std::vector<int>> at_apex(nn + 1), holding(nn + 1);
  for (std::size_t k = 0; k < angles.size(); ++k)
    if (valid(angles[k].a) && valid(angles[k].b) && valid(angles[k].c))
      at_apex[angles[k].b].push_back(static_cast<int>(k));
  for (std::size_t k = 0; k < torsions.size(); ++k) {
    const Quad& q = torsions[k];
    if (!valid(q.a) || !valid(q.b) || !valid(q.c) || !valid(q.d)) continue;
    for (int v : {q.a, q.b, q.c, q.d}) holding[v].push_back(static_cast<int>(k));
  }

  std::vector<char> placed(nn + 1, 0);
  // Atoms of the closures of failed starts: a start whose first three atoms
  // all lie in one of them places no more atoms than that start did.
  std::vector<int> failed_in(nn + 1, 0);
  std::vector<ZRow> rows;
  std::priority_queue<int, std::vector<int>, std::greater<int>> ready;
  // The row torsion k gives when it can place an atom, else a row with a = 0.
  auto row_of = [&](int k) {
    const Quad& q = torsions[static_cast<std::size_t>(k)];
    ZRow r;
    if (placed[q.b] && placed[q.c]) {
      if (placed[q.d] && !placed[q.a]) r = {q.a, q.b, q.c, q.d};
      else if (placed[q.a] && !placed[q.d]) r = {q.d, q.c, q.b, q.a};
    }
    return r;
  };
  auto place = [&](const ZRow& r) {
    rows.push_back(r);
    placed[r.a] = 1;
    for (int k : holding[r.a])
      if (row_of(k).a != 0) ready.push(k);
  };

  for (int s = 1; s <= n; ++s) {
    const int e = first_bond[s];
    if (e < 0) continue;
    const int t = bonds[e].a == s ? bonds[e].b : bonds[e].a;
    // The first angle on the bond s-t with s or t as apex.
    int best = -1;
    for (int p : {s, t})
      for (int k : at_apex[p]) {
        const Angle& g = angles[static_cast<std::size_t>(k)];
        if ((g.a == s + t - p || g.c == s + t - p) && (best < 0 || k < best)) {
          best = k;
          break;
        }
      }
    if (best < 0) continue;
    const Angle& g = angles[static_cast<std::size_t>(best)];
    const int p = g.b, o = s + t - p, u = g.a == o ? g.c : g.a;
    if (failed_in[s] != 0 && failed_in[s] == failed_in[t] && failed_in[s] == failed_in[u]) continue;

    std::fill(placed.begin(), placed.end(), 0);
    rows.clear();
    ready = {};
    place({s});
    place({t, s, 0, 0, distance(xyz, t, s)});
    place({u, p, o, 0, distance(xyz, u, p), bond_angle(xyz, u, p, o)});
    while (static_cast<int>(rows.size()) < n && !ready.empty()) {
      const int k = ready.top();
      ready.pop();
      ZRow r = row_of(k);
      if (r.a == 0) continue;  // its free atom was placed meanwhile
      r.r0 = distance(xyz, r.a, r.b);
      r.ang = bond_angle(xyz, r.a, r.b, r.c);
      r.dh = torsion_angle(xyz, r.a, r.b, r.c, r.d);
      place(r);
    }
    if (static_cast<int>(rows.size()) == n) return rows;
    for (const ZRow& r : rows) failed_in[r.a] = s;
  }
  fail();
  return {};
}

}  // namespace tvl::topgen
