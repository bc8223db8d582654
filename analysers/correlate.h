#pragma once
// Time-correlation of unit vectors over a grid of lags and time origins.
//
// Every series is a sequence of F 3-vectors (one per kept configuration).
// For the lags tau = 0, tgap, 2 tgap, ... <= tmax and the origins
// t0 = 0, sgap, 2 sgap, ... with t0 + tau < F, c = u(t0) . u(t0 + tau) of the
// normalised vectors is formed in single precision, and c and a c^2 - b are
// summed in double precision into the accumulators of the series' group.
//
// The work is spread over threads by lags; every lag's sums are added in the
// same order (series by series, origins in fixed lanes) whatever the thread
// count, so the result is bit-identical for any number of threads.
#include <cstddef>
#include <exception>
#include <functional>
#include <limits>
#include <vector>

#include "common/threads.h"

namespace tvl::an {

// Lags handed to a thread at a time by correlate(): a series' unit vectors
// stay in cache while the thread works through the lags of its chunk.
inline constexpr int correlate_lag_chunk = 8;

// The lag/origin grid.
struct LagScheme {
  int frames = 0;  // F, kept configurations
  int tmax = 0;    // largest lag
  int tgap = 1;    // step between lags
  int sgap = 1;    // step between origins
  int nlags() const { return tmax / tgap + 1; }
  int lag(int j) const { return j * tgap; }
  // Number of origins of lag tau: (F - tau + sgap - 1) div sgap, 0 when tau >= F.
  long long origins(int tau) const {
    return tau >= frames ? 0 : (static_cast<long long>(frames) - tau + sgap - 1) / sgap;
  }
  // Lag-origin pairs of one series: the origins of all lags together.
  long long pairs() const {
    long long n = 0;
    for (int j = 0; j < nlags(); ++j) n += origins(lag(j));
    return n;
  }
};

// The second Legendre term added per origin: a c^2 - b.
struct Legendre2 {
  double a = 3.0;
  double b = 1.0;
};

// Sums per group and lag index j (entry g * nlags + j).
struct Sums {
  int ngroups = 0;
  int nlags = 0;
  std::vector<double> p1, p2;
  std::vector<long long> norm;
  std::size_t at(int g, int j) const {
    return static_cast<std::size_t>(g) * static_cast<std::size_t>(nlags) + static_cast<std::size_t>(j);
  }
};

// The raw vectors: series k of frame f are the three floats at
// data[f * stride + 3 k].
struct SeriesData {
  const float* data = nullptr;
  std::size_t stride = 0;
  int nseries = 0;
};

// A series holds a vector that cannot be normalised (zero or not finite).
// Thrown by correlate(); `series` and `frame` are 0-based.
struct BadVector : std::exception {
  int series = 0;
  int frame = 0;
  BadVector(int s, int f) : series(s), frame(f) {}
  const char* what() const noexcept override { return "a vector of zero length cannot be normalised"; }
};

// Correlates every series and adds its sums into the group group[k].
// before_series(k) is called on the calling thread, in series order, before
// series k is correlated (progress lines). nthreads 0 means all cores.
Sums correlate(const SeriesData& in, const std::vector<int>& group, int ngroups,
               const LagScheme& lags, Legendre2 leg, unsigned nthreads,
               const std::function<void(int)>& before_series = {});

// Sums of one series at lag tau over its first norig origins 0, sgap,
// 2 sgap, ...: s1 of c, s2 of a c^2 - b, with c = u(t0) . u(t0 + tau) formed
// in single precision from the unit vectors x, y, z.
struct LagSums {
  double s1 = 0.0, s2 = 0.0;
};
LagSums lag_sums(const float* x, const float* y, const float* z, long long norig, int tau, int sgap, double a,
                 double b);

// Zeroed sums for ngroups groups of nlags lags.
Sums make_sums(int ngroups, int nlags);

// Unit vectors of series k into x, y, z (F values each); throws BadVector
// for a vector that cannot be normalised.
void normalise_series(const SeriesData& in, int k, int F, float* x, float* y, float* z);

// Normalises one vector as the analysers do: v times the reciprocal of the
// square root of v.v, all in single precision. False when v cannot be
// normalised (v.v zero, or v not finite).
bool unit_vector(const float v[3], float u[3]);

// Whether unit_vector(v) succeeds, without forming the unit vector: v.v in
// single precision is normal and finite (then 1/sqrt(v.v) and every
// component of the unit vector are finite too).
inline bool normalisable(const float v[3]) {
  const float vv = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  return vv >= std::numeric_limits<float>::min() && vv <= std::numeric_limits<float>::max();
}

// The same sums formed the straightforward way, one thread, one origin after
// the other (used by the tests and the benchmark as the reference).
Sums correlate_plain(const SeriesData& in, const std::vector<int>& group, int ngroups,
                     const LagScheme& lags, Legendre2 leg);

}  // namespace tvl::an
