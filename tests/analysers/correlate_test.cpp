// The correlation kernel: lag/origin grid, agreement with the plain loop,
// identical output for any thread count, double-precision sums.
#include "analysers/correlate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "analysers/store.h"

namespace tvl::an {
namespace {

// K series of F random (not normalised) vectors, stride 3K + 3.
std::vector<float> random_data(int K, int F, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-2.0f, 2.0f);
  std::vector<float> v(static_cast<std::size_t>(F) * (3 * K + 3));
  for (auto& x : v) x = d(rng);
  return v;
}

LagScheme scheme(int F, int tmax, int tgap, int sgap) {
  LagScheme l;
  l.frames = F;
  l.tmax = tmax;
  l.tgap = tgap;
  l.sgap = sgap;
  return l;
}

TEST(LagScheme, LagsAndOriginsFollowTheGaps) {
  LagScheme l = scheme(7, 10, 3, 2);
  EXPECT_EQ(l.nlags(), 4);  // lags 0, 3, 6, 9
  EXPECT_EQ(l.lag(3), 9);
  EXPECT_EQ(l.pairs(), 7);  // origins 4, 2, 1, 0 of the lags 0, 3, 6, 9
  LagScheme o = scheme(7, 2, 1, 2);
  EXPECT_EQ(o.origins(2), 3);  // origins 1, 3, 5
  EXPECT_EQ(o.origins(0), 4);
  EXPECT_EQ(o.origins(7), 0);  // tau = F: no origin
}

TEST(UnitVector, RefusesZeroAndNonFiniteVectors) {
  float u[3];
  const float zero[3] = {0, 0, 0}, inf[3] = {INFINITY, 0, 0}, nan[3] = {NAN, 1, 1}, tiny[3] = {1e-30f, 0, 0};
  EXPECT_FALSE(unit_vector(zero, u));
  EXPECT_FALSE(unit_vector(inf, u));
  EXPECT_FALSE(unit_vector(nan, u));
  EXPECT_FALSE(unit_vector(tiny, u));  // v.v underflows to 0
  const float subnormal[3] = {3e-20f, 0, 0}, smallest[3] = {1.1e-19f, 0, 0};
  EXPECT_FALSE(unit_vector(subnormal, u));  // v.v = 9e-40 has lost its digits
  ASSERT_TRUE(unit_vector(smallest, u));    // v.v = 1.21e-38 is a normal float
  EXPECT_FLOAT_EQ(u[0], 1.0f);
  const float v[3] = {3, 0, 4};
  ASSERT_TRUE(unit_vector(v, u));
  EXPECT_FLOAT_EQ(u[0], 0.6f);
  EXPECT_FLOAT_EQ(u[2], 0.8f);
}

// Two series of three frames, worked out by hand: series 1 turns from x to y
// and back, series 2 stays on z. Lag 1 has origins 1, 2 per series.
TEST(Correlate, HandCheckedTwoSeries) {
  const int K = 2, F = 3;
  // stride 3K + 3 = 9; vectors need not be unit length
  std::vector<float> d = {2, 0, 0, 0, 0, 5, 0, 0, 0,  //
                          0, 3, 0, 0, 0, 1, 0, 0, 0,  //
                          1, 0, 0, 0, 0, 2, 0, 0, 0};
  SeriesData in{d.data(), 9, K};
  Sums s = correlate(in, {0, 0}, 1, scheme(F, 2, 1, 1), Legendre2{3.0, 1.0}, 1);
  ASSERT_EQ(s.nlags, 3);
  EXPECT_EQ(s.norm[0], 6);
  EXPECT_EQ(s.norm[1], 4);
  EXPECT_EQ(s.norm[2], 2);
  EXPECT_DOUBLE_EQ(s.p1[0], 6.0);
  EXPECT_DOUBLE_EQ(s.p2[0], 12.0);
  // lag 1: series 1 gives c = 0, 0; series 2 gives 1, 1
  EXPECT_DOUBLE_EQ(s.p1[1], 2.0);
  EXPECT_DOUBLE_EQ(s.p2[1], -1.0 - 1.0 + 2.0 + 2.0);
  // lag 2: series 1 gives c = 1 (x to x), series 2 gives 1
  EXPECT_DOUBLE_EQ(s.p1[2], 2.0);
  EXPECT_DOUBLE_EQ(s.p2[2], 4.0);
}

TEST(Correlate, AgreesWithThePlainLoopForAllGaps) {
  const int K = 5, F = 157;
  auto d = random_data(K, F, 7);
  SeriesData in{d.data(), 3 * K + 3, K};
  std::vector<int> group = {0, 1, 0, 2, 1};
  for (int sgap : {1, 3, 2147483647}) {  // the largest gap: one origin per lag
    for (int tgap : {1, 4}) {
      LagScheme l = scheme(F, 150, tgap, sgap);
      Sums a = correlate(in, group, 3, l, Legendre2{1.5, 0.5}, 2);
      Sums b = correlate_plain(in, group, 3, l, Legendre2{1.5, 0.5});
      ASSERT_EQ(a.norm, b.norm);
      for (std::size_t i = 0; i < a.p1.size(); ++i) {
        EXPECT_NEAR(a.p1[i], b.p1[i], 1e-10) << "sgap " << sgap << " tgap " << tgap << " at " << i;
        EXPECT_NEAR(a.p2[i], b.p2[i], 1e-10);
      }
    }
  }
}

TEST(Correlate, OutputIsBitIdenticalForAnyThreadCount) {
  const int K = 40, F = 3000;  // several blocks of series, many lag chunks
  auto d = random_data(K, F, 11);
  SeriesData in{d.data(), 3 * K + 3, K};
  std::vector<int> group(K, 0);
  LagScheme l = scheme(F, 700, 1, 1);
  Sums one = correlate(in, group, 1, l, Legendre2{}, 1);
  for (unsigned t : {2u, 3u, 8u}) {
    Sums many = correlate(in, group, 1, l, Legendre2{}, t);
    EXPECT_EQ(std::memcmp(one.p1.data(), many.p1.data(), one.p1.size() * sizeof(double)), 0) << t;
    EXPECT_EQ(std::memcmp(one.p2.data(), many.p2.data(), one.p2.size() * sizeof(double)), 0) << t;
    EXPECT_EQ(one.norm, many.norm);
  }
}

TEST(Correlate, ProgressIsReportedInSeriesOrder) {
  const int K = 70, F = 20000;  // blocks of a few series
  auto d = random_data(K, F, 3);
  SeriesData in{d.data(), 3 * K + 3, K};
  std::vector<int> seen;
  correlate(in, std::vector<int>(K, 0), 1, scheme(F, 2, 1, 1), Legendre2{}, 4,
            [&](int k) { seen.push_back(k); });
  ASSERT_EQ(seen.size(), 70u);
  for (int k = 0; k < K; ++k) EXPECT_EQ(seen[static_cast<std::size_t>(k)], k);
}

TEST(Correlate, ReportsTheSeriesAndFrameOfAZeroVector) {
  const int K = 3, F = 10;
  auto d = random_data(K, F, 5);
  float* v = d.data() + 6 * (3 * K + 3) + 3 * 2;  // series 3, frame 7
  v[0] = v[1] = v[2] = 0.0f;
  SeriesData in{d.data(), 3 * K + 3, K};
  try {
    correlate(in, {0, 0, 0}, 1, scheme(F, 3, 1, 1), Legendre2{}, 2);
    FAIL() << "no error";
  } catch (const BadVector& e) {
    EXPECT_EQ(e.series, 2);
    EXPECT_EQ(e.frame, 6);
  }
}

// A vector turning by a fixed angle per frame: c(tau) = cos(w tau) at every
// origin. With 2 million terms per lag a single-precision running sum drifts
// far off (each addition is rounded to the spacing of a sum near 10^6); the
// double sums stay on the exact value.
TEST(Correlate, SumsOfMillionsOfTermsDoNotDrift) {
  const int K = 100, F = 20000;
  const double w = 0.3;
  std::vector<float> d(static_cast<std::size_t>(F) * (3 * K + 3));
  for (int f = 0; f < F; ++f)
    for (int k = 0; k < K; ++k) {
      float* v = d.data() + static_cast<std::size_t>(f) * (3 * K + 3) + 3 * k;
      v[0] = static_cast<float>(std::cos(w * f));
      v[1] = static_cast<float>(std::sin(w * f));
      v[2] = 0.0f;
    }
  SeriesData in{d.data(), 3 * K + 3, K};
  LagScheme l = scheme(F, 4, 1, 1);
  Sums s = correlate(in, std::vector<int>(K, 0), 1, l, Legendre2{3.0, 1.0}, 2);

  // the single-precision running sums of the straightforward loop
  std::vector<float> f1(5, 0.0f), f2(5, 0.0f);
  std::vector<float> ux(F), uy(F), uz(F);
  for (int k = 0; k < K; ++k) {
    for (int f = 0; f < F; ++f) {
      float u[3];
      unit_vector(d.data() + static_cast<std::size_t>(f) * (3 * K + 3) + 3 * k, u);
      ux[f] = u[0], uy[f] = u[1], uz[f] = u[2];
    }
    for (int tau = 0; tau <= 4; ++tau)
      for (int t0 = 0; t0 + tau < F; ++t0) {
        float c = ux[t0] * ux[t0 + tau] + uy[t0] * uy[t0 + tau] + uz[t0] * uz[t0 + tau];
        f1[tau] += c;
        f2[tau] = (f2[tau] + 3.0f * c * c) - 1.0f;
      }
  }
  double worst_single = 0.0;
  for (int tau = 0; tau <= 4; ++tau) {
    const double n = static_cast<double>(s.norm[tau]);
    const double exact1 = std::cos(w * tau), exact2 = 3.0 * exact1 * exact1 - 1.0;
    EXPECT_NEAR(s.p1[tau] / n, exact1, 2e-6) << tau;
    EXPECT_NEAR(s.p2[tau] / n, exact2, 5e-6) << tau;
    worst_single = std::max(worst_single, std::fabs(f1[tau] / n - exact1));
  }
  EXPECT_GT(worst_single, 1e-3);  // the case is one where single precision visibly drifts
}

TEST(VectorStore, GrowsWithTheDataAndRespectsItsLimit) {
  VectorStore st(2, 27);  // stride 9: three configurations fit
  EXPECT_EQ(st.stride(), 9u);
  EXPECT_EQ(st.capacity_values(), 0u);
  for (int f = 0; f < 3; ++f) {
    ASSERT_TRUE(st.fits_one_more());
    float* r = st.append();
    for (int i = 0; i < 9; ++i) r[i] = static_cast<float>(10 * f + i);
    EXPECT_LE(st.capacity_values(), 27u);
  }
  EXPECT_FALSE(st.fits_one_more());
  EXPECT_EQ(st.frames(), 3);
  EXPECT_EQ(st.row(1)[4], 14.0f);  // earlier rows survive the growth
  EXPECT_EQ(st.row(2)[8], 28.0f);
  SeriesData s = st.series();
  EXPECT_EQ(s.nseries, 2);
  EXPECT_EQ(s.data[9 + 3], 13.0f);  // series 2 of configuration 2
}

}  // namespace
}  // namespace tvl::an
