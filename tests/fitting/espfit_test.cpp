// The charge fit: recovery of known charges, the factorisation, and the
// singular cases that stop with "Singular matrix.".
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "fitting/crout.h"
#include "fitting/espfit.h"
#include "tests/support/support.h"

using tvl::esp::PotFile;
using tvl::test::capture_stdout;
using tvl::test::stop_text;

namespace {

// The potential of point charges q at the atoms of pf, on points spread over
// a sphere of radius `rad` bohr, in the file's units.
PotFile with_potential(PotFile pf, const std::vector<double>& q, int npts, double rad) {
  for (int j = 0; j < npts; ++j) {
    double z = 1.0 - 2.0 * (j + 0.5) / npts, s = std::sqrt(1 - z * z), ph = j * 2.399963;
    tvl::esp::PotPoint p{0, rad * s * std::cos(ph), rad * s * std::sin(ph), rad * z};
    double v = 0;  // per Angstrom, at distances in Angstrom
    for (std::size_t i = 0; i < q.size(); ++i) {
      const auto& a = pf.atoms[i];
      double r = std::hypot(p.x - a[0], p.y - a[1], p.z - a[2]) * tvl::fit::bohr_to_a;
      v += q[i] / r;
    }
    p.v = v / tvl::fit::pot_per_bohr;
    pf.points.push_back(p);
  }
  return pf;
}

TEST(ChargeFit, RecoversKnownCharges) {
  PotFile mol;
  mol.atoms = {{0, 0, 0}, {2.1, 0, 0}, {-0.7, 1.9, 0.3}, {-0.6, -1.0, 1.7}, {0.4, -0.9, -1.8}};
  const std::vector<double> q = {-0.62, 0.31, 0.05, 0.11, 0.15};
  PotFile pf = with_potential(mol, q, 400, 7.0);
  tvl::fit::ChargeFit fit;
  capture_stdout([&] { fit = tvl::fit::fit_charges(pf, "t"); });
  ASSERT_EQ(fit.q.size(), q.size());
  for (std::size_t i = 0; i < q.size(); ++i) EXPECT_NEAR(fit.q[i], q[i], 1e-4) << i;
  EXPECT_EQ(fit.iterations, 2);
  ASSERT_EQ(fit.dq.size(), q.size() - 1);
  EXPECT_LT(std::fabs(fit.dq[0]), tvl::fit::fit_tolerance);  // the converged correction, not the charges
}

TEST(ChargeFit, TwoAtomsAndZeroPotential) {
  PotFile mol;
  mol.atoms = {{0, 0, 0}, {0, 0, 2.8}};
  tvl::fit::ChargeFit fit;
  std::string out = capture_stdout([&] { fit = tvl::fit::fit_charges(with_potential(mol, {0.2, -0.2}, 30, 6), "t"); });
  EXPECT_NEAR(fit.q[0], 0.2, 1e-6);
  EXPECT_EQ(fit.q[1], -static_cast<double>(static_cast<float>(fit.q[0])));
  EXPECT_EQ(fit.iterations, 2);
  capture_stdout([&] { fit = tvl::fit::fit_charges(with_potential(mol, {0, 0}, 30, 6), "t"); });
  EXPECT_EQ(fit.iterations, 1);
  EXPECT_EQ(fit.q, (std::vector<double>{0, -0.0}));
}

TEST(ChargeFit, SingularCasesStop) {
  // Coincident atoms: the matrix is singular but has no zero row, and a
  // pivot may come out exactly zero (replaced by 1e-20) or merely tiny.
  PotFile mol;
  mol.atoms = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 2, 0}};
  PotFile pf = with_potential(mol, {0.1, 0.2, -0.1, -0.2}, 50, 6);
  int st = 0;
  EXPECT_EQ(stop_text([&] { capture_stdout([&] { tvl::fit::fit_charges(pf, "t"); }); }, &st),
            " Singular matrix.\n");
  EXPECT_EQ(st, 1);
  // A zero row stops the factorisation before any division.
  tvl::fit::Matrix z(2);
  z(0, 0) = 1;
  std::vector<int> indx;
  EXPECT_EQ(stop_text([&] { tvl::fit::lu_factor(z, indx); }), " Singular matrix.\n");
}

TEST(Crout, SolvesWithPivoting) {
  tvl::fit::Matrix a(3);
  const double v[9] = {0, 2, 1, 1, 1, 1, 4, -1, 3};
  for (int i = 0; i < 9; ++i) a.a[static_cast<std::size_t>(i)] = v[i];
  std::vector<int> indx;
  tvl::fit::lu_factor(a, indx);
  std::vector<double> b = {2 * 2 + 3, 1 + 2 + 3, 4 - 2 + 9};  // x = (1, 2, 3)
  tvl::fit::lu_solve(a, indx, b);
  EXPECT_NEAR(b[0], 1, 1e-12);
  EXPECT_NEAR(b[1], 2, 1e-12);
  EXPECT_NEAR(b[2], 3, 1e-12);
}

}  // namespace
