#pragma once
// Timing for the bench programs. The machine may be shared, so a figure is
// the best of several rounds: the round least disturbed by other work.
#include <algorithm>
#include <chrono>

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

}  // namespace tvl::bench
