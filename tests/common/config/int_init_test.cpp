#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/sysfile/int_init.h"
#include "helpers.h"

using namespace tvl;

TEST(IntInit, ChargeProductsAndSiteData) {
  sys::SystemDescription s = test::two_types();
  s.q_sp = {1.0, -1.0};
  const std::vector<int> sites = {0, 1, 1, 0};
  const std::vector<int> mols = {0, 1};
  double ewald = 0.0;
  const sys::Interaction r = sys::int_init(s, sites, mols, 0.0, ewald);
  ASSERT_EQ(r.qqsp.size(), 4u);
  EXPECT_DOUBLE_EQ(r.qqsp[0], 138.9357);
  EXPECT_DOUBLE_EQ(r.qqsp[3], 138.9357);
  EXPECT_DOUBLE_EQ(r.qqsp[1], -138.9357);
  EXPECT_DOUBLE_EQ(r.qqsp[2], -138.9357);
  EXPECT_DOUBLE_EQ(r.qi[1], -11.787098879707424);
  EXPECT_EQ(r.nsite_sp, (std::vector<int>{2, 2}));
  EXPECT_DOUBLE_EQ(r.f_half, (6 + 3 - 3) * 0.5);
  // A cut-off of 0 leaves the Ewald terms out.
  EXPECT_EQ(r.e_self, 0.0);
  EXPECT_EQ(r.e_excl, 0.0);
}

TEST(IntInit, DegreesOfFreedomOfAHundredRigidWaters) {
  sys::SystemDescription s = test::two_types();
  std::vector<int> sites, mols(100, 0);
  for (int m = 0; m < 100; ++m) sites.insert(sites.end(), {0, 1, 1});
  double ewald = 0.0;
  EXPECT_DOUBLE_EQ(sys::int_init(s, sites, mols, 0.0, ewald).f_half, (600 - 3) * 0.5);
}

TEST(IntInit, EwaldTerms) {
  sys::SystemDescription s = test::two_types();
  sys::MolType& w = s.mol[0];
  w.nexcl = 3;
  w.excl_a = {0, 0, 1};
  w.excl_b = {1, 2, 2};
  const std::vector<int> sites = {0, 1, 1, 0, 1, 1};
  const std::vector<int> mols = {0, 0};
  double ewald = 3.0;
  const sys::Interaction r = sys::int_init(s, sites, mols, 1.0, ewald);
  const double alpha = 1.5;
  EXPECT_DOUBLE_EQ(ewald, alpha);
  const double sum_q2 = 2 * (0.64 + 0.16 + 0.16);
  EXPECT_NEAR(r.e_self, -(alpha * 0.5641895835 * sum_q2 * 138.9357) / 2.0, 1e-12);
  double e = 0.0;
  for (int k = 0; k < 3; ++k) {
    const int a = w.excl_a[k], b = w.excl_b[k];
    const double d = std::hypot(w.xmol[a] - w.xmol[b], w.ymol[a] - w.ymol[b]);
    e += sys::erf_as(alpha * d) * s.q_sp[w.sptype_mol[a]] * s.q_sp[w.sptype_mol[b]] * 138.9357 / d;
  }
  EXPECT_NEAR(r.e_excl, -(2 * e / 2.0), 1e-9);
  // Summed pair by pair over the molecules, in order: the same double.
  double sum = 0.0;
  for (int m = 0; m < 2; ++m)
    for (int k = 0; k < 3; ++k) {
      const int a = w.excl_a[k], b = w.excl_b[k];
      const double d = std::sqrt(std::pow(w.xmol[a] - w.xmol[b], 2) + std::pow(w.ymol[a] - w.ymol[b], 2) +
                                 std::pow(w.zmol[a] - w.zmol[b], 2));
      const double qq = r.qqsp[static_cast<std::size_t>(w.sptype_mol[b]) + 2u * w.sptype_mol[a]];
      sum += sys::erf_as(alpha * d) * qq / d;
    }
  EXPECT_EQ(r.e_excl, -(sum / 2.0));
  // With a factor of 0 alpha is 0 and so are both terms.
  ewald = 0.0;
  const sys::Interaction z = sys::int_init(s, sites, mols, 1.0, ewald);
  EXPECT_EQ(z.e_self, 0.0);
  EXPECT_EQ(z.e_excl, 0.0);
}

TEST(IntInit, ApproximateErrorFunction) {
  EXPECT_FLOAT_EQ(static_cast<float>(sys::erf_p), 0.3275911f);
  EXPECT_NE(sys::erf_p, 0.3275911);  // held as a single-precision value
  for (double x = 0.0; x < 4.0; x += 0.05) EXPECT_NEAR(sys::erf_as(x), std::erf(x), 2e-7) << x;
}
