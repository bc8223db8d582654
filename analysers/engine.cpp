#include "analysers/engine.h"

#include <algorithm>
#include <cmath>

#include "analysers/correlate_fft.h"

namespace tvl::an {

namespace {

// Processor seconds per lag-origin pair of the direct sums: origins next to
// each other (sgap 1) are loaded together, others one by one.
constexpr double kPairContiguous = 1.1e-9;
constexpr double kPairStrided = 1.2e-9;
// Processor seconds of one real transform of length n: a fixed part, a part
// per n log2 n, and a part per value for the work around it (filling,
// products, spectrum sums). Measured on lengths from 441 to 105000.
constexpr double kPerTransform = 1.5e-6;
constexpr double kTransform = 0.3e-9;
constexpr double kLinear = 0.5e-9;

// Time of `units` equal pieces of work of `seconds` in total on t threads.
double spread(double seconds, long long units, unsigned t) {
  return seconds / static_cast<double>(std::max(1LL, std::min<long long>(units, t)));
}

}  // namespace

bool engine_from_text(std::string_view text, Engine& engine) {
  if (text == "direct") engine = Engine::direct;
  else if (text == "fft") engine = Engine::fft;
  else if (text == "auto") engine = Engine::automatic;
  else return false;
  return true;
}

const char* engine_text(Engine engine) {
  switch (engine) {
    case Engine::direct: return "direct";
    case Engine::fft: return "fft";
    default: return "auto";
  }
}

double direct_seconds(const LagScheme& lags, int nseries, unsigned nthreads) {
  const double pairs = static_cast<double>(lags.pairs()) * nseries;
  const double one = pairs * (lags.sgap == 1 ? kPairContiguous : kPairStrided) +
                     kLinear * static_cast<double>(lags.frames) * nseries;
  const long long chunks = (lags.nlags() + correlate_lag_chunk - 1) / correlate_lag_chunk;
  return spread(one, chunks, worker_threads(nthreads));
}

double fft_seconds(const LagScheme& lags, int nseries, int ngroups, unsigned nthreads) {
  if (nseries <= 0) return 0.0;
  const double n = fft_scheme_length(lags);
  const double transform = n > 0 ? kPerTransform + kTransform * n * std::log2(std::max(2.0, n)) : 0.0;
  const long long runs = (nseries + fft_series_per_run - 1) / fft_series_per_run;
  const int fwd = n > 0 ? fft_forward_per_series(lags) : 0;
  // the few-origin lags are summed directly: fewer than fft_few_origins
  // origins for each of at most fft_few_origins x sgap lags
  double few = 0.0;
  for (int j = fft_lags(lags); j < lags.nlags(); ++j) few += static_cast<double>(lags.origins(lags.lag(j)));
  const double one = nseries * (fwd * (transform + kLinear * n) + kLinear * lags.frames +
                                few * (lags.sgap == 1 ? kPairContiguous : kPairStrided)) +
                     static_cast<double>(runs) * 2.0 * std::min(ngroups, fft_series_per_run) * transform;
  return spread(one, runs, worker_threads(nthreads));
}

Engine choose_engine(Engine asked, const LagScheme& lags, int nseries, int ngroups, unsigned nthreads) {
  if (asked != Engine::automatic) return asked;
  return fft_seconds(lags, nseries, ngroups, nthreads) < direct_seconds(lags, nseries, nthreads) ? Engine::fft
                                                                                                  : Engine::direct;
}

Sums correlate_with(Engine engine, const SeriesData& in, const std::vector<int>& group, int ngroups,
                    const LagScheme& lags, Legendre2 leg, unsigned nthreads,
                    const std::function<void(int)>& before_series) {
  if (choose_engine(engine, lags, in.nseries, ngroups, nthreads) == Engine::fft)
    return correlate_fft(in, group, ngroups, lags, leg, nthreads, before_series);
  return correlate(in, group, ngroups, lags, leg, nthreads, before_series);
}

}  // namespace tvl::an
