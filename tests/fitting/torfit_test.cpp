#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fitting/gauss_jordan.h"
#include "fitting/torfit.h"
#include "tests/support/support.h"

using namespace tvl::fit;
using tvl::test::stop_text;

namespace {

// Points every `step` degrees from 0 to below 360 of a butane-like profile,
// with uncertainties that grow with the energy and a small misfit.
Profile butane(int step = 10) {
  Profile p;
  for (int d = 0; d < 360; d += step) {
    const double t = d / 180.0 * torsion_pi;
    const double v = 10 + 4 * std::cos(t) + std::cos(2 * t) + 7 * std::cos(3 * t) + 0.35 * std::cos(4 * t) -
                     0.12 * std::sin(2 * t) + 0.05 * std::sin(7 * t);
    p.phi.push_back(t);
    p.v.push_back(v);
    p.sigma.push_back(0.08 + 0.01 * v);
  }
  return p;
}

// The same fit by normal equations in long double on the basis written out
// here (ks_0 left out), solved by elimination with partial pivoting.
std::vector<long double> reference(const Profile& p, Series s, int nterms, long double& chisq) {
  auto basis = [&](long double phi) {
    std::vector<long double> f;
    for (int n = 0; n < nterms; ++n) {
      f.push_back(1 + std::cos(n * phi));
      if (s == Series::sincos && n > 0) f.push_back(1 + std::cos(n * phi - 1.570796325L));
    }
    return f;
  };
  const std::size_t m = static_cast<std::size_t>(s == Series::sincos ? 2 * nterms - 1 : nterms);
  std::vector<std::vector<long double>> a(m);
  for (auto& row : a) row.assign(m + 1, 0);
  for (std::size_t i = 0; i < p.phi.size(); ++i) {
    const auto f = basis(p.phi[i]);
    const long double w = 1 / ((long double)p.sigma[i] * p.sigma[i]);
    for (std::size_t j = 0; j < m; ++j) {
      for (std::size_t k = 0; k < m; ++k) a[j][k] += w * f[j] * f[k];
      a[j][m] += w * f[j] * p.v[i];
    }
  }
  for (std::size_t c = 0; c < m; ++c) {
    std::size_t r = c;
    for (std::size_t q = c + 1; q < m; ++q)
      if (std::fabs(a[q][c]) > std::fabs(a[r][c])) r = q;
    std::swap(a[r], a[c]);
    for (std::size_t q = 0; q < m; ++q)
      if (q != c) {
        const long double g = a[q][c] / a[c][c];
        for (std::size_t k = c; k <= m; ++k) a[q][k] -= g * a[c][k];
      }
  }
  std::vector<long double> x(m);
  for (std::size_t j = 0; j < m; ++j) x[j] = a[j][m] / a[j][j];
  chisq = 0;
  for (std::size_t i = 0; i < p.phi.size(); ++i) {
    const auto f = basis(p.phi[i]);
    long double v = 0;
    for (std::size_t j = 0; j < m; ++j) v += x[j] * f[j];
    chisq += (p.v[i] - v) * (p.v[i] - v) / ((long double)p.sigma[i] * p.sigma[i]);
  }
  return x;
}

}  // namespace

TEST(GaussJordan, InvertsAndSolvesWithFullPivoting) {
  const std::vector<double> m = {2, 1, 1, 4, -6, 0, -2, 7, 2};
  std::vector<double> a = m, b = {5, -2, 9};
  gaussj(a, 3, b);
  const double x[3] = {1, 1, 2};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(b[i], x[i], 1e-14);
    for (int j = 0; j < 3; ++j) {
      double s = 0;
      for (int k = 0; k < 3; ++k) s += m[i * 3 + k] * a[k * 3 + j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-14);
    }
  }
  std::vector<double> s = {1, 2, 2, 4}, sb = {1, 2};
  EXPECT_EQ(stop_text([&] { gaussj(s, 2, sb); }), " singular matrix.\n");
  std::vector<double> n = {NAN, NAN, NAN, NAN}, nb = {1, 2};
  EXPECT_EQ(stop_text([&] { gaussj(n, 2, nb); }), " singular matrix\n");
}

