// Parameter matching by AMBER's precedence: one entry per torsion and per
// improper, the most specific one, instead of every entry that matches.
#include <algorithm>

#include "topgen/params.h"

namespace tvl::topgen {

namespace {

int T(const Labels& l, int atom) { return l.atom[static_cast<std::size_t>(atom - 1)]; }

// The "x" count of a matching entry, or -1 when it does not match.
int fit(int label, int type, int x) { return label == type ? 0 : label == x ? 1 : -1; }

}  // namespace

void match_torsion_amber(const Labels& l, const Quad& t, std::vector<int>& out) {
  out.clear();
  const int ta = T(l, t.a), tb = T(l, t.b), tc = T(l, t.c), td = T(l, t.d);
  int best = -1, best_x = 3;
  for (std::size_t k = 0; k < l.dihed.size(); ++k) {
    const auto& e = l.dihed[k];
    for (const bool reverse : {false, true}) {
      if (e[1] != (reverse ? tc : tb) || e[2] != (reverse ? tb : tc)) continue;
      const int f0 = fit(e[0], reverse ? td : ta, l.x), f3 = fit(e[3], reverse ? ta : td, l.x);
      if (f0 < 0 || f3 < 0 || f0 + f3 >= best_x) continue;
      best = static_cast<int>(k), best_x = f0 + f3;
    }
  }
  if (best < 0) return;
  // The terms of that torsion: its neighbours in the table with the same labels.
  const auto& b = l.dihed[static_cast<std::size_t>(best)];
  auto same = [&](std::size_t k) {
    const auto& e = l.dihed[k];
    return e == b || (e[0] == b[3] && e[1] == b[2] && e[2] == b[1] && e[3] == b[0]);
  };
  std::size_t lo = static_cast<std::size_t>(best), hi = lo + 1;
  while (lo > 0 && same(lo - 1)) --lo;
  while (hi < l.dihed.size() && same(hi)) ++hi;
  for (std::size_t k = lo; k < hi; ++k) out.push_back(static_cast<int>(k));
}

bool match_improper_amber(const Labels& l, const Quad& q, ImproperMatch& out) {
  // The neighbours in the orders to try, each as (first, second, fourth) place.
  std::array<int, 3> n = {q.a, q.b, q.d};
  std::sort(n.begin(), n.end());
  int best_x = 4;
  for (std::size_t k = 0; k < l.imdh.size(); ++k) {
    const auto& e = l.imdh[k];
    if (e[2] != T(l, q.c)) continue;
    std::array<int, 3> p = n;
    do {
      const int f0 = fit(e[0], T(l, p[0]), l.x), f1 = fit(e[1], T(l, p[1]), l.x), f3 = fit(e[3], T(l, p[2]), l.x);
      if (f0 < 0 || f1 < 0 || f3 < 0 || f0 + f1 + f3 >= best_x) continue;
      best_x = f0 + f1 + f3;
      out = {static_cast<int>(k), {p[0], p[1], q.c, p[2]}};
    } while (std::next_permutation(p.begin(), p.end()));
  }
  return best_x < 4;
}

}  // namespace tvl::topgen
