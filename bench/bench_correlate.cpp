// Benchmark of the analysers' correlation step and read phase.
//
// Part 1 (synthetic): 1652 series x 2500 frames, lags 0..500, as rotcf on a
// water box; compares the straightforward single-threaded loop (unit-vector
// arrays, one origin after the other, single-precision running sums) with
// the kernel on one thread and on all cores, in lag x origin x series pairs
// per second.
// Part 2 (real data, when run from the source root): rotcf's read phase and
// correlation on examples/water, the 250-frame xtc listed ten times
// (2500 frames), in frames per second and pairs per second.
//
// usage: bench_correlate [frames] [series] [tmax]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include "analysers/correlate.h"
#include "analysers/driver.h"
#include "analysers/rotcf_lib.h"
#include "analysers/store.h"
#include "common/error.h"
#include "common/tvl_const.h"

namespace {

using Clock = std::chrono::steady_clock;
double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }
// CPU time of the calling thread: a fair measure of single-threaded work on a
// machine that other jobs share.
double thread_cpu() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// The loop as one would first write it: per series the unit vectors, then
// for every lag every origin, single-precision running sums.
double straightforward(const tvl::an::SeriesData& in, const tvl::an::LagScheme& l, std::vector<float>& p1,
                       std::vector<float>& p2) {
  const int F = l.frames;
  std::vector<float> x(F), y(F), z(F);
  std::vector<int> norm(l.tmax + 1, 0);
  p1.assign(l.tmax + 1, 0.0f);
  p2.assign(l.tmax + 1, 0.0f);
  auto t = Clock::now();
  for (int k = 0; k < in.nseries; ++k) {
    for (int f = 0; f < F; ++f) {
      float u[3];
      tvl::an::unit_vector(in.data + static_cast<std::size_t>(f) * in.stride + 3 * k, u);
      x[f] = u[0], y[f] = u[1], z[f] = u[2];
    }
    for (int tau = 0; tau <= l.tmax; tau += l.tgap)
      for (int t0 = 0; t0 + tau < F; t0 += l.sgap) {
        float c = x[t0] * x[t0 + tau] + y[t0] * y[t0 + tau] + z[t0] * z[t0 + tau];
        norm[tau] += 1;
        p1[tau] += c;
        p2[tau] = (p2[tau] + 3.0f * c * c) - 1.0f;
      }
  }
  return seconds_since(t);
}

void synthetic(int F, int K, int tmax) {
  // slowly turning random vectors
  std::mt19937 rng(1);
  std::normal_distribution<float> step(0.0f, 0.05f);
  const std::size_t stride = 3 * static_cast<std::size_t>(K) + 3;
  std::vector<float> data(static_cast<std::size_t>(F) * stride);
  for (int k = 0; k < K; ++k) {
    float v[3] = {1.0f, 0.0f, 0.0f};
    for (int f = 0; f < F; ++f) {
      for (float& c : v) c += step(rng);
      float n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      for (float& c : v) c /= n;
      float* o = data.data() + static_cast<std::size_t>(f) * stride + 3 * k;
      o[0] = v[0], o[1] = v[1], o[2] = v[2];
    }
  }
  tvl::an::SeriesData in{data.data(), stride, K};
  tvl::an::LagScheme l;
  l.frames = F;
  l.tmax = tmax;
  const double pairs = static_cast<double>(l.pairs() * K);
  std::printf("synthetic: %d series x %d frames, lags 0..%d: %.3g pairs\n", K, F, tmax, pairs);

  std::vector<float> f1, f2;
  double c0 = thread_cpu();
  const double t_plain = straightforward(in, l, f1, f2);
  const double c_plain = thread_cpu() - c0;
  std::printf("  straightforward loop, 1 thread : %7.3f s  %8.3g pairs/s  (cpu %.3f s)\n", t_plain, pairs / t_plain,
              c_plain);

  std::vector<int> group(K, 0);
  auto t = Clock::now();
  c0 = thread_cpu();
  tvl::an::Sums one = tvl::an::correlate(in, group, 1, l, {}, 1);
  const double c_one = thread_cpu() - c0;
  const double t_one = seconds_since(t);
  std::printf("  kernel, 1 thread               : %7.3f s  %8.3g pairs/s  (x%.1f; cpu %.3f s, x%.1f)\n", t_one,
              pairs / t_one, t_plain / t_one, c_one, c_plain / c_one);
  const unsigned nt = std::max(1u, std::thread::hardware_concurrency());
  t = Clock::now();
  tvl::an::Sums all = tvl::an::correlate(in, group, 1, l, {}, nt);
  const double t_all = seconds_since(t);
  std::printf("  kernel, %u threads              : %7.3f s  %8.3g pairs/s  (x%.1f)\n", nt, t_all, pairs / t_all,
              t_plain / t_all);
  const bool same = one.p1 == all.p1 && one.p2 == all.p2;
  // how far the single-precision sums of the plain loop are off at the largest lag
  const int last = l.nlags() - 1;
  const double n = static_cast<double>(all.norm[last]);
  std::printf("  identical for 1 and %u threads: %s; P1(tmax) double %.7f, single-precision sums %.7f\n", nt,
              same ? "yes" : "NO", all.p1[last] / n, f1[static_cast<std::size_t>(l.lag(last))] / n);
}

