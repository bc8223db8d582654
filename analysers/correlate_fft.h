#pragma once
// The correlation sums of correlate(), had from fast Fourier transforms.
//
// For one series u (F unit vectors) and the origin mask m (1 at the origins
// t0 = 0, sgap, 2 sgap, ..., else 0), the sums over the origins of lag tau are
//   sum c   = sum over the components i of  sum_t m(t) u_i(t) u_i(t + tau)
//   sum c^2 = sum over the component pairs (i, j) of
//             sum_t m(t) u_i(t) u_j(t) u_i(t + tau) u_j(t + tau),
// correlations of the masked series with the full ones (the six distinct
// pairs, the off-diagonal ones twice). Each is the inverse transform of
// conj(A) x U, with the series zero-padded to a length n >= F + (largest lag)
// so that nothing wraps around; for sgap 1 the mask is all ones and A = U.
// Spectra are summed over a few series before one inverse transform, as the
// transforms are linear. All arithmetic is in double precision on the
// single-precision unit vectors.
//
// The direct sums form c in single precision; over many origins its rounding
// averages out, over a few it does not. Lags with fewer than
// fft_few_origins origins per series are therefore summed directly, as
// correlate() does (at most a few thousand terms per series).
//
// The work is O(F log F) per series against O(lags x F) for the direct sums;
// it is spread over threads by fixed runs of series whose results are added
// in series order, so the result is bit-identical for any thread count.
#include <functional>
#include <vector>

#include "analysers/correlate.h"

namespace tvl::an {

// Same arguments and result as correlate().
Sums correlate_fft(const SeriesData& in, const std::vector<int>& group, int ngroups, const LagScheme& lags,
                   Legendre2 leg, unsigned nthreads, const std::function<void(int)>& before_series = {});

// The transform length for F configurations and lags up to `last`: the
// smallest n >= F + last whose prime factors are all 2, 3, 5 or 7.
int fft_length(int frames, int last);

inline constexpr long long fft_few_origins = 64;

// Lag indices 0 .. fft_lags(lags) - 1 come from the transforms: the lags
// with at least fft_few_origins origins.
int fft_lags(const LagScheme& lags);

// The transform length of the scheme (0 when no lag needs a transform).
int fft_scheme_length(const LagScheme& lags);

// Forward transforms per series: 9 for sgap 1 (three components and six
// products), 18 otherwise (masked and full series).
int fft_forward_per_series(const LagScheme& lags);

// Series whose spectra are summed before the inverse transforms.
inline constexpr int fft_series_per_run = 4;

}  // namespace tvl::an
