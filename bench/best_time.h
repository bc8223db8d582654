#pragma once
// Timing for the bench programs. The machine may be shared, so a figure is
// the best of several rounds: the round least disturbed by other work.
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

}  // namespace tvl::bench