// rotcf's read phase and correlation on the water example.
void water(int copies, int tmax) {
  const std::string dir = "examples/water";
  if (!std::filesystem::exists(dir + "/water_250.xtc")) {
    std::printf("water: %s not found (run from the source root); skipped\n", dir.c_str());
    return;
  }
  tvl::an::Settings s;
  s.kind = "xtc";
  for (int i = 0; i < copies; ++i) s.trajs.push_back(dir + "/water_250.xtc");
  s.dtime = 0.02f;
  s.tmax = tmax;
  s.sys = dir + "/water.sys";
  s.gin = dir + "/water.gro";
  // the readers' own lines and the progress go to /dev/null while we measure
  std::fflush(stdout);
  const int saved = dup(1);
  const int null = open("/dev/null", O_WRONLY);
  if (saved >= 0 && null >= 0) dup2(null, 1);
  auto t0 = Clock::now();
  tvl::an::Inputs in = tvl::an::load_inputs(s);
  auto defs = tvl::an::read_vec(in.sysfile, in.sys);  // the one read of the file, as rotcf does
  auto series = tvl::an::find_series(defs, in.conf);
  const int K = static_cast<int>(series.size());
  tvl::an::VectorStore store(K, tvl::buffsize);
  auto t1 = Clock::now();
  const int F = tvl::an::read_frames(s, in.conf, store, [&](const tvl::config::Configuration& c, int f, float* row) {
    tvl::an::plane_normals(defs, series, c, f, row);
  });
  const double t_read = seconds_since(t1);
  tvl::an::LagScheme l = tvl::an::lag_scheme(s, F);
  auto t2 = Clock::now();
  tvl::an::Sums sums = tvl::an::correlate(store.series(), std::vector<int>(K, 0), 1, l, {}, 0);
  const double t_corr = seconds_since(t2);
  const double t_total = seconds_since(t0);
  std::fflush(stdout);
  if (saved >= 0 && null >= 0) dup2(saved, 1);
  if (null >= 0) close(null);
  if (saved >= 0) close(saved);
  const double pairs = static_cast<double>(l.pairs() * K);
  std::printf("water: %d series, %d frames (%d x water_250.xtc), lags 0..%d\n", K, F, copies, tmax);
  std::printf("  read phase  : %7.3f s  %8.1f frames/s\n", t_read, F / t_read);
  std::printf("  correlation : %7.3f s  %8.3g pairs/s\n", t_corr, pairs / t_corr);
  std::printf("  inputs + read + correlation: %.3f s; P1(tmax) = %.5f\n", t_total,
              sums.p1[sums.nlags - 1] / static_cast<double>(sums.norm[sums.nlags - 1]) /
                  (sums.p1[0] / static_cast<double>(sums.norm[0])));
}

}  // namespace

int main(int argc, char** argv) {
  const int F = argc > 1 ? std::atoi(argv[1]) : 2500;
  const int K = argc > 2 ? std::atoi(argv[2]) : 1652;
  const int tmax = argc > 3 ? std::atoi(argv[3]) : 500;
  try {
    synthetic(F, K, tmax);
    water(10, tmax);
  } catch (const tvl::Stop& e) {
    tvl::print_stop(e);
    return 1;
  }
  return 0;
}
