#include "analysers/correlate.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>

namespace tvl::an {

namespace {

// Origins are summed in this many lanes: lane j takes the origins i with
// i mod kLanes == j. The lanes are independent, so the compiler can keep them
// in vector registers, and the order of the additions is fixed by the code
// alone, never by the thread that runs it.
constexpr int kLanes = 8;
// Unit vectors of one block of series, about this many bytes.
constexpr std::size_t kBlockBytes = 512 * 1024;

}  // namespace

// Built twice, for AVX2 and for the baseline instruction set; the loader
// picks the one the processor runs. Both do the same operations in the same
// order (no fused multiply-add), so their results are identical.
__attribute__((target_clones("avx2", "default")))
LagSums lag_sums(const float* __restrict x, const float* __restrict y, const float* __restrict z,
                 long long norig, int tau, int sgap, double a, double b) {
  double l1[kLanes] = {}, l2[kLanes] = {};
  const float* __restrict x2 = x + tau;
  const float* __restrict y2 = y + tau;
  const float* __restrict z2 = z + tau;
  long long i = 0;
  if (sgap == 1) {
    for (; i + kLanes <= norig; i += kLanes) {
      for (int j = 0; j < kLanes; ++j) {
        float c = x[i + j] * x2[i + j] + y[i + j] * y2[i + j] + z[i + j] * z2[i + j];
        double d = c;
        l1[j] += d;
        l2[j] += d * d;
      }
    }
    for (int j = 0; i < norig; ++i, ++j) {
      float c = x[i] * x2[i] + y[i] * y2[i] + z[i] * z2[i];
      double d = c;
      l1[j] += d;
      l2[j] += d * d;
    }
  } else {
    const long long sg = sgap;
    for (; i + kLanes <= norig; i += kLanes) {
      for (int j = 0; j < kLanes; ++j) {
        long long t = (i + j) * sg;
        float c = x[t] * x2[t] + y[t] * y2[t] + z[t] * z2[t];
        double d = c;
        l1[j] += d;
        l2[j] += d * d;
      }
    }
    for (int j = 0; i < norig; ++i, ++j) {
      long long t = i * sg;
      float c = x[t] * x2[t] + y[t] * y2[t] + z[t] * z2[t];
      double d = c;
      l1[j] += d;
      l2[j] += d * d;
    }
  }
  LagSums p;
  double sq = 0.0;
  for (int j = 0; j < kLanes; ++j) {
    p.s1 += l1[j];
    sq += l2[j];
  }
  // sum of (a c^2 - b) over the origins
  p.s2 = a * sq - b * static_cast<double>(norig);
  return p;
}

Sums make_sums(int ngroups, int nlags) {
  Sums s;
  s.ngroups = ngroups;
  s.nlags = nlags;
  std::size_t n = static_cast<std::size_t>(ngroups) * static_cast<std::size_t>(nlags);
  s.p1.assign(n, 0.0);
  s.p2.assign(n, 0.0);
  s.norm.assign(n, 0);
  return s;
}

void normalise_series(const SeriesData& in, int k, int F, float* x, float* y, float* z) {
  for (int f = 0; f < F; ++f) {
    const float* v = in.data + static_cast<std::size_t>(f) * in.stride + 3 * static_cast<std::size_t>(k);
    float u[3];
    if (!unit_vector(v, u)) throw BadVector{k, f};
    x[f] = u[0];
    y[f] = u[1];
    z[f] = u[2];
  }
}

bool unit_vector(const float v[3], float u[3]) {
  // A subnormal v.v has lost most of its digits: the "unit" vector formed
  // from it would be far from length 1, so it counts as a zero vector.
  if (!normalisable(v)) return false;
  const float vv = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  const float r = 1.0f / std::sqrt(vv);
  u[0] = r * v[0];
  u[1] = r * v[1];
  u[2] = r * v[2];
  return std::isfinite(r) && std::isfinite(u[0]) && std::isfinite(u[1]) && std::isfinite(u[2]);
}

Sums correlate(const SeriesData& in, const std::vector<int>& group, int ngroups,
               const LagScheme& lags, Legendre2 leg, unsigned nthreads,
               const std::function<void(int)>& before_series) {
  const int F = lags.frames;
  const int nlags = lags.nlags();
  Sums sums = make_sums(ngroups, nlags);
  if (in.nseries <= 0 || F <= 0) return sums;
  nthreads = worker_threads(nthreads);
  const int nchunks = (nlags + correlate_lag_chunk - 1) / correlate_lag_chunk;
  nthreads = std::min<unsigned>(nthreads, static_cast<unsigned>(nchunks));

  const std::size_t per_series = 3 * sizeof(float) * static_cast<std::size_t>(F);
  const int block = static_cast<int>(
      std::clamp<std::size_t>(kBlockBytes / per_series, 1, static_cast<std::size_t>(in.nseries)));
  const std::size_t Fz = static_cast<std::size_t>(F);
  std::vector<float> ux(Fz * block), uy(Fz * block), uz(Fz * block);

  for (int first = 0; first < in.nseries; first += block) {
    const int count = std::min(block, in.nseries - first);
    for (int s = 0; s < count; ++s) {
      if (before_series) before_series(first + s);
      normalise_series(in, first + s, F, &ux[s * Fz], &uy[s * Fz], &uz[s * Fz]);
    }
    std::atomic<int> next{0};
    auto work = [&]() {
      for (int ch; (ch = next.fetch_add(1)) < nchunks;) {
        const int j0 = ch * correlate_lag_chunk, j1 = std::min(nlags, j0 + correlate_lag_chunk);
        for (int s = 0; s < count; ++s) {
          const int g = group[static_cast<std::size_t>(first + s)];
          for (int j = j0; j < j1; ++j) {
            const int tau = lags.lag(j);
            const long long no = lags.origins(tau);
            if (no == 0) continue;
            LagSums p = lag_sums(&ux[s * Fz], &uy[s * Fz], &uz[s * Fz], no, tau, lags.sgap, leg.a, leg.b);
            const std::size_t at = sums.at(g, j);
            sums.p1[at] += p.s1;
            sums.p2[at] += p.s2;
            sums.norm[at] += no;
          }
        }
      }
    };
    std::vector<std::thread> workers;
    workers.reserve(nthreads - 1);
    for (unsigned t = 1; t < nthreads; ++t) {
      // The lags are handed out one chunk at a time, so fewer threads than
      // asked for (when the system refuses more) only take longer.
      try {
        workers.emplace_back(work);
      } catch (const std::system_error&) {
        break;
      }
    }
    work();
    for (auto& w : workers) w.join();
  }
  return sums;
}

Sums correlate_plain(const SeriesData& in, const std::vector<int>& group, int ngroups,
                     const LagScheme& lags, Legendre2 leg) {
  const int F = lags.frames;
  Sums sums = make_sums(ngroups, lags.nlags());
  std::vector<float> x(static_cast<std::size_t>(F)), y(x.size()), z(x.size());
  for (int k = 0; k < in.nseries; ++k) {
    normalise_series(in, k, F, x.data(), y.data(), z.data());
    const int g = group[static_cast<std::size_t>(k)];
    for (int j = 0; j < lags.nlags(); ++j) {
      const int tau = lags.lag(j);
      const std::size_t at = sums.at(g, j);
      for (long long t0 = 0; t0 + tau < F; t0 += lags.sgap) {  // no overflow for any sgap
        float c = x[t0] * x[t0 + tau] + y[t0] * y[t0 + tau] + z[t0] * z[t0 + tau];
        double d = c;
        sums.norm[at] += 1;
        sums.p1[at] += d;
        sums.p2[at] += leg.a * d * d - leg.b;
      }
    }
  }
  return sums;
}

}  // namespace tvl::an
