#include "analysers/correlate_fft.h"

#include <fftw3.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace tvl::an {

namespace {

// Runs of series handed to the threads per round, per thread: enough to even
// out the threads' loads, few enough to keep the runs' results small.
constexpr int kRunsPerThread = 4;

// FFTW's planner is not thread-safe: plans are made and destroyed under this lock.
std::mutex& planner_lock() {
  static std::mutex m;
  return m;
}

struct FftwFree {
  void operator()(void* p) const { fftw_free(p); }
};
using Reals = std::unique_ptr<double[], FftwFree>;
using Spectrum = std::unique_ptr<fftw_complex[], FftwFree>;

// Arrays from fftw_malloc: all share the alignment the plans were made for.
Reals reals(std::size_t n) {
  double* p = fftw_alloc_real(std::max<std::size_t>(n, 1));
  if (!p) throw std::bad_alloc();
  return Reals(p);
}
Spectrum spectrum(std::size_t n) {
  fftw_complex* p = fftw_alloc_complex(std::max<std::size_t>(n, 1));
  if (!p) throw std::bad_alloc();
  return Spectrum(p);
}

// The forward (real to complex) and inverse (complex to real, unnormalised)
// transforms of one length, planned once for the whole run and executed on
// every thread's own arrays. FFTW_ESTIMATE plans without timing runs, so the
// same length is always computed the same way.
class Plans {
 public:
  explicit Plans(int n) {
    Reals r = reals(static_cast<std::size_t>(n));
    Spectrum c = spectrum(static_cast<std::size_t>(n) / 2 + 1);
    std::lock_guard<std::mutex> lock(planner_lock());
    fwd_ = fftw_plan_dft_r2c_1d(n, r.get(), c.get(), FFTW_ESTIMATE);
    inv_ = fftw_plan_dft_c2r_1d(n, c.get(), r.get(), FFTW_ESTIMATE);
    if (!fwd_ || !inv_) {
      release();
      throw std::bad_alloc();
    }
  }
  ~Plans() {
    std::lock_guard<std::mutex> lock(planner_lock());
    release();
  }
  Plans(const Plans&) = delete;
  Plans& operator=(const Plans&) = delete;
  // in is kept; out receives n / 2 + 1 values.
  void forward(double* in, fftw_complex* out) const { fftw_execute_dft_r2c(fwd_, in, out); }
  // in is overwritten; out receives n values, n times the inverse transform.
  void inverse(fftw_complex* in, double* out) const { fftw_execute_dft_c2r(inv_, in, out); }

 private:
  void release() {
    if (fwd_) fftw_destroy_plan(fwd_);
    if (inv_) fftw_destroy_plan(inv_);
    fwd_ = inv_ = nullptr;
  }
  fftw_plan fwd_ = nullptr, inv_ = nullptr;
};

// What one run of series adds: per group it touched, the sums of c and of c^2
// at every lag index.
struct RunResult {
  std::vector<int> groups;  // ascending
  std::vector<double> c1, c2;  // groups.size() x nlags
  std::exception_ptr error;
};

// One thread's arrays, made once and reused for every series it takes.
struct Workspace {
  int n = 0, nspec = 0;
  std::vector<float> ux, uy, uz;  // unit vectors of the current series
  Reals full;    // a component or product series, zero-padded to n
  Reals masked;  // the same at the origins only (sgap > 1)
  Reals back;    // output of an inverse transform
  Spectrum a, b;  // transforms of full and masked
  std::vector<Spectrum> s1, s2;  // summed spectra of the current run per group
  std::vector<std::vector<double>> d1, d2;  // direct sums of the few-origin lags per group
  std::vector<char> used;        // the group has series in the current run

  Workspace(int frames, int n_, int ngroups, int sgap)
      : n(n_), nspec(n_ / 2 + 1), ux(static_cast<std::size_t>(frames)), uy(ux.size()), uz(ux.size()),
        full(reals(static_cast<std::size_t>(n_))), masked(reals(sgap > 1 ? static_cast<std::size_t>(n_) : 0)),
        back(reals(static_cast<std::size_t>(n_))), a(spectrum(static_cast<std::size_t>(nspec))),
        b(spectrum(sgap > 1 ? static_cast<std::size_t>(nspec) : 0)), s1(static_cast<std::size_t>(ngroups)),
        s2(static_cast<std::size_t>(ngroups)), d1(static_cast<std::size_t>(ngroups)),
        d2(static_cast<std::size_t>(ngroups)), used(static_cast<std::size_t>(ngroups), 0) {
    std::fill(full.get(), full.get() + n, 0.0);
    if (sgap > 1) std::fill(masked.get(), masked.get() + n, 0.0);
  }
};

class FftEngine {
 public:
  FftEngine(const SeriesData& in, const std::vector<int>& group, const LagScheme& lags)
      : in_(in), group_(group), lags_(lags), F_(lags.frames), nfft_(fft_lags(lags)),
        n_(std::max(1, fft_scheme_length(lags))), plans_(n_) {}

  int length() const { return n_; }

