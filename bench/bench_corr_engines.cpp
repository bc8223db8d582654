// Benchmark of the two correlation engines of rotcf and mucf.
//
// The job: 2000 unit-vector series of a rotational random walk over 16000
// configurations (what the default vector store holds), correlated with
// -tmax 8000 -sgap 1 (the long job) and with -tmax 100 (the short job).
// For each job the time of the direct and the FFT engine, their ratio, the
// engine of the automatic choice and its time against the faster engine,
// and the largest difference of the two engines' normalised values.
// Goals on a 2-core machine: long job at least 15 times faster with FFT and
// under 10 s; the automatic choice never more than 10 % slower than the
// faster engine.
//
// usage: bench_corr_engines [rounds] [series] [frames]
//   rounds: runs of every timing but the long direct one (default 3; the
//   best is shown, as the machine may be shared); the long direct run is
//   made once (it takes minutes). Beside the wall time the processor time
//   of the process is shown: on a shared machine it still tells the work.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "analysers/correlate.h"
#include "analysers/correlate_fft.h"
#include "analysers/engine.h"
#include "bench/best_time.h"

namespace {

using namespace tvl::an;

// K series of F unit vectors, each turning by a small random rotation per
// configuration (a random walk on the sphere).
std::vector<float> random_walk(int K, int F) {
  std::mt19937 rng(2024);
  std::normal_distribution<double> step(0.0, 0.03);
  std::uniform_real_distribution<double> start(-1.0, 1.0);
  const std::size_t stride = 3 * static_cast<std::size_t>(K) + 3;
  std::vector<float> data(static_cast<std::size_t>(F) * stride, 0.0f);
  for (int k = 0; k < K; ++k) {
    double v[3] = {start(rng), start(rng), start(rng) + 2.0};
    for (int f = 0; f < F; ++f) {
      for (double& c : v) c += step(rng);
      const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      for (double& c : v) c /= n;
      float* o = data.data() + static_cast<std::size_t>(f) * stride + 3 * static_cast<std::size_t>(k);
      for (int i = 0; i < 3; ++i) o[i] = static_cast<float>(v[i]);
    }
  }
  return data;
}

// Largest difference of P1 and P2 (each divided by its value at lag 0, as
// rotcf writes them) between two results.
double largest_difference(const Sums& a, const Sums& b) {
  double worst = 0.0;
  for (int j = 0; j < a.nlags; ++j) {
    if (a.norm[static_cast<std::size_t>(j)] == 0) continue;
    worst = std::max(worst, std::fabs(a.p1[static_cast<std::size_t>(j)] / a.p1[0] -
                                      b.p1[static_cast<std::size_t>(j)] / b.p1[0]));
    worst = std::max(worst, std::fabs(a.p2[static_cast<std::size_t>(j)] / a.p2[0] -
                                      b.p2[static_cast<std::size_t>(j)] / b.p2[0]));
  }
  return worst;
}

void job(const char* name, const SeriesData& in, int F, int tmax, int rounds, int direct_rounds) {
  LagScheme l;
  l.frames = F;
  l.tmax = tmax;
  const std::vector<int> group(static_cast<std::size_t>(in.nseries), 0);
  const unsigned nt = std::max(1u, std::thread::hardware_concurrency());
  std::printf("%s job: %d series x %d configurations, -tmax %d -sgap 1, %u threads: %.3g lag-origin pairs\n", name,
              in.nseries, F, tmax, nt, static_cast<double>(l.pairs()) * in.nseries);
  std::fflush(stdout);
  Sums d, f;
  auto show = [&](const char* what, const tvl::bench::WallAndCpu& t, int n, const char* more) {
    std::printf("  %-15s: %8.3f s  (processor %8.3f s, %.3f s per thread; best of %d%s)\n", what, t.wall, t.cpu,
                t.cpu / nt, n, more);
    std::fflush(stdout);
  };
  const auto t_direct =
      tvl::bench::best_wall_and_cpu(direct_rounds, [&] { d = correlate(in, group, 1, l, {}, 0); });
  show("direct engine", t_direct, direct_rounds, "");
  const auto t_fft = tvl::bench::best_wall_and_cpu(rounds, [&] { f = correlate_fft(in, group, 1, l, {}, 0); });
  show("fft engine", t_fft, rounds, "");
  std::printf("  fft / direct   : %8.1f times faster (processor time: %.1f times); transform length %d\n",
              t_direct.wall / t_fft.wall, t_direct.cpu / t_fft.cpu, fft_scheme_length(l));
  const Engine chosen = choose_engine(Engine::automatic, l, in.nseries, 1, 0);
  const auto t_auto =
      tvl::bench::best_wall_and_cpu(rounds, [&] { correlate_with(Engine::automatic, in, group, 1, l, {}, 0); });
  show("automatic", t_auto, rounds, chosen == Engine::fft ? "; fft engine" : "; direct engine");
  const double faster = std::min(t_direct.wall, t_fft.wall), faster_cpu = std::min(t_direct.cpu, t_fft.cpu);
  std::printf("  automatic against the faster engine: %+.1f %% (processor time %+.1f %%); estimates: direct %.2f s, "
              "fft %.2f s\n",
              100.0 * (t_auto.wall - faster) / faster, 100.0 * (t_auto.cpu - faster_cpu) / faster_cpu,
              direct_seconds(l, in.nseries, 0), fft_seconds(l, in.nseries, 1, 0));
  std::printf("  largest difference of the normalised P1, P2 of the engines: %.2e\n", largest_difference(d, f));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const int K = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
  const int F = argc > 3 ? std::max(2, std::atoi(argv[3])) : 16000;
  const std::vector<float> data = random_walk(K, F);
  const SeriesData in{data.data(), 3 * static_cast<std::size_t>(K) + 3, K};
  job("long", in, F, F / 2, rounds, 1);
  job("short", in, F, std::min(100, F - 1), rounds, rounds);
  return 0;
}
