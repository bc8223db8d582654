#pragma once
// Timing for the bench programs. The machine may be shared, so a figure is
// the best of several rounds: the round least disturbed by other work.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace tvl::bench {

// Runs f `rounds` times and returns the shortest wall time in seconds.
template <class F>
double best_seconds(int rounds, F&& f) {
  double best = 1e30;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

// The folder of the running bench program, where the suite's programs are built too.
inline std::string bin_dir() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string p(buf, static_cast<std::size_t>(n));
  return p.substr(0, p.rfind('/'));
}

// Processor time of the whole process (all threads, user and system) so far.
inline double process_cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// Shortest wall time and shortest processor time of `rounds` runs of f. On
// a loaded machine the processor time still tells the work done: divided by
// the threads used it is the wall time the run would take on idle cores.
struct WallAndCpu {
  double wall = 1e30, cpu = 1e30;
};
template <class F>
WallAndCpu best_wall_and_cpu(int rounds, F&& f) {
  WallAndCpu best;
  for (int r = 0; r < rounds; ++r) {
    const double c0 = process_cpu_seconds();
    best.wall = std::min(best.wall, best_seconds(1, f));
    best.cpu = std::min(best.cpu, process_cpu_seconds() - c0);
  }
  return best;
}

}  // namespace tvl::bench