  // Series first .. first + count - 1 into r, with the thread's workspace.
  void run(int first, int count, Workspace& w, RunResult& r) const {
    const int nlags = lags_.nlags();
    const std::size_t ndirect = static_cast<std::size_t>(nlags - nfft_);
    std::fill(w.used.begin(), w.used.end(), 0);
    for (int k = first; k < first + count; ++k) {
      normalise_series(in_, k, F_, w.ux.data(), w.uy.data(), w.uz.data());
      const std::size_t g = static_cast<std::size_t>(group_[static_cast<std::size_t>(k)]);
      if (!w.used[g]) {
        if (!w.s1[g]) w.s1[g] = spectrum(static_cast<std::size_t>(w.nspec));
        if (!w.s2[g]) w.s2[g] = spectrum(static_cast<std::size_t>(w.nspec));
        std::fill_n(&w.s1[g][0][0], 2 * static_cast<std::size_t>(w.nspec), 0.0);
        std::fill_n(&w.s2[g][0][0], 2 * static_cast<std::size_t>(w.nspec), 0.0);
        w.d1[g].assign(ndirect, 0.0);
        w.d2[g].assign(ndirect, 0.0);
        w.used[g] = 1;
      }
      if (nfft_ > 0) add_series(w, w.s1[g].get(), w.s2[g].get());
      for (int j = nfft_; j < nlags; ++j) {
        const int tau = lags_.lag(j);
        const long long no = lags_.origins(tau);
        if (no == 0) break;
        const LagSums p = lag_sums(w.ux.data(), w.uy.data(), w.uz.data(), no, tau, lags_.sgap, 1.0, 0.0);
        w.d1[g][static_cast<std::size_t>(j - nfft_)] += p.s1;
        w.d2[g][static_cast<std::size_t>(j - nfft_)] += p.s2;
      }
    }
    r.groups.clear();
    for (std::size_t g = 0; g < w.used.size(); ++g)
      if (w.used[g]) r.groups.push_back(static_cast<int>(g));
    r.c1.assign(r.groups.size() * static_cast<std::size_t>(nlags), 0.0);
    r.c2.assign(r.c1.size(), 0.0);
    for (std::size_t i = 0; i < r.groups.size(); ++i) {
      const std::size_t g = static_cast<std::size_t>(r.groups[i]);
      double* c1 = &r.c1[i * static_cast<std::size_t>(nlags)];
      double* c2 = &r.c2[i * static_cast<std::size_t>(nlags)];
      if (nfft_ > 0) {
        lag_values(w, w.s1[g].get(), c1);
        lag_values(w, w.s2[g].get(), c2);
      }
      std::copy(w.d1[g].begin(), w.d1[g].end(), c1 + nfft_);
      std::copy(w.d2[g].begin(), w.d2[g].end(), c2 + nfft_);
    }
  }

 private:
  // Adds the spectra of one series (unit vectors in w.ux, w.uy, w.uz) to s1
  // (terms of c) and s2 (terms of c^2).
  void add_series(Workspace& w, fftw_complex* s1, fftw_complex* s2) const {
    const float* u[3] = {w.ux.data(), w.uy.data(), w.uz.data()};
    double* x = w.full.get();
    for (int i = 0; i < 3; ++i) {
      for (int t = 0; t < F_; ++t) x[t] = u[i][t];
      add_spectrum(w, 1.0, s1);
    }
    for (int i = 0; i < 3; ++i)
      for (int j = i; j < 3; ++j) {
        for (int t = 0; t < F_; ++t) x[t] = static_cast<double>(u[i][t]) * static_cast<double>(u[j][t]);
        add_spectrum(w, i == j ? 1.0 : 2.0, s2);
      }
  }

  // s += weight x conj(transform of the masked series) x transform of the
  // series in w.full.
  void add_spectrum(Workspace& w, double weight, fftw_complex* s) const {
    plans_.forward(w.full.get(), w.a.get());
    const fftw_complex* a = w.a.get();
    if (lags_.sgap == 1) {
      for (int k = 0; k < w.nspec; ++k) s[k][0] += weight * (a[k][0] * a[k][0] + a[k][1] * a[k][1]);
      return;
    }
    double* m = w.masked.get();
    for (long long t = 0; t < F_; t += lags_.sgap) m[t] = w.full[static_cast<std::size_t>(t)];
    plans_.forward(m, w.b.get());
    const fftw_complex* b = w.b.get();
    for (int k = 0; k < w.nspec; ++k) {
      s[k][0] += weight * (b[k][0] * a[k][0] + b[k][1] * a[k][1]);
      s[k][1] += weight * (b[k][0] * a[k][1] - b[k][1] * a[k][0]);
    }
  }

  // The correlation sums at the transformed lags from a summed spectrum
  // (which the inverse transform overwrites).
  void lag_values(Workspace& w, fftw_complex* s, double* out) const {
    plans_.inverse(s, w.back.get());
    const double* r = w.back.get();
    const double n = static_cast<double>(n_);
    for (int j = 0; j < nfft_; ++j) out[j] = r[lags_.lag(j)] / n;
  }

