#include "fitting/espfit.h"

#include <cmath>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "fitting/crout.h"

namespace tvl::fit {

namespace tx = tvl::text;

namespace {

double dist(const std::array<double, 3>& a, const esp::PotPoint& p) {
  double dx = p.x - a[0], dy = p.y - a[1], dz = p.z - a[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

ChargeFit fit_charges(const esp::PotFile& pf, const std::string& label) {
  const std::size_t nq = pf.atoms.size() - 1;  // free charges
  const std::size_t m = pf.points.size();
  // Units: coordinates in Angstrom, the potential per Angstrom.
  esp::PotFile pa = pf;
  esp::to_angstrom(pa);
  const std::vector<std::array<double, 3>>& atoms = pa.atoms;
  const std::vector<esp::PotPoint>& pts = pa.points;

  // Distances and the design matrix delta(j,i) = 1/betragi(j,i) - 1/betragn(j).
  std::vector<double> betragi(m * nq), betragn(m), delta(m * nq);
  for (std::size_t j = 0; j < m; ++j) {
    for (std::size_t i = 0; i <= nq; ++i) {
      double r = dist(atoms[i], pts[j]);
      if (r == 0) esp::point_on_atom(label, j, i);
      if (i < nq) betragi[j * nq + i] = r;
      else betragn[j] = r;
    }
    for (std::size_t i = 0; i < nq; ++i)
      delta[j * nq + i] = 1.0 / betragi[j * nq + i] - 1.0 / betragn[j];
  }

  // The correction stays in memory: the correction file is written only with
  // a fitted result, so a refused run leaves both files as they were.
  std::vector<double> q(nq, 0.0), dq(nq, 0.0);

  // Normal matrix, factorised once.
  const int n = static_cast<int>(nq);
  Matrix zsum1(n);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) {
      double s = 0;
      for (std::size_t j = 0; j < m; ++j) s += delta[j * nq + i] * delta[j * nq + k];
      zsum1(i, k) = s;
    }
  std::vector<int> indx;
  // A pivot this small against its row means the charges are not determined
  // by the points (coincident atoms, too few distinct points): any result
  // would be arbitrary.
  if (lu_factor(zsum1, indx) < relative_pivot_min) stop({singular_text});

  ChargeFit res;
  std::vector<double> r(nq);
  for (int k = 1; k <= max_iterations; ++k) {
    res.iterations = k;
    out_line(" Iterationsschritt: " + tx::fmt_i(k, 5));
    out_line("");
    std::vector<double> dif(m);
    for (std::size_t j = 0; j < m; ++j) {
      double pot1 = 0, pot2 = 0;
      for (std::size_t i = 0; i < nq; ++i) {
        pot1 += (q[i] + dq[i]) / betragi[j * nq + i];
        pot2 += (q[i] + dq[i]) / betragn[j];
      }
      dif[j] = pts[j].v - (pot1 - pot2);
    }
    for (std::size_t i = 0; i < nq; ++i) q[i] += dq[i];
    for (std::size_t i = 0; i < nq; ++i) {
      double s = 0;
      for (std::size_t j = 0; j < m; ++j) s += delta[j * nq + i] * dif[j];
      r[i] = s;
    }
    lu_solve(zsum1, indx, r);
    dq = r;
    if (std::fabs(dq[0]) < static_cast<double>(fit_tolerance)) break;
  }

  // The last correction is part of the result; the last atom takes minus
  // the sum, accumulated in single precision.
  float s = 0.0f;
  res.q.resize(nq + 1);
  for (std::size_t i = 0; i < nq; ++i) {
    res.q[i] = q[i] + dq[i];
    s = static_cast<float>(static_cast<double>(s) + q[i] + dq[i]);
  }
  res.q[nq] = -static_cast<double>(s);
  res.dq = dq;
  return res;
}

}  // namespace tvl::fit
