// The two correlation engines give the same curves; the FFT engine is
// bit-identical for any thread count; the automatic choice and -corr.
#include "analysers/engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "analysers/cmdline.h"
#include "analysers/correlate_fft.h"
#include "analysers/rotcf_lib.h"
#include "tests/analysers/invoke.h"

namespace tvl::an {
namespace {

struct Case {
  int frames, tmax, tgap, sgap, nseries, ngroups;
  bool walk;  // slowly turning vectors (c near 1) instead of independent ones
};

// K series of F vectors (not normalised), stride 3K + 3.
std::vector<float> series_data(const Case& c, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-2.0f, 2.0f);
  std::normal_distribution<float> step(0.0f, 0.1f);
  const std::size_t stride = 3 * static_cast<std::size_t>(c.nseries) + 3;
  std::vector<float> v(static_cast<std::size_t>(c.frames) * stride, 1.0f);
  for (int k = 0; k < c.nseries; ++k) {
    float w[3] = {d(rng), d(rng), d(rng) + 3.0f};
    for (int f = 0; f < c.frames; ++f) {
      float* o = v.data() + static_cast<std::size_t>(f) * stride + 3 * static_cast<std::size_t>(k);
      for (int i = 0; i < 3; ++i) o[i] = c.walk ? (w[i] += step(rng)) : d(rng);
    }
  }
  return v;
}

class Engines : public testing::TestWithParam<Case> {};

TEST_P(Engines, FftGivesTheDirectSums) {
  const Case c = GetParam();
  const auto data = series_data(c, static_cast<unsigned>(c.frames * 31 + c.sgap * 7 + c.tgap));
  const SeriesData in{data.data(), 3 * static_cast<std::size_t>(c.nseries) + 3, c.nseries};
  // groups in turn; from three groups on, the last one has no series
  std::vector<int> group;
  for (int k = 0; k < c.nseries; ++k) group.push_back(k % (c.ngroups > 2 ? c.ngroups - 1 : c.ngroups));
  LagScheme l;
  l.frames = c.frames, l.tmax = c.tmax, l.tgap = c.tgap, l.sgap = c.sgap;
  const Legendre2 leg = c.ngroups > 1 ? Legendre2{1.5, 0.5} : Legendre2{3.0, 1.0};
  const Sums d = correlate(in, group, c.ngroups, l, leg, 2);
  const Sums f = correlate_fft(in, group, c.ngroups, l, leg, 2);
  ASSERT_EQ(f.norm, d.norm);
  for (std::size_t i = 0; i < d.p1.size(); ++i) {
    if (d.norm[i] == 0) {
      EXPECT_EQ(f.p1[i], 0.0);
      EXPECT_EQ(f.p2[i], 0.0);
      continue;
    }
    const double n = static_cast<double>(d.norm[i]);
    EXPECT_NEAR(f.p1[i] / n, d.p1[i] / n, 1e-7) << "entry " << i;
    EXPECT_NEAR(f.p2[i] / n, d.p2[i] / n, 1e-7) << "entry " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Engines,
    testing::Values(Case{1, 1, 1, 1, 3, 1, false},      // one configuration: only lag 0
                    Case{2, 2, 1, 1, 2, 1, true},       // tmax = F: the last lag has no origin
                    Case{7, 7, 3, 2, 5, 1, false},      // odd length, both gaps
                    Case{97, 97, 1, 5, 9, 2, true},     // prime length, every lag
                    Case{256, 200, 7, 3, 6, 4, false},  // a type without series
                    Case{1000, 999, 2, 1, 7, 3, true},  // several types, tmax = F - 1
                    Case{1999, 1500, 5, 4, 5, 1, true},  // prime length
                    Case{3001, 3001, 6, 2, 3, 2, false},  // prime length up to F
                    Case{4096, 3000, 1, 1, 4, 1, true}));

TEST(Engines, FftIsBitIdenticalForAnyThreadCount) {
  const Case c{1200, 900, 1, 2, 23, 3, true};
  const auto data = series_data(c, 5);
  const SeriesData in{data.data(), 3 * static_cast<std::size_t>(c.nseries) + 3, c.nseries};
  std::vector<int> group;
  for (int k = 0; k < c.nseries; ++k) group.push_back(k % 3);
  LagScheme l;
  l.frames = c.frames, l.tmax = c.tmax, l.sgap = c.sgap;
  std::vector<int> seen;
  const Sums one = correlate_fft(in, group, 3, l, Legendre2{}, 1, [&](int k) { seen.push_back(k); });
  ASSERT_EQ(seen.size(), 23u);
  for (int k = 0; k < 23; ++k) EXPECT_EQ(seen[static_cast<std::size_t>(k)], k);  // progress in series order
  for (unsigned t : {2u, 3u, 7u}) {
    const Sums many = correlate_fft(in, group, 3, l, Legendre2{}, t);
    EXPECT_EQ(std::memcmp(one.p1.data(), many.p1.data(), one.p1.size() * sizeof(double)), 0) << t;
    EXPECT_EQ(std::memcmp(one.p2.data(), many.p2.data(), one.p2.size() * sizeof(double)), 0) << t;
  }
}

TEST(Engines, FftReportsTheSeriesAndFrameOfAZeroVector) {
  const Case c{10, 3, 1, 1, 9, 1, false};
  auto data = series_data(c, 9);
  float* v = data.data() + 6 * (3 * 9 + 3) + 3 * 7;  // series 8, frame 7
  v[0] = v[1] = v[2] = 0.0f;
  const SeriesData in{data.data(), 3 * 9 + 3, 9};
  LagScheme l;
  l.frames = 10, l.tmax = 3;
  try {
    correlate_fft(in, std::vector<int>(9, 0), 1, l, Legendre2{}, 2);
    FAIL() << "no error";
  } catch (const BadVector& e) {
    EXPECT_EQ(e.series, 7);
    EXPECT_EQ(e.frame, 6);
  }
}

TEST(Engines, TransformLengthIsSmoothAndLeavesNoWrapAround) {
  EXPECT_EQ(fft_length(1, 0), 1);
  EXPECT_EQ(fft_length(97, 96), 196);  // 2^2 7^2
  EXPECT_EQ(fft_length(16000, 8000), 24000);
  EXPECT_EQ(fft_length(101, 0), 105);
  LagScheme l;
  l.frames = 200, l.tmax = 300, l.tgap = 4;
  EXPECT_EQ(fft_lags(l), 35);  // lag 136 has 64 origins, lag 140 has 60: summed directly
  EXPECT_EQ(fft_scheme_length(l), 336);  // 200 + 136
  l.frames = 63;
  EXPECT_EQ(fft_lags(l), 0);  // no lag has 64 origins: no transform
  EXPECT_EQ(fft_scheme_length(l), 0);
}

TEST(Engines, AutomaticChoiceFollowsTheLags) {
  LagScheme l;
  l.frames = 16000, l.tmax = 8000;
  EXPECT_EQ(choose_engine(Engine::automatic, l, 2000, 1, 2), Engine::fft);
  EXPECT_EQ(choose_engine(Engine::direct, l, 2000, 1, 2), Engine::direct);
  l.tmax = 3;  // a few lags: the direct sums are cheaper
  EXPECT_EQ(choose_engine(Engine::automatic, l, 2000, 1, 2), Engine::direct);
  EXPECT_EQ(choose_engine(Engine::fft, l, 2000, 1, 2), Engine::fft);
}

TEST(Engines, CorrOptionNamesTheEngine) {
  auto parse = [](std::vector<std::string> more) {
    Settings s;
    std::vector<std::string> args = {"-time", "1", "-tmax", "5"};
    args.insert(args.end(), more.begin(), more.end());
    Outcome r = invoke(args, [&](int argc, char** argv) {
      s = parse_command_line(argc, argv, rotcf_text());
      return -1;
    });
    return std::pair<Outcome, Engine>{r, s.corr};
  };
  EXPECT_EQ(parse({}).second, Engine::automatic);
  EXPECT_EQ(parse({"-corr", "fft"}).second, Engine::fft);
  EXPECT_EQ(parse({"-corr", "direct"}).second, Engine::direct);
  EXPECT_EQ(parse({"-corr", "fft", "-corr", "auto"}).second, Engine::automatic);  // the later one wins
  for (auto bad : {std::vector<std::string>{"-corr"}, {"-corr", "FFT"}, {"-corr", "-v"}}) {
    Outcome r = parse(bad).first;
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.lines, std::vector<std::string>{" ROTCF ERROR: Syntax error in command-line"});
  }
  EXPECT_EQ(parse({"-corr", "fft"}).first.out, " dtime:  1.0\n dtmax:  5\n");  // no echo line
}

}  // namespace
}  // namespace tvl::an
