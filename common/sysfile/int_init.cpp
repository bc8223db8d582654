#include "common/sysfile/int_init.h"

#include <cmath>

namespace tvl::sys {

double erf_as(double x) {
  const double t = 1.0 / (1.0 + erf_p * x);
  return 1.0 - ((((erf_a5 * t + erf_a4) * t + erf_a3) * t + erf_a2) * t + erf_a1) * t *
                   std::exp(-x * x);
}

Interaction int_init(const SystemDescription& s, std::span<const int> site_type,
                     std::span<const int> mol_type, double rc, double& ewald_fac) {
  Interaction r;
  const int nsp = s.nsp;
  const std::size_t np = nsp > 0 ? static_cast<std::size_t>(nsp) : 0;
  auto q = [&](int p) { return p >= 0 && p < static_cast<int>(s.q_sp.size()) ? s.q_sp[p] : 0.0; };

  r.qqsp.assign(np * np, 0.0);
  for (int i = 0; i < nsp; ++i)
    for (int j = 0; j < nsp; ++j)
      r.qqsp[static_cast<std::size_t>(j) + static_cast<std::size_t>(i) * np] =
          q(i) * q(j) * coulomb_factor;

  r.qi.resize(site_type.size());
  r.nsite_sp.assign(np, 0);
  double sum_q2 = 0.0;
  for (std::size_t k = 0; k < site_type.size(); ++k) {
    const int p = site_type[k];
    r.qi[k] = q(p) * sqrt_coulomb;
    if (p >= 0 && p < nsp) ++r.nsite_sp[static_cast<std::size_t>(p)];
    sum_q2 += q(p) * q(p);
  }

  const auto nmol = static_cast<double>(mol_type.size());
  long long nfree_sum = 0;
  for (int t : mol_type)
    if (t >= 0 && t < static_cast<int>(s.mol.size())) nfree_sum += s.mol[t].nfree;
  r.f_half = static_cast<double>(nfree_sum - 3) * 0.5;

  if (rc == 0.0) return r;
  const double alpha = ewald_fac / (rc + rc);
  ewald_fac = alpha;
  if (mol_type.empty()) return r;

  r.e_self = -(alpha * inv_sqrt_pi * sum_q2 * coulomb_factor) / nmol;

  // The term of every excluded pair of each molecule type, computed once;
  // the sum then runs over the molecules and their pairs in order, adding
  // exactly what a pair-by-pair evaluation adds.
  std::vector<std::vector<double>> per_type(s.mol.size());
  for (std::size_t t = 0; t < s.mol.size(); ++t) {
    const MolType& mt = s.mol[t];
    std::vector<double>& e = per_type[t];
    for (int k = 0; k < mt.nexcl; ++k) {
      const int a = mt.excl_a[k], b = mt.excl_b[k];
      if (!mt.site_ok(a) || !mt.site_ok(b)) continue;
      const double dx = mt.xmol[a] - mt.xmol[b], dy = mt.ymol[a] - mt.ymol[b],
                   dz = mt.zmol[a] - mt.zmol[b];
      const double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
      if (dist == 0.0) continue;
      const int pa = mt.sptype_mol[a], pb = mt.sptype_mol[b];
      if (pa < 0 || pa >= nsp || pb < 0 || pb >= nsp) continue;
      e.push_back(erf_as(alpha * dist) *
                  r.qqsp[static_cast<std::size_t>(pb) + static_cast<std::size_t>(pa) * np] / dist);
    }
  }
  double total = 0.0;
  for (int t : mol_type)
    if (t >= 0 && t < static_cast<int>(per_type.size()))
      for (double e : per_type[t]) total += e;
  r.e_excl = -(total / nmol);
  return r;
}

}  // namespace tvl::sys