  const SeriesData& in_;
  const std::vector<int>& group_;
  const LagScheme& lags_;
  const int F_;
  const int nfft_;  // lag indices served by the transforms
  const int n_;     // transform length
  Plans plans_;
};

}  // namespace

int fft_lags(const LagScheme& lags) {
  int j = 0;
  while (j < lags.nlags() && lags.origins(lags.lag(j)) >= fft_few_origins) ++j;
  return j;
}

int fft_scheme_length(const LagScheme& lags) {
  const int j = fft_lags(lags);
  return j == 0 ? 0 : fft_length(lags.frames, lags.lag(j - 1));
}

int fft_length(int frames, int last) {
  const long long need = std::max(1LL, static_cast<long long>(frames) + std::max(last, 0));
  long long best = 1;
  while (best < need) best *= 2;
  for (long long p7 = 1; p7 < best; p7 *= 7)
    for (long long p5 = p7; p5 < best; p5 *= 5)
      for (long long p3 = p5; p3 < best; p3 *= 3) {
        long long v = p3;
        while (v < need) v *= 2;
        best = std::min(best, v);
      }
  return static_cast<int>(best);
}

int fft_forward_per_series(const LagScheme& lags) { return lags.sgap == 1 ? 9 : 18; }

Sums correlate_fft(const SeriesData& in, const std::vector<int>& group, int ngroups, const LagScheme& lags,
                   Legendre2 leg, unsigned nthreads, const std::function<void(int)>& before_series) {
  const int nlags = lags.nlags();
  Sums sums = make_sums(ngroups, nlags);
  if (in.nseries <= 0 || lags.frames <= 0) return sums;
  const FftEngine engine(in, group, lags);
  const int n = engine.length();

  const int nruns = (in.nseries + fft_series_per_run - 1) / fft_series_per_run;
  nthreads = worker_threads(nthreads);
  nthreads = std::min<unsigned>(nthreads, static_cast<unsigned>(nruns));
  std::vector<Workspace> ws;
  ws.reserve(nthreads);
  for (unsigned t = 0; t < nthreads; ++t) ws.emplace_back(lags.frames, n, ngroups, lags.sgap);

  // Rounds of runs: the threads share out a round's runs, then the results
  // are added run by run, in series order.
  const int round = kRunsPerThread * static_cast<int>(nthreads);
  std::vector<RunResult> results(static_cast<std::size_t>(round));
  std::vector<double> sq(sums.p2.size(), 0.0);  // sums of c^2
  for (int first = 0; first < nruns; first += round) {
    const int count = std::min(round, nruns - first);
    const int k0 = first * fft_series_per_run;
    const int k1 = std::min(in.nseries, (first + count) * fft_series_per_run);
    if (before_series)
      for (int k = k0; k < k1; ++k) before_series(k);
    std::atomic<int> next{0};
    auto work = [&](Workspace& w) {
      for (int i; (i = next.fetch_add(1)) < count;) {
        RunResult& r = results[static_cast<std::size_t>(i)];
        r.error = nullptr;
        const int s0 = (first + i) * fft_series_per_run;
        try {
          engine.run(s0, std::min(fft_series_per_run, in.nseries - s0), w, r);
        } catch (...) {
          r.error = std::current_exception();
        }
      }
    };
    std::vector<std::thread> workers;
    workers.reserve(nthreads - 1);
    for (unsigned t = 1; t < nthreads; ++t) {
      // Runs are handed out one at a time, so fewer threads than asked for
      // (when the system refuses more) only take longer.
      try {
        workers.emplace_back(work, std::ref(ws[t]));
      } catch (const std::system_error&) {
        break;
      }
    }
    work(ws[0]);
    for (auto& t : workers) t.join();
    for (int i = 0; i < count; ++i) {
      const RunResult& r = results[static_cast<std::size_t>(i)];
      if (r.error) std::rethrow_exception(r.error);
      for (std::size_t gi = 0; gi < r.groups.size(); ++gi)
        for (int j = 0; j < nlags; ++j) {
          const std::size_t at = sums.at(r.groups[gi], j);
          const std::size_t from = gi * static_cast<std::size_t>(nlags) + static_cast<std::size_t>(j);
          sums.p1[at] += r.c1[from];
          sq[at] += r.c2[from];
        }
    }
  }

  std::vector<long long> members(static_cast<std::size_t>(ngroups), 0);
  for (int k = 0; k < in.nseries; ++k) ++members[static_cast<std::size_t>(group[static_cast<std::size_t>(k)])];
  for (int g = 0; g < ngroups; ++g)
    for (int j = 0; j < nlags; ++j) {
      const std::size_t at = sums.at(g, j);
      sums.norm[at] = lags.origins(lags.lag(j)) * members[static_cast<std::size_t>(g)];
      sums.p2[at] = leg.a * sq[at] - leg.b * static_cast<double>(sums.norm[at]);
    }
  return sums;
}

}  // namespace tvl::an
