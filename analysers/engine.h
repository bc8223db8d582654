#pragma once
// The two correlation engines and the choice between them.
//
// `direct` forms c for every lag and origin (correlate()): its work grows
// with series x lags x origins. `fft` has the same sums from Fourier
// transforms (correlate_fft()): its work grows with series x F log F, which
// wins once the lags are many. `automatic` runs the one with the smaller
// estimated time.
#include <functional>
#include <string_view>
#include <vector>

#include "analysers/correlate.h"

namespace tvl::an {

enum class Engine { automatic, direct, fft };

// The values of -corr: "direct", "fft" or "auto". False for anything else.
bool engine_from_text(std::string_view text, Engine& engine);
const char* engine_text(Engine engine);

// Estimated seconds of each engine for `nseries` series on `nthreads`
// threads (0: all cores), from measured costs per lag-origin pair and per
// transform on a current x86-64 core; they only need to be right relative
// to each other.
double direct_seconds(const LagScheme& lags, int nseries, unsigned nthreads);
double fft_seconds(const LagScheme& lags, int nseries, int ngroups, unsigned nthreads);

// `asked` unless it is automatic; then the engine with the smaller estimate.
Engine choose_engine(Engine asked, const LagScheme& lags, int nseries, int ngroups, unsigned nthreads);

// Runs the engine (automatic is resolved with choose_engine first); the
// arguments are those of correlate().
Sums correlate_with(Engine engine, const SeriesData& in, const std::vector<int>& group, int ngroups,
                    const LagScheme& lags, Legendre2 leg, unsigned nthreads,
                    const std::function<void(int)>& before_series = {});

}  // namespace tvl::an