TEST(TorsionFit, AgreesWithLongDoubleNormalEquations) {
  const Profile p = butane();
  for (Series s : {Series::cos, Series::sincos}) {
    for (int nterms : {1, 4, 6}) {
      const LinearFit f = torsion_fit(p, s, nterms);
      long double chisq = 0;
      const std::vector<long double> ref = reference(p, s, nterms, chisq);
      std::vector<double> fitted = f.a;
      if (s == Series::sincos) {
        EXPECT_EQ(fitted[1], 0.0);  // ks_0 held
        EXPECT_EQ(f.covar[1 * f.a.size() + 1], 0.0);
        fitted.erase(fitted.begin() + 1);
      }
      ASSERT_EQ(fitted.size(), ref.size());
      long double big = 0;
      for (long double r : ref) big = std::max(big, std::fabs(r));
      for (std::size_t j = 0; j < ref.size(); ++j)
        EXPECT_LE(std::fabs(fitted[j] - ref[j]), 1e-8 * big) << "parameter " << j << " of " << nterms;
      EXPECT_LE(std::fabs(f.chisq - chisq), 1e-8 * chisq);
    }
  }
}

TEST(TorsionFit, ExactSeriesAndScaledUncertainties) {
  Profile p;
  for (int d = 0; d < 360; d += 10) {
    p.phi.push_back(d / 180.0 * torsion_pi);
    p.v.push_back(5 * (1 + std::cos(3 * p.phi.back())));
    p.sigma.push_back(1);
  }
  const LinearFit f = torsion_fit(p, Series::cos, 4);
  for (int n = 0; n < 4; ++n) EXPECT_NEAR(f.a[n], n == 3 ? 5.0 : 0.0, 1e-12);
  EXPECT_LT(f.chisq, 1e-20);

  const Profile b = butane();
  Profile twice = b;
  for (double& s : twice.sigma) s *= 2;
  const LinearFit one = torsion_fit(b, Series::sincos, 3), two = torsion_fit(twice, Series::sincos, 3);
  EXPECT_NEAR(two.chisq, one.chisq / 4, 1e-12 * one.chisq);
  for (std::size_t j = 0; j < one.a.size(); ++j) EXPECT_NEAR(two.a[j], one.a[j], 1e-12);
}

TEST(TorsionFit, HoldingKs0AvoidsTheSingularConstantPair) {
  // Six points of equal weight: with kc_0 and ks_0 both fitted the normal
  // matrix of the two constants is singular up to rounding, and this profile
  // stops; with ks_0 held, kc_0 is half the mean energy.
  Profile p = butane(60);
  for (double& x : p.sigma) x = 1;
  EXPECT_EQ(stop_text([&] { lfit(p, Series::sincos, {1, 1}, {0, 1}); }), " singular matrix.\n");
  const LinearFit f = torsion_fit(p, Series::sincos, 1);
  double mean = 0;
  for (double v : p.v) mean += v / 6;
  EXPECT_NEAR(f.a[0], mean / 2, 1e-14);
  EXPECT_EQ(f.a[1], 0.0);

  EXPECT_EQ(stop_text([&] { lfit(p, Series::cos, {1, 1}, {0, 0}); }), " improper set in lista\n");
  EXPECT_EQ(stop_text([&] { lfit(p, Series::cos, {1, 1}, {2}); }), " improper set in lista\n");
  Profile few = p;
  few.phi.resize(3), few.v.resize(3), few.sigma.resize(3);
  EXPECT_EQ(stop_text([&] { torsion_fit(few, Series::cos, 4); }), " singular matrix.\n");
}

TEST(TorsionFit, ListingLayouts) {
  LinearFit sc{{12.5, 0.0, -3.25, 0.5}, std::vector<double>(16, 0.0), 2.5};
  const std::string dash56 = " " + std::string(56, '-');
  const std::vector<std::string> want_sc = {
      dash56, " ", "  Terms: 2", " ",
      "    V_i(phi) = kc_i * [ 1 + cos( n_i * phi ) ] ",
      "             + ks_i * [ 1 + cos( n_i * phi - Pi/2 ) ] ",
      " ", dash56, "       n_i        kc_i          ks_i", dash56,
      "        0     12.5000000      0.0000000", " ",
      "        1     -3.2500000      0.5000000",
      dash56, "   CHI**2 : 2.5", dash56};
  EXPECT_EQ(fit_listing(Series::sincos, 2, sc), want_sc);

  LinearFit c{{1.0, -0.125}, {0.0004, 0.0, 0.0, 1.5e-7}, 0.03125};
  const std::string dash48 = " " + std::string(48, '-');
  const std::vector<std::string> want_c = {
      dash48, " ", "  Terms: 2", " ", "    V_i(phi) = k_i * [ 1 + cos( n_i * phi ) ] ",
      " ", dash48, "    i   n_i       k_i        Variance(k)   ", dash48,
      "    1    0      1.0000000    0.40000E-03", " ",
      "    2    1     -0.1250000    0.15000E-06",
      dash48, "   CHI**2 : 0.03125", dash48};
  EXPECT_EQ(fit_listing(Series::cos, 2, c), want_c);
}
